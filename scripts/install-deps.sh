#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# calling apt-get only when one of them is missing.
set -e

PACKAGES="
g++
pkg-config
meson
ninja-build
libgtk-3-dev
libxml2-dev
libgtest-dev
python3-pytest
python3-xlib
xvfb
xauth
weston
libweston-10-dev
libgtk-3-bin
xdotool
x11-utils
poppler-utils
librsvg2-bin
locales
x11-apps
netpbm
man-db
groff-base
clang
libclang-rt-14-dev
valgrind
build-essential
dpkg-dev
debhelper
fakeroot
lintian
glib-networking
chromium
chromium-driver
python3-selenium
openssl
"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
        || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
