#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and checks what lands there: the file list, the
# udev rule, the desktop entry and metainfo (validated when the validators are installed), the
# versions, and that the installed program starts and keeps its settings in ~/.config/Tessel/.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

expected='bin/tessel
bin/tessel-cli
lib/udev/rules.d/70-tessel.rules
share/applications/org.tessel.Tessel.desktop
share/doc/tessel/changelog.gz
share/doc/tessel/copyright
share/icons/hicolor/128x128/apps/org.tessel.Tessel.png
share/icons/hicolor/16x16/apps/org.tessel.Tessel.png
share/icons/hicolor/22x22/apps/org.tessel.Tessel.png
share/icons/hicolor/24x24/apps/org.tessel.Tessel.png
share/icons/hicolor/256x256/apps/org.tessel.Tessel.png
share/icons/hicolor/32x32/apps/org.tessel.Tessel.png
share/icons/hicolor/48x48/apps/org.tessel.Tessel.png
share/icons/hicolor/64x64/apps/org.tessel.Tessel.png
share/icons/hicolor/scalable/apps/org.tessel.Tessel.svg
share/man/man1/tessel-cli.1.gz
share/man/man1/tessel.1.gz
share/metainfo/org.tessel.Tessel.metainfo.xml'
# Pages installed by other parts of the program (manual pages) may come on top of these.
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
missing=$(LC_ALL=C comm -23 <(echo "$expected" | LC_ALL=C sort) <(echo "$actual"))
[ -z "$missing" ] || fail "not installed: $missing"
extra=$(LC_ALL=C comm -13 <(echo "$expected" | LC_ALL=C sort) <(echo "$actual") | grep -v '^share/man/' || true)
[ -z "$extra" ] || fail "installed but not expected: $extra"
[ -x "$prefix/bin/tessel" ] && [ -x "$prefix/bin/tessel-cli" ] || fail "programs not executable"

grep -qx 'SUBSYSTEM=="hidraw", ATTRS{idVendor}=="0483", ATTRS{idProduct}=="5750", MODE="0660", GROUP="plugdev", TAG+="uaccess"' \
    "$prefix/lib/udev/rules.d/70-tessel.rules" || fail "udev rule text"
desktop=$prefix/share/applications/org.tessel.Tessel.desktop
grep -qx 'Exec=tessel' "$desktop" || fail "desktop entry command"
grep -qx 'Icon=org.tessel.Tessel' "$desktop" || fail "desktop entry icon"
grep -q '<release version="1.0.1"' "$prefix/share/metainfo/org.tessel.Tessel.metainfo.xml" ||
    fail "metainfo release"
gzip -t "$prefix/share/man/man1/tessel.1.gz" || fail "manual page"
head -c 8 "$prefix/share/icons/hicolor/16x16/apps/org.tessel.Tessel.png" | od -An -tx1 |
    grep -q '89 50 4e 47 0d 0a 1a 0a' || fail "icon is not a PNG"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/org.tessel.Tessel.metainfo.xml" \
        >/dev/null || fail "appstreamcli validate"
fi

[ "$("$prefix/bin/tessel" --version)" = "tessel 1.0.1" ] || fail "tessel --version"
[ "$("$prefix/bin/tessel-cli" --version)" = "tessel-cli 1.0.1" ] || fail "tessel-cli --version"

# The installed program, started as the menu entry starts it (its Exec line, found on PATH),
# on the simulated board; asked to end, it closes its window and writes its settings.
mkdir -p "$work/home" "$work/tmp"
(
    export HOME=$work/home TMPDIR=$work/tmp QT_QPA_PLATFORM=offscreen PATH=$prefix/bin:$PATH
    unset XDG_CONFIG_HOME
    exec "$(sed -n 's/^Exec=//p' "$desktop")" --simulate=latency=0
) &
pid=$!
settings=$work/home/.config/Tessel/Parameters.ini
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the installed program did not keep running"
kill -TERM "$pid"
wait "$pid" || fail "the installed program did not end cleanly"
[ -f "$settings" ] || fail "no settings in ~/.config/Tessel/"
grep -q '^m_ictype=0' "$settings" || fail "chip selection not saved"
[ ! -e "$prefix/bin/Parameters.ini" ] || fail "settings written next to the installed program"
echo "install tree OK"
