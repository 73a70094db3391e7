#!/usr/bin/env bash
# Installs, from Debian's packages, everything Quellin needs to build, run and test.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

PACKAGES=(
    build-essential cmake pkg-config
    qtbase5-dev qtmultimedia5-dev libqt5multimedia5-plugins libqt5svg5-dev libqt5sql5-sqlite
    qttools5-dev qttools5-dev-tools qttranslations5-l10n
    libavformat-dev libavcodec-dev libavutil-dev libswresample-dev ffmpeg
    libuchardet-dev libxcb1-dev libfontconfig-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
    musepack-tools
    pulseaudio pulseaudio-utils
    xvfb xauth libxcursor1 fonts-dejavu-core fonts-wqy-microhei
    dbus libglib2.0-bin desktop-file-utils sqlite3 sox
    python3
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$pkg")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
