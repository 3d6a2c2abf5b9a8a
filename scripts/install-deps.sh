#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Norvane need.
# Does nothing when they are all present already. Needs root (apt-get).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc unixodbc-dev tdsodbc libzint-dev libcups2-dev
    fonts-liberation
)
if [ "${1:-}" = "--test" ]; then
    # qt6-base-private-dev: the GUI tests queue keys as the window system does.
    packages+=(qt6-base-private-dev zbar-tools poppler-utils cups printer-driver-cups-pdf xvfb xauth xdotool
               imagemagick procps desktop-file-utils dpkg-dev file)
    # The cross-check client runs on Node.js; keep a Node.js that the machine has.
    command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Installing ${missing[*]} needs root: run this as root (or with sudo)." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
