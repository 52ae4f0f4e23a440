#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, and any named as
# arguments, if any is missing.
set -euo pipefail
# Qt Charts' CMake files need Qt's OpenGL ones, which its package does not pull in. The
# report tests read PDFs back with poppler-utils and check HTML with xmllint (libxml2-utils);
# the report is drawn in DejaVu Sans.
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
          libjpeg62-turbo-dev libmodbus-dev pkgconf libgl-dev xvfb xauth fonts-dejavu-core poppler-utils
          libxml2-utils "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
