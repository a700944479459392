#!/usr/bin/env bash
# Installs what the program, its virtual transceiver and its tests need on Debian 12
# (Hamlib's rigctl and rigctld, WSJT-X, fldigi and grig are the real clients the rigctld-compatible
# server is tried with; PulseAudio gives WSJT-X a sound device, xdotool plays the operator;
# help2man makes the manual pages; qt6-translations-l10n has Qt's own texts in French;
# lintian, desktop-file-utils and appstream check the package; at-spi2-core, python3-pyatspi and
# a private D-Bus session read the panel as a screen reader does).
# Run as root; running it again installs nothing new.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev qt6-translations-l10n libgl-dev
    fonts-liberation fonts-dejavu-core
    xvfb xauth
    libhamlib-utils dpkg-dev
    help2man lintian desktop-file-utils appstream
    wsjtx fldigi grig pulseaudio pulseaudio-utils xdotool
    at-spi2-core python3-pyatspi dbus-daemon dbus-bin
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
