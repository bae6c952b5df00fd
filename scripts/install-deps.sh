#!/usr/bin/env bash
# Installs the Debian 12 packages Corvane needs to build, test, benchmark,
# fuzz and lint. Idempotent: asks dpkg first and only calls apt-get for what
# is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-qpa-plugins qt6-svg-dev libsdl2-dev libx11-dev libxtst-dev
    libxkbcommon-dev xkb-data
    xvfb xauth x11-xkb-utils x11-utils xdotool openbox
    libbenchmark-dev clang libclang-rt-14-dev libfuzzer-14-dev clang-format-14
    clang-tidy-14 poppler-utils trayer
    dbus librsvg2-bin file dpkg-dev lintian man-db groff-base libxml2-utils
    desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
