#!/usr/bin/env bash
# Installs what is missing, builds, starts an application server on an embedded SQLite database
# (unless one already answers on the port) and opens the host with the capture window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
port=${VDR_SERVER_PORT:-21400}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

server_pid=""
if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  data=${XDG_DATA_HOME:-$HOME/.local/share}/Vdr/appserver
  mkdir -p "$data"
  "$build/bin/appserver" --listen "127.0.0.1:$port" --database "sqlite:$data/translations.sqlite" &
  server_pid=$!
  trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null' EXIT
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
fi

host=("$build/bin/vdrhost" --server "127.0.0.1:$port" --capture "$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running the host under Xvfb." >&2
  xvfb-run -a "${host[@]}"
else
  "${host[@]}"
fi
