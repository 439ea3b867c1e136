# The window program on the real path, under Xvfb inside the virtual machine (sourced by
# guest.sh; board A is plugged in on dummy_udc.0). It must find the board, write an image with
# one key, show the board pulled out, and reconnect by itself when the board comes back. The
# messages are read back through the window's own "保存日志…"; screenshots go to OUT/window/.
# Places in the 1280 x 820 main window (below its menu bar): the buttons "打开文件" and
# "一键写Flash" and the messages list, and the second entry of its context menu opened there.
open_file_button=(73 173)
write_button=(73 201)
message_list=(560 600)
save_entry=(600 633)

shots=$out/window
mkdir -p "$shots" /tmp/window-home
Xvfb :7 -screen 0 1280x900x24 -nolisten tcp >"$out/logs/xvfb.txt" 2>&1 &
xvfb=$!
export DISPLAY=:7
for ((i = 0; i < 100; i++)); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.2
done
# The settings next to the program (in the overlay): chip KR4121.
printf '[InitParameters]\r\nm_ictype=0\r\n' >"$build/app/Parameters.ini"
HOME=/tmp/window-home "$build/app/tessel" >"$out/logs/window.txt" 2>&1 &
window=$!
main=$(timeout 120 xdotool search --sync --name '调试烧录' 2>/dev/null | head -n 1)

click() { xdotool mousemove --window "$main" "$1" "$2" sleep 0.3 click "${3:-1}"; }
shot() { import -window root "$shots/$1.png"; }
# dialog TITLE PATH: types PATH into the file dialog TITLE and accepts it.
dialog() {
    local d
    d=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$d" ] || return 1
    sleep 0.5
    # Typed as real input: keys sent to a window carry a made-up time that can lie ahead of the
    # server's, and Qt then fails to grab the pointer for the next context menu.
    xdotool windowfocus --sync "$d"
    xdotool key ctrl+a
    xdotool type --delay 10 "$2"
    xdotool key Return
}
saves=0
log=
# Saves the messages list to a new file, $log.
save_log() {
    local i
    log=$shots/messages-$((++saves)).txt
    click "${message_list[@]}" 3
    sleep 1
    click "${save_entry[@]}"
    dialog "另存为" "$log" >/dev/null || return 1
    for ((i = 0; i < 50; i++)); do
        [ -s "$log" ] && return 0
        sleep 0.2
    done
    return 1
}
# window_says TEXT [AFTER]: true once the messages list has a line with TEXT (after the last
# line with AFTER, when given); tries for about a minute.
window_says() {
    local i
    for ((i = 0; i < 15; i++)); do
        if ! save_log; then
            xdotool key Escape  # a menu or dialog left open
        elif [ -n "${2:-}" ]; then
            awk -v after="$2" 'index($0, after) {n = NR} {line[NR] = $0}
                END {for (i = n + 1; i <= NR; i++) print line[i]}' "$log" | grep -qF -- "$1" && return 0
        else
            grep -qF -- "$1" "$log" && return 0
        fi
        sleep 2
    done
    return 1
}

if [ -z "$main" ]; then
    fail "the window: no main window within 2 minutes: $(tail -n 5 "$out/logs/window.txt")"
else
    if window_says "与下位机USB通信建立成功!" && grep -qF "发现USB设备!" "$log"; then
        pass "the window finds the board (\"发现USB设备!\") and its version"
    else
        fail "the window does not find the board (${log##*/})"
    fi
    shot found
    click "${open_file_button[@]}"
    dialog "打开" "$out/data/image-1k.bin" || fail "the window: no file dialog"
    window_says "CheckSum Value" || fail "the window did not load the image"
    click "${write_button[@]}"
    window_says "芯片烧录成功!" && pass "the window: one-key write of 1000 bytes ends in \"芯片烧录成功!\"" ||
        fail "the window: the one-key write did not succeed (${log##*/})"
    shot write-ok
    unplug A
    window_says "设备被拔出" && pass "the window shows \"设备被拔出\" when the board is unplugged" ||
        fail "the window: nothing said when the board was unplugged (${log##*/})"
    shot pulled-out
    plug A 0
    node_of TSL0001 >/dev/null
    if window_says "与下位机USB通信建立成功!" "设备被拔出" &&
        awk 'index($0, "设备被拔出") {n = NR} n && NR > n' "$log" |
        grep -qF "发现USB设备!"; then
        pass "the window reconnects by itself when the board is plugged in again"
    else
        fail "the window did not reconnect after the board came back (${log##*/})"
    fi
    shot reconnected
fi
kill -TERM "$window" 2>/dev/null
wait "$window" 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
unset DISPLAY
note "window done"
