#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Non-interactive and idempotent; run as root (or through sudo).
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libwxgtk3.2-dev libgtk-3-dev fonts-dejavu-core
  unixodbc unixodbc-dev odbcinst libsqliteodbc
  libsqlite3-dev sqlite3
  libsodium-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool imagemagick libx11-dev
  debhelper dpkg-dev lintian
  clang libclang-rt-14-dev libfuzzer-14-dev
  freetds-bin tdsodbc python3-pyodbc python3-tds
  dbus dbus-x11 at-spi2-core python3-pyatspi
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
