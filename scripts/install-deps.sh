#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Norvane need.
# Does nothing when they are all present already. Needs root (apt-get).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-odbc unixodbc unixodbc-dev tdsodbc libzint-dev libcups2-dev libssl-dev
    libxcb1-dev
    # lupdate and lrelease, and the CMake functions that run them: the catalogue of the
    # texts to translate and the translations built with the programs.
    qt6-tools-dev qt6-l10n-tools
    fonts-liberation
)
if [ "${1:-}" = "--test" ]; then
    # qt6-base-private-dev: the GUI tests queue keys as the window system does.
    # qt6-svg-dev: the asset test draws the scalable icon. appstream, man-db and lintian:
    # the install test validates the metainfo, reads the manual pages and checks the package.
    # qt6-translations-l10n: Qt's own texts in other languages, loaded with a translation.
    packages+=(qt6-base-private-dev qt6-svg-dev zbar-tools poppler-utils cups printer-driver-cups-pdf xvfb xauth
               xdotool imagemagick procps desktop-file-utils appstream man-db lintian dpkg-dev file locales sqlite3
               openssl qt6-translations-l10n)
    # The cross-check client runs on Node.js; keep a Node.js that the machine has.
    command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Installing ${missing[*]} needs root: run this as root (or with sudo)." >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi

# The end-to-end test runs Norvane under en_US.UTF-8, as on a US-English
# workstation: generate that locale when the machine does not have it.
if [ "${1:-}" = "--test" ] && ! grep -qix 'en_US\.utf-\?8' <(locale -a 2>/dev/null); then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Generating the locale en_US.UTF-8 needs root: run this as root (or with sudo)." >&2
        exit 1
    fi
    if grep -qE '^[# ]*en_US\.UTF-8 UTF-8' /etc/locale.gen; then
        sed -i -E 's/^[# ]*(en_US\.UTF-8 UTF-8)/\1/' /etc/locale.gen
    else
        echo 'en_US.UTF-8 UTF-8' >>/etc/locale.gen
    fi
    locale-gen
fi
