#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the desktop need, when missing, and
# any further packages named as arguments (the fuzzing script's clang, say).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n qt6-l10n-tools qt6-tools-dev rapidjson-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # TLS: Qt's OpenSSL backend loads libssl at run time, clients trust the system's CA certificates
  # unless given a CA file, and the tests make their certificates with the openssl command.
  libssl3 ca-certificates openssl
  xvfb xauth
  fonts-wine fonts-liberation2
  openbox xdotool xclip imagemagick python3-xlib
  # The check reports' test validates SARIF and JUnit XML against their schemas, and renders the
  # HTML page in a browser, reading it back as printed.
  python3-jsonschema libxml2-utils chromium poppler-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
