#!/bin/sh
# Installs the Debian 12 packages that building, running and testing need,
# skipping the ones already present. Uses sudo when not run as root.
set -eu

PACKAGES="
build-essential
cmake
pkg-config
clang-format
clang
libclang-rt-14-dev
qt6-base-dev
libsdl2-dev
libpulse-dev
libjpeg62-turbo-dev
libgtest-dev
libgmock-dev
libbenchmark-dev
pulseaudio
pulseaudio-utils
sox
python3
xvfb
x11-apps
fonts-dejavu-core
dpkg-dev
desktop-file-utils
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    SUDO="sudo"
fi

echo "Installing:$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
