#!/usr/bin/env bash
# Builds the Debian packages into build/packages (BUILD_DIR overrides) and checks them: the
# capture command's package depends on no GUI library, lintian with no error and no hardening
# tag, the server package's maintainer scripts and settings file mode, systemd-analyze verify on
# the service, and what they hold run as installed: both
# unpacked into an empty directory, and an installation under an arbitrary prefix, each runs the
# capture command against its own application server over the project's sample forms, and both
# speak Portuguese under a pt_BR locale.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
# The programs print in the user's language; the checks below read their English.
export LC_ALL=C.UTF-8
unset LANGUAGE
"$root/scripts/install-deps.sh" lintian dpkg-dev desktop-file-utils
# The packages install under /usr. The prefix changes only where files are installed, so a build
# made by the test or run command is not rebuilt.
CMAKE_EXTRA_ARGS="-DCMAKE_INSTALL_PREFIX=/usr" VDR_WERROR=ON "$root/scripts/build.sh"

packages="$build/packages"
rm -rf "$packages"
(cd "$build" && cpack -G DEB -B "$packages" >/dev/null)
rm -rf "$packages/_CPack_Packages"
ls "$packages"/*.deb

# A build machine installs the capture command alone: nothing it depends on may draw.
capture_depends=$(dpkg-deb -f "$packages"/vdr04000-capture_*.deb Depends)
echo "vdr04000-capture depends on: $capture_depends"
if echo "$capture_depends" | grep -Eiq 'libqt6gui|libqt6widgets|qt6-qpa|libx11|libxcb|libgl1|libegl|libopengl|fontconfig|fonts-|wayland'; then
  echo "the capture package depends on a GUI library" >&2
  exit 1
fi

echo "lintian:"
# Informational tags shown too: some of the hardening ones are only that.
verdict=$(lintian --fail-on error --display-info --suppress-tags-from-file /dev/null "$packages"/*.deb) ||
  { echo "$verdict" >&2; exit 1; }
[ -z "$verdict" ] || echo "$verdict"
# capture's code calls no C library function that fortification replaces (its work is Qt calls),
# so lintian finds no fortified call in it; it is built with the flag as every target is.
if echo "$verdict" | grep -v 'hardening-no-fortify-functions \[usr/bin/capture\]' | grep -q 'hardening-'; then
  echo "lintian: binaries built without Debian's hardening flags" >&2
  exit 1
fi
desktop-file-validate "$root/packaging/vdrhost.desktop"

work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The server's package as Debian's own tools would make it, checked without installing it here:
# the service stopped before its program goes, its enable links gone with a purge, and its
# settings, which may hold a password, readable by root and (postinst) the service's group only.
server_deb=$(ls "$packages"/vdr04000-server_*.deb)
control="$work/server-control"
dpkg-deb -e "$server_deb" "$control"
for script in postinst prerm postrm; do
  [ -x "$control/$script" ] && sh -n "$control/$script" ||
    { echo "the server package's $script is missing, not executable or not sh" >&2; exit 1; }
done
expect_in() {
  grep -Fq -- "$2" "$control/$1" || { echo "the server package's $1 does not run: $2" >&2; exit 1; }
}
expect_in prerm 'deb-systemd-invoke stop vdr-appserver.service'
expect_in postrm 'deb-systemd-helper purge vdr-appserver.service'
expect_in postinst 'chown root:vdr-appserver /etc/default/vdr-appserver'
expect_in postinst 'chmod 0640 /etc/default/vdr-appserver'
environment_mode=$(dpkg-deb -c "$server_deb" | awk '$6 == "./etc/default/vdr-appserver" { print $1 }')
[ "$environment_mode" = "-rw-r-----" ] ||
  { echo "/etc/default/vdr-appserver is packed as ${environment_mode:-nothing}, not -rw-r-----" >&2; exit 1; }
grep -qx /etc/default/vdr-appserver "$control/conffiles" ||
  { echo "/etc/default/vdr-appserver is not a conffile" >&2; exit 1; }
echo "server package: stops on remove, forgets its links on purge, settings -rw-r----- root:vdr-appserver"

# Runs the capture command of an installation against the application server of the same one:
# the rows it says it inserted must be in the table.
smoke() {
  local bin=$1 label=$2
  local data="$work/$label-data" home="$work/$label-home"
  mkdir -p "$data" "$home"
  "$bin/appserver" --listen 127.0.0.1:0 --database "sqlite:$data/translations.sqlite" \
    >"$data/server.out" 2>"$data/server.log" &
  server_pid=$!
  local address=""
  for _ in $(seq 100); do
    address=$(sed -n 's/^appserver listening on //p' "$data/server.out")
    [ -n "$address" ] && break
    sleep 0.1
  done
  [ -n "$address" ] || { cat "$data/server.log" >&2; echo "$label: the application server did not start" >&2; exit 1; }
  local summary
  summary=$(HOME="$home" XDG_CONFIG_HOME="$home/config" VDR_MODULE_PATH="" \
    "$bin/capture" --language POR --yes --server "$address" "$root/samples/forms" </dev/null 2>&1) ||
    { echo "$summary" >&2; exit 1; }
  kill "$server_pid"
  wait "$server_pid" || true
  server_pid=""
  local inserted rows
  inserted=$(echo "$summary" | sed -n 's/.*rows inserted: \([0-9]*\),.*/\1/p')
  rows=$("$bin/appserver" --database "sqlite:$data/translations.sqlite" export --format csv 2>/dev/null |
         tail -n +2 | wc -l)
  echo "$label ($bin): $(echo "$summary" | tail -n 1); $rows rows in the table"
  [ -n "$inserted" ] && [ "$inserted" -gt 0 ] && [ "$rows" -eq "$inserted" ] ||
    { echo "$summary" >&2; echo "$label: $rows rows stored, the capture said ${inserted:-none}" >&2; exit 1; }
  # The catalogs lie where the programs look for them: under pt_BR both speak Portuguese.
  local said
  said=$(LC_ALL=pt_BR.UTF-8 "$bin/capture" --language POR "$data/forms" 2>&1 || true)
  echo "$said" | grep -q "não existe" || { echo "$label: capture does not speak Portuguese: $said" >&2; exit 1; }
  said=$(LC_ALL=pt_BR.UTF-8 "$bin/appserver" bogus 2>&1 || true)
  echo "$said" | grep -q "comando desconhecido" ||
    { echo "$label: appserver does not speak Portuguese: $said" >&2; exit 1; }
}

unpacked="$work/unpacked"
for deb in "$packages"/*.deb; do dpkg-deb -x "$deb" "$unpacked"; done
# The service is verified as installed: the unpacked files over the system's own units, its
# manual page where man looks. A warning fails the check as an error does.
units="$unpacked/usr/lib/systemd/system"
cp -an /lib/systemd/system/. "$units/"
verdict=$(MANPATH="$unpacked/usr/share/man" \
  systemd-analyze verify --root="$unpacked" "$units/vdr-appserver.service" 2>&1) ||
  { echo "$verdict" >&2; exit 1; }
[ -z "$verdict" ] || { echo "systemd-analyze verify: $verdict" >&2; exit 1; }
echo "systemd-analyze verify: vdr-appserver.service passes"
smoke "$unpacked/usr/bin" unpacked-packages

# A build machine: the capture command's package and the server's, nothing of the desktop.
buildmachine="$work/build-machine"
for deb in "$packages"/vdr04000-capture_*.deb "$packages"/vdr04000-server_*.deb; do dpkg-deb -x "$deb" "$buildmachine"; done
if ldd "$buildmachine/usr/bin/capture" | grep -Ei 'not found|Qt6Gui|Qt6Widgets'; then
  echo "the capture command alone lacks a library or needs a GUI one" >&2
  exit 1
fi
smoke "$buildmachine/usr/bin" capture-package-alone

prefix="$work/any/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
# An installation under a prefix writes there only: the environment file too.
outside=$(grep -v "^$prefix/" "$build/install_manifest.txt" || true)
[ -z "$outside" ] || { echo "cmake --install --prefix $prefix wrote outside it: $outside" >&2; exit 1; }
[ -f "$prefix/etc/default/vdr-appserver" ] ||
  { echo "cmake --install --prefix $prefix did not write $prefix/etc/default/vdr-appserver" >&2; exit 1; }
smoke "$prefix/bin" installed-under-a-prefix
