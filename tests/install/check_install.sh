#!/bin/sh
# Installs the build into a fresh folder as `cmake --install` does for a user
# and checks what lands there: the two commands, the desktop entry and the
# icons, and nothing else of the build (no test or benchmark program); then
# runs what was installed. The folder is removed at the end.
#
# Usage: check_install.sh CMAKE BUILD_DIR SOURCE_DIR APP_ID BINDIR DATADIR
set -eu
CMAKE=$1
BUILD=$2
SOURCE=$3
APP_ID=$4
BINDIR=$5
DATADIR=$6
cd /

PREFIX=$(mktemp -d "${TMPDIR:-/tmp}/drvarden-install.XXXXXX")
PID=
cleanup() {
    if [ -n "$PID" ]; then kill -KILL "$PID" 2>/dev/null || true; fi
    rm -rf "$PREFIX"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >/dev/null

expected=$(LC_ALL=C sort <<EOF
$BINDIR/DrVardenFree
$BINDIR/tonegen
$DATADIR/applications/$APP_ID.desktop
$DATADIR/icons/hicolor/32x32/apps/$APP_ID.png
$DATADIR/icons/hicolor/64x64/apps/$APP_ID.png
EOF
)
actual=$(cd "$PREFIX" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ; expected:
$expected
installed:
$actual"

for size in 32 64; do
    cmp -s "$SOURCE/resources/ProgramIcon$size.png" \
        "$PREFIX/$DATADIR/icons/hicolor/${size}x$size/apps/$APP_ID.png" ||
        fail "the ${size}x$size icon is not ProgramIcon$size.png"
done

desktop="$PREFIX/$DATADIR/applications/$APP_ID.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $APP_ID.desktop"
elif [ -n "${CI:-}" ]; then
    fail "desktop-file-validate is not installed; run scripts/install-deps.sh"
else
    echo "desktop-file-validate is not installed: the desktop entry is not validated"
fi
# The entry starts the installed program and names the installed icon.
grep -qx 'Exec=DrVardenFree' "$desktop" || fail "Exec is not DrVardenFree"
grep -qx "Icon=$APP_ID" "$desktop" || fail "Icon is not $APP_ID"

help=$("$PREFIX/$BINDIR/tonegen" --help) || fail "tonegen --help exited with status $?"
case $help in
Usage:*) ;;
*) fail "tonegen --help prints no usage: $help" ;;
esac

# The program on Qt's offscreen platform with no sound server to reach, so
# that it leaves the user's sound server and volume alone. SIGTERM ends it
# like "Kilépés"; timeout kills it should it hang.
QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent/native SDL_AUDIODRIVER=dummy \
    timeout --foreground -s KILL 30 "$PREFIX/$BINDIR/DrVardenFree" &
PID=$!
sleep 1
kill -TERM "$PID" 2>/dev/null || {
    status=0
    wait "$PID" || status=$?
    PID=
    fail "DrVardenFree ended within a second by itself, with status $status"
}
status=0
wait "$PID" || status=$?
PID=
[ "$status" -eq 0 ] || fail "DrVardenFree exited with status $status after SIGTERM"
echo "installed tree, desktop entry, icons, tonegen and DrVardenFree: ok"
