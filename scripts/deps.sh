#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Quillary builds, runs and tests with.
# Idempotent: it only calls apt-get when something is missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    libsqlitecpp-dev libsqlite3-dev mdbtools-dev
    fonts-liberation2 fonts-dejavu-core fonts-noto-cjk
    clang-format
    desktop-file-utils appstream dpkg-dev file lintian
    xvfb openbox xdotool x11-utils sqlite3
    python3-vobject qtkeychain-qt6-dev radicale xandikos
    dbus-daemon gnome-keyring libsecret-tools openssl
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]} (run as root, or install them with sudo apt-get install)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
