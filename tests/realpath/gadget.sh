# Programmer boards as USB HID gadgets, for guest.sh (sourced; needs $work, $gadget_board).
# A board NAME is a gadget in configfs; plugging it in binds it to a dummy USB controller,
# pulling it out unbinds it (the gadget and the board program on its /dev/hidgN stay).

gadgets=/sys/kernel/config/usb_gadget
declare -A board_pid

# The HID report descriptor: vendor page 0xFF00, 64-byte input and output reports, no ID.
report_descriptor='\x06\x00\xff\x09\x01\xa1\x01'
report_descriptor+='\x09\x01\x15\x00\x26\xff\x00\x75\x08\x95\x40\x81\x02'
report_descriptor+='\x09\x01\x15\x00\x26\xff\x00\x75\x08\x95\x40\x91\x02\xc0'

# make_gadget NAME SERIAL BCDDEVICE
make_gadget() {
    local g=$gadgets/$1
    mkdir "$g" "$g/strings/0x409" "$g/functions/hid.board" "$g/configs/c.1"
    echo 0x0483 >"$g/idVendor"
    echo 0x5750 >"$g/idProduct"
    echo "$3" >"$g/bcdDevice"
    echo 0x0200 >"$g/bcdUSB"
    echo "$2" >"$g/strings/0x409/serialnumber"
    echo "Tessel" >"$g/strings/0x409/manufacturer"
    echo "USB programmer" >"$g/strings/0x409/product"
    local f=$g/functions/hid.board
    echo 0 >"$f/protocol"
    echo 0 >"$f/subclass"
    echo 64 >"$f/report_length"
    printf "$report_descriptor" >"$f/report_desc"
    ln -s "$f" "$g/configs/c.1/"
}

# plug NAME K: binds the gadget to dummy_udc.K.
plug() { echo "dummy_udc.$2" >"$gadgets/$1/UDC"; }
# unplug NAME
unplug() { echo "" >"$gadgets/$1/UDC"; }

# The /dev/hidgN of a gadget (its function's minor number).
hidg_of() { echo "/dev/hidg$(cut -d: -f2 <"$gadgets/$1/functions/hid.board/dev")"; }

# node_of SERIAL: waits (30 s) until the board's /dev/hidrawN is there and udev has applied
# its rules to it (udevadm settle can return before that), then prints it.
node_of() {
    local h i
    for ((i = 0; i < 300; i++)); do
        for h in /sys/class/hidraw/hidraw*; do
            if [ "$(cat "$h/device/../../serial" 2>/dev/null)" = "$1" ]; then
                udevadm wait -t 30 "/dev/${h##*/}" && echo "/dev/${h##*/}"
                return
            fi
        done
        sleep 0.1
    done
    echo "no hidraw node for $1" >&2
    echo /dev/null
}

# start_board NAME [SIMULATE-OPTIONS]: the board program on the gadget's node; it starts
# afresh whenever the gadget is pulled out.
start_board() {
    local node i
    node=$(hidg_of "$1")
    for ((i = 0; i < 100; i++)); do
        [ -c "$node" ] && break
        sleep 0.1
    done
    : >"$work/$1.trace"
    "$gadget_board" "--simulate=${2:-}" --trace "$work/$1.trace" --gadget "$gadgets/$1" "$node" \
        >"$work/$1.counts" 2>&1 &
    board_pid[$1]=$!
}
stop_board() {
    [ -n "${board_pid[$1]:-}" ] || return 0
    kill -TERM "${board_pid[$1]}" 2>/dev/null
    wait "${board_pid[$1]}" 2>/dev/null
    unset "board_pid[$1]"
}

# remove_gadget NAME: pulls the board out and takes its gadget apart (the kernel offers only
# four HID gadget functions at a time).
remove_gadget() {
    local g=$gadgets/$1
    stop_board "$1"
    [ -z "$(cat "$g/UDC")" ] || unplug "$1"
    rm "$g/configs/c.1/hid.board"
    rmdir "$g/configs/c.1" "$g/functions/hid.board" "$g/strings/0x409" "$g"
}

trace_lines() { wc -l <"$work/$1.trace"; }
# wait_trace NAME N: until the board received N reports since it started (60 s at most).
wait_trace() {
    local i
    for ((i = 0; i < 600; i++)); do
        [ "$(trace_lines "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}
