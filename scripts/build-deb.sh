#!/bin/sh
# Builds the Debian binary package from a copy of the checkout inside the
# output folder: dpkg-buildpackage writes its results beside the source
# tree and litters the tree with debian/files, obj-* and the like, so both
# stay inside the (git-ignored) output folder and the checkout stays clean.
set -e
out=${1:-build-deb}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
case "$out/" in
    "$root/") echo "build-deb.sh: the output folder must not be the checkout itself" >&2; exit 2 ;;
esac

# Only what this script made before goes; the copy starts afresh.
rm -rf "$out/wirepanel"
rm -f "$out"/wirepanel_* "$out"/wirepanel-dbgsym_* "$out/dpkg-buildpackage.log"
mkdir "$out/wirepanel"
(cd "$root" && tar -cf - --exclude='./build*' --exclude=./.git --exclude=__pycache__ \
    --exclude="./${out#"$root"/}" .) | tar -xf - -C "$out/wirepanel"

echo "building the package in $out (log: $out/dpkg-buildpackage.log)"
if ! (cd "$out/wirepanel" && dpkg-buildpackage -b -us -uc -Jauto) \
        >"$out/dpkg-buildpackage.log" 2>&1; then
    tail -n 40 "$out/dpkg-buildpackage.log" >&2
    echo "build-deb.sh: dpkg-buildpackage failed; the whole log is $out/dpkg-buildpackage.log" >&2
    exit 1
fi
for deb in "$out"/wirepanel_*.deb; do
    echo "wrote $deb"
done
