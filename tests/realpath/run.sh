#!/usr/bin/env bash
# ctest tst_realpath (label realpath): the real device path in a QEMU virtual machine.
# Fetches the guest's kernel, busybox and udev when missing (prepare.sh), makes the images and
# the expected traces (each command of `commands` on the simulated board with --trace), boots
# Debian's kernel with QEMU (KVM when there is one, else TCG) and runs guest.sh inside, with
# the output folder shared writable: logs/, traces/, screenshots, guest.log, console.log.
# Exit 77 (skipped) only where QEMU cannot run at all.
# Usage: run.sh SOURCE_DIR BUILD_DIR CACHE_DIR OUTPUT_DIR
set -euo pipefail
src=$1
build=$2
cache=$3
out=$4
skip() {
    echo "SKIPPED: $*"
    exit 77
}
qemu=$(command -v qemu-system-x86_64 || true)
[ -n "$qemu" ] || skip "qemu-system-x86_64 is not installed (scripts/setup installs qemu-system-x86)"
[ "$(uname -m)" = x86_64 ] || skip "the virtual machine needs an x86-64 host"
"$qemu" -accel help 2>/dev/null | grep -qxE 'tcg|kvm' || skip "this QEMU has neither TCG nor KVM"
command -v apt-get >/dev/null || [ -f "$cache/stamp" ] ||
    skip "no apt-get to fetch the guest's Debian kernel, busybox and udev"
for p in cli/tessel-cli app/tessel sim/tessel-gadget-board; do
    [ -x "$build/$p" ] || { echo "FAIL: $build/$p is not built" >&2; exit 1; }
done

"$src/tests/realpath/prepare.sh" "$cache"

rm -rf "$out"
mkdir -p "$out/data" "$out/expected" "$out/host"
: >"$out/host/host.ini"  # a profile named on the command line must exist
head -c 1000 /dev/urandom >"$out/data/image-1k.bin"
head -c 61440 /dev/urandom >"$out/data/image-60k.bin"
head -c 1024 /dev/urandom >"$out/data/eeprom.bin"
while read -r name args; do
    [[ -z $name || $name == \#* ]] && continue
    args=${args//@DATA@/$out/data}
    args=${args//@WORK@/$out/host}
    # shellcheck disable=SC2086
    QT_QPA_PLATFORM=offscreen "$build/cli/tessel-cli" --simulate=latency=0 \
        --trace "$out/expected/$name.trace" --profile "$out/host/host.ini" $args \
        >"$out/host/$name.txt" 2>&1 || {
        echo "FAIL: on the simulated board: tessel-cli $args" >&2
        cat "$out/host/$name.txt" >&2
        exit 1
    }
done <"$src/tests/realpath/commands"

cat >"$out/start" <<EOF
export TESSEL_SRC='$src' TESSEL_BUILD='$build' TESSEL_CACHE='$cache' TESSEL_OUT='$out'
/bin/bash "\$TESSEL_SRC/tests/realpath/guest.sh"
echo \$? >"\$TESSEL_OUT/status"
sync
echo o >/proc/sysrq-trigger
sleep 30
EOF
accel=tcg
[ -w /dev/kvm ] && accel=kvm:tcg
echo "booting the virtual machine ($accel)"
booted=$(date +%s)
status=0
timeout 840 "$qemu" -machine "pc,accel=$accel" -m 1536 -smp 2 -nodefaults -no-user-config \
    -display none -monitor none -no-reboot \
    -kernel "$cache/vmlinuz" -initrd "$cache/initramfs.gz" \
    -append "console=ttyS0 loglevel=4 panic=-1 tessel.out=$out tessel.udcs=5" \
    -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$out,mount_tag=out,security_model=none" \
    -serial "file:$out/console.log" || status=$?
cat "$out/guest.log" 2>/dev/null || true
echo "virtual machine: $(($(date +%s) - booted)) s"
if [ "$status" != 0 ]; then
    echo "FAIL: QEMU ended with status $status (124: over 14 minutes); console.log:"
    tail -n 20 "$out/console.log" | tr -cd '\11\12\15\40-\176'
    exit 1
fi
[ -f "$out/status" ] || {
    echo "FAIL: the guest did not finish; console.log:"
    tail -n 20 "$out/console.log" | tr -cd '\11\12\15\40-\176'
    exit 1
}
exit "$(cat "$out/status")"
