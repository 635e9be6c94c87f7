#!/usr/bin/env bash
# Installs what is missing, builds, and starts an application server on an embedded SQLite
# database (unless one already answers on the port). With a display it opens the host with the
# capture window (arguments go to the host); without one it runs the capture command over the
# directory given (default: the project's sample forms) and shows the rows stored.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
port=${VDR_SERVER_PORT:-21400}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

server_pid=""
database=""
if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  data=${XDG_DATA_HOME:-$HOME/.local/share}/Vdr/appserver
  mkdir -p "$data"
  database="sqlite:$data/translations.sqlite"
  "$build/bin/appserver" --listen "127.0.0.1:$port" --database "$database" &
  server_pid=$!
  trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null' EXIT
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$build/bin/vdrhost" --server "127.0.0.1:$port" --capture "$@"
  exit
fi

forms=${1:-$root/samples/forms}
echo "No display: capturing $forms without a window."
"$build/bin/capture" --language POR --yes --server "127.0.0.1:$port" "$forms" </dev/null
if [ -n "$database" ]; then
  echo
  echo "Rows stored (appserver export --format csv):"
  "$build/bin/appserver" --database "$database" export --format csv
else
  echo "The rows are stored by the application server already answering on port $port."
fi
echo
echo "To open the capture window, run ./scripts/run.sh where a display is available, or point"
echo "DISPLAY at one: DISPLAY=:0 $build/bin/vdrhost --server 127.0.0.1:$port --capture"
