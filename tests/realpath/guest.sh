#!/usr/bin/env bash
# The real device path, checked inside the virtual machine that run.sh boots (as root, on the
# host's root read-only under a tmpfs overlay). Each programmer board is a USB HID gadget on a
# dummy USB controller (vendor 0x0483, product 0x5750, 64-byte reports without report ID)
# served by tessel-gadget-board; the kernel's usbhid driver makes its /dev/hidrawN, udev
# applies the packaged rule, and tessel-cli and tessel reach it through hidapi as on a cable.
# Environment: TESSEL_SRC, TESSEL_BUILD, TESSEL_CACHE, TESSEL_OUT (run.sh's start script).
# Prints "ok: ..." or "FAIL: ..." per check; exit status 0 when every check passed.
set -uo pipefail
src=$TESSEL_SRC
build=$TESSEL_BUILD
out=$TESSEL_OUT
cli=$build/cli/tessel-cli
gadget_board=$build/sim/tessel-gadget-board
export LANG=C.UTF-8 LC_ALL=C.UTF-8 HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin
unset DISPLAY
work=/tmp/realpath
mkdir -p "$work" "$out/logs" "$out/traces"
# The same settings as the host's run of the simulated board (an empty profile: defaults).
: >"$work/guest.ini"
failures=0
started=$(date +%s)
pass() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
note() { echo "-- [$(($(date +%s) - started)) s] $*"; }
. "$src/tests/realpath/gadget.sh"

# --- udev from Debian's package, with the rule as the package installs it -------------------
tar -C "$TESSEL_CACHE/udev" -cf - . | tar -C / --keep-directory-symlink -xf -
note "udev unpacked"
install -m 644 "$src/packaging/70-tessel.rules" /usr/lib/udev/rules.d/70-tessel.rules
/lib/systemd/systemd-udevd --daemon
udevadm settle -t 30  # the boards come later, each waited for with udevadm wait
useradd -M -N -u 4001 -G plugdev lineop
useradd -M -N -u 4002 visitor
note "udev up"

# Runs tessel-cli with the arguments; its output goes to logs/NAME.txt, its status to $rc.
cli_run() {
    local name=$1
    shift
    "$cli" "$@" >"$out/logs/$name.txt" 2>&1 </dev/null
    rc=$?
}
# True when logs/NAME.txt has a line containing TEXT.
said() { grep -qF -- "$2" "$out/logs/$1.txt"; }

# --- one board, and a board of another release ------------------------------------------------
make_gadget A TSL0001 0x0200
make_gadget C TSL0201 0x0201
plug A 0
plug C 1
start_board A
start_board C
node_a=$(node_of TSL0001)
node_c=$(node_of TSL0201)
note "boards A ($node_a) and C ($node_c) plugged in"

cli_run list list
if [ "$rc" = 0 ] && grep -qE "^$node_a +serial=TSL0001 +release=0x0200 +ok$" "$out/logs/list.txt"; then
    pass "list: $node_a with serial TSL0001, release 0x0200, ok"
else
    fail "list: board A not listed as usable (exit $rc): $(cat "$out/logs/list.txt")"
fi
if grep -qE "^$node_c +serial=TSL0201 +release=0x0201 .*not the board's 0x0200" "$out/logs/list.txt"; then
    pass "list: the board with release 0x0201 is listed as unusable"
else
    fail "list: board C (release 0x0201) not listed as unusable: $(cat "$out/logs/list.txt")"
fi

# --- the commands, byte for byte as on the simulated board ------------------------------------
while read -r name args; do
    [[ -z $name || $name == \#* ]] && continue
    args=${args//@DATA@/$out/data}
    args=${args//@WORK@/$work}
    before=$(trace_lines A)
    t0=$(date +%s)
    # shellcheck disable=SC2086
    cli_run "$name" --profile "$work/guest.ini" $args
    expected=$out/expected/$name.trace
    wait_trace A $((before + $(wc -l <"$expected")))
    tail -n +$((before + 1)) "$work/A.trace" >"$out/traces/$name.trace"
    if [ "$rc" != 0 ]; then
        fail "$name: exit $rc: $(tail -n 3 "$out/logs/$name.txt")"
    elif ! cmp -s "$expected" "$out/traces/$name.trace"; then
        fail "$name: the board received other reports than the simulated board (traces/$name.trace" \
            "$(wc -l <"$out/traces/$name.trace") lines, expected/$name.trace $(wc -l <"$expected"))"
    else
        pass "$name: exit 0, $(wc -l <"$expected") reports identical to --simulate --trace" \
            "($(($(date +%s) - t0)) s)"
    fi
done <"$src/tests/realpath/commands"
note "commands done"
cmp -s "$out/data/eeprom.bin" "$work/eeprom.bin" && pass "eeprom-read gives back what eeprom-write wrote" ||
    fail "eeprom-read does not give back what eeprom-write wrote"
cmp -s -n 1000 "$out/data/image-1k.bin" "$work/flash.bin" &&
    pass "read-flash gives back the 1000-byte image" || fail "read-flash does not give back the image"
[ "$(trace_lines C)" = 0 ] && pass "the release 0x0201 board was never written to" ||
    fail "the release 0x0201 board received $(trace_lines C) reports"

# --- permissions from the packaged rule -------------------------------------------------------
mode=$(stat -c '%a %U %G' "$node_a")
[ "$mode" = "660 root plugdev" ] && pass "$node_a: mode 660, group plugdev (the packaged rule)" ||
    fail "$node_a: $mode, not 660 root plugdev"
home_of() { mkdir -p "/tmp/home-$1" && chown "$1" "/tmp/home-$1" && echo "/tmp/home-$1"; }
HOME=$(home_of visitor) setpriv --reuid=visitor --regid=users --init-groups \
    "$cli" power off >"$out/logs/visitor.txt" 2>&1
rc=$?
if [ "$rc" = 3 ] && said visitor "找到编程器但没有打开它的权限" && said visitor "usermod -aG plugdev"; then
    pass "a user outside plugdev: the permission message and exit 3"
else
    fail "a user outside plugdev: exit $rc: $(cat "$out/logs/visitor.txt")"
fi
HOME=$(home_of lineop) setpriv --reuid=lineop --regid=users --init-groups \
    "$cli" power off >"$out/logs/lineop.txt" 2>&1
rc=$?
[ "$rc" = 0 ] && pass "a user in plugdev switches the supply (exit 0)" ||
    fail "a user in plugdev: exit $rc: $(cat "$out/logs/lineop.txt")"
note "permissions done"

# --- a silent board, a board of the wrong version ---------------------------------------------
make_gadget S TSL0003 0x0200
make_gadget W TSL0004 0x0200
plug S 2
plug W 3
start_board S silent-after=4
start_board W wrong-version
node_of TSL0003 >/dev/null
node_of TSL0004 >/dev/null
t0=$(date +%s)
cli_run silent read-flash --chip 10 --device TSL0003 -o "$work/silent.bin" --profile "$work/guest.ini"
if [ "$rc" = 1 ] && said silent "等待数据超时!" && [ $(($(date +%s) - t0)) -lt 120 ]; then
    pass "a silent board: \"等待数据超时!\" and exit 1 after $(($(date +%s) - t0)) s"
else
    fail "a silent board: exit $rc: $(tail -n 3 "$out/logs/silent.txt")"
fi
cli_run wrong-version read-flash --chip 10 --device TSL0004 -o "$work/w.bin" --profile "$work/guest.ini"
if [ "$rc" = 1 ] && said wrong-version "下位机版本错误，请使用正确的版本!"; then
    pass "a board of the wrong version is refused (exit 1)"
else
    fail "a board of the wrong version: exit $rc: $(cat "$out/logs/wrong-version.txt")"
fi
remove_gadget S
remove_gadget W
note "silent and wrong-version boards done"

# --- two boards -------------------------------------------------------------------------------
make_gadget B TSL0002 0x0200
plug B 4
start_board B
node_b=$(node_of TSL0002)
cli_run two-boards power off
if [ "$rc" = 2 ] && said two-boards "TSL0001" && said two-boards "TSL0002"; then
    pass "two boards: a command without --device is refused (exit 2) naming both"
else
    fail "two boards without --device: exit $rc: $(cat "$out/logs/two-boards.txt")"
fi
before_a=$(trace_lines A)
before_b=$(trace_lines B)
cli_run device-serial power off --device TSL0002
sleep 0.5
if [ "$rc" = 0 ] && [ "$(trace_lines A)" = "$before_a" ] && [ "$(trace_lines B)" -gt "$before_b" ]; then
    pass "--device TSL0002 works on board B alone"
else
    fail "--device TSL0002: exit $rc, A $before_a -> $(trace_lines A), B $before_b -> $(trace_lines B)"
fi
before_a=$(trace_lines A)
before_b=$(trace_lines B)
cli_run device-path power off --device "$node_a"
sleep 0.5
if [ "$rc" = 0 ] && [ "$(trace_lines A)" -gt "$before_a" ] && [ "$(trace_lines B)" = "$before_b" ]; then
    pass "--device $node_a works on board A alone"
else
    fail "--device $node_a: exit $rc, A $before_a -> $(trace_lines A), B $before_b -> $(trace_lines B)"
fi
unplug B
note "two boards done"

# --- unplugged in the middle of a write, plugged in again -------------------------------------
before=$(trace_lines A)
"$cli" program "$out/data/image-60k.bin" --chip 10 --profile "$work/guest.ini" \
    >"$out/logs/unplug.txt" 2>&1 </dev/null &
writer=$!
wait_trace A $((before + 300))
unplug A
t0=$(date +%s%N)
wait "$writer"
rc=$?
ms=$((($(date +%s%N) - t0) / 1000000))
if [ "$rc" = 3 ] && said unplug "设备被拔出" && [ "$ms" -le 2000 ]; then
    pass "unplugged during a 60 KB write: \"设备被拔出\" and exit 3 after $ms ms"
else
    fail "unplugged during a 60 KB write: exit $rc after $ms ms: $(tail -n 3 "$out/logs/unplug.txt")"
fi
sleep 0.5
plug A 0
node_a=$(node_of TSL0001)
cli_run replugged program "$out/data/image-1k.bin" --chip 10 --profile "$work/guest.ini"
[ "$rc" = 0 ] && said replugged "芯片烧录成功!" && pass "plugged in again: the next write succeeds" ||
    fail "plugged in again: exit $rc: $(tail -n 3 "$out/logs/replugged.txt")"
note "unplug done"

# --- two programs on one board ----------------------------------------------------------------
before=$(trace_lines A)
"$cli" debug --chip 5 --seconds 6 --csv "$work/holder.csv" --profile "$work/guest.ini" \
    >"$out/logs/holder.txt" 2>&1 </dev/null &
holder=$!
wait_trace A $((before + 4))  # the debug run streams: the board is taken
cli_run second power off --profile "$work/guest.ini"
wait "$holder"
holder_rc=$?
if [ "$rc" = 3 ] && said second "正被另一个程序使用" && said second "$holder"; then
    pass "a second program on the board is refused (exit 3) naming process $holder"
else
    fail "a second program on the board: exit $rc (needs the board lock): $(tail -n 2 "$out/logs/second.txt")"
fi
[ "$holder_rc" = 0 ] && pass "the first program's debug run succeeds meanwhile" ||
    fail "the first program's debug run: exit $holder_rc: $(tail -n 3 "$out/logs/holder.txt")"
note "lock done"

# --- the window -------------------------------------------------------------------------------
unplug A  # a fresh board, whatever the checks before left it doing
sleep 0.5
plug A 0
node_of TSL0001 >/dev/null
. "$src/tests/realpath/window.sh"

# --- what the boards received -----------------------------------------------------------------
for b in A B C; do
    stop_board "$b"
done
bad=$(cat "$work"/*.trace | awk 'NF != 65' | wc -l)
[ "$bad" = 0 ] && grep -q "wrong-length=0 " "$work/A.counts" &&
    pass "every report reached the boards with 64 bytes ($(grep -h . "$work/A.counts"))" ||
    fail "$bad reports were not 64 bytes long: $(cat "$work"/*.counts)"
cp "$work"/*.trace "$work"/*.counts "$out/traces/"

note "$failures failed"
exit $((failures > 0))
