#!/usr/bin/env bash
# Installs the Debian packages that kdsp builds, tests, demos and packages with.
# Idempotent: runs apt-get only when a package is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake g++ clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  fonts-wqy-microhei socat xvfb xauth python3
  dpkg-dev file help2man librsvg2-bin appstream desktop-file-utils lintian
  libqrencode-dev chromium chromium-driver python3-selenium
  libmosquitto-dev mosquitto mosquitto-clients openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# npm from Debian, unless a Node.js that brings its own npm is installed already (the
# Debian package would conflict with it).
if ! command -v npm >/dev/null 2>&1; then missing+=(npm); fi

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The accessibility rules the browser tests inject (axe-core), at the version the
# lock file pins, into tests/venue/web/node_modules (ignored by git). The only step
# that reaches the npm registry.
WEB_TESTS="$(cd "$(dirname "$0")/.." && pwd)/tests/venue/web"
if [ ! -f "$WEB_TESTS/node_modules/axe-core/axe.min.js" ]; then
  npm ci --prefix "$WEB_TESTS" --ignore-scripts --no-audit --no-fund
fi
