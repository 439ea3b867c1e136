#!/usr/bin/env bash
# Fetches what the real-device-path virtual machine boots, into CACHE (scripts/setup passes
# build/realpath-cache): Debian's own kernel, busybox and udev, downloaded with
# `apt-get download` and unpacked with dpkg-deb, nothing installed on this machine. Builds
# CACHE/vmlinuz, CACHE/initramfs.gz (busybox, the init script of this folder and the kernel
# modules for virtio-9p, overlayfs, the dummy USB controller, the HID gadget and usbhid) and
# CACHE/udev (the udev package unpacked, laid into the guest's root at boot).
# Usage: prepare.sh CACHE        (does nothing when CACHE is complete for these packages)
set -euo pipefail
cache=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$cache/debs"
cache=$(cd "$cache" && pwd)

# The kernel flavour's current package (linux-image-amd64 depends on it).
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}'
}
kpkg=$(kernel_package)
if [ -z "$kpkg" ]; then
    apt-get update -qq >/dev/null
    kpkg=$(kernel_package)
fi
[ -n "$kpkg" ] || { echo "prepare.sh: apt knows no linux-image-amd64" >&2; exit 1; }
packages=("$kpkg" busybox-static udev)
want="$(printf '%s\n' "${packages[@]}") $(md5sum "$here/init" | cut -d' ' -f1)"
if [ -f "$cache/stamp" ] && [ "$(cat "$cache/stamp")" = "$want" ] &&
    [ -f "$cache/vmlinuz" ] && [ -f "$cache/initramfs.gz" ] && [ -d "$cache/udev" ]; then
    exit 0
fi

echo "Fetching ${packages[*]} into $cache"
rm -f "$cache"/debs/*.deb
(cd "$cache/debs" && apt-get download -q "${packages[@]}" >/dev/null 2>&1) ||
    (apt-get update -qq >/dev/null && cd "$cache/debs" && apt-get download -q "${packages[@]}" >/dev/null)

work=$(mktemp -d "$cache/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Only the kernel and the module folders the guest loads from (not all 400 MB).
mkdir -p "$work/kernel"
dpkg-deb --fsys-tarfile "$cache"/debs/linux-image-*.deb |
    tar -x -C "$work/kernel" --wildcards './boot/vmlinuz-*' \
        './lib/modules/*/kernel/drivers/virtio/*' './lib/modules/*/kernel/drivers/usb/*' \
        './lib/modules/*/kernel/drivers/hid/*' './lib/modules/*/kernel/net/9p/*' \
        './lib/modules/*/kernel/fs/9p/*' './lib/modules/*/kernel/fs/overlayfs/*' \
        './lib/modules/*/kernel/fs/netfs/*' './lib/modules/*/kernel/fs/fscache/*' \
        './lib/modules/*/kernel/fs/configfs/*'
dpkg-deb -x "$cache"/debs/busybox-static_*.deb "$work/busybox"
rm -rf "$cache/udev"
dpkg-deb -x "$cache"/debs/udev_*.deb "$cache/udev"

kdir=$(echo "$work"/kernel/lib/modules/*)
cp "$work"/kernel/boot/vmlinuz-* "$cache/vmlinuz"

# Every module file by its module name (hid-generic.ko is hid_generic).
declare -A file_of
while IFS= read -r f; do
    name=${f##*/}
    name=${name%.ko}
    file_of[${name//-/_}]=$f
done < <(find "$kdir/kernel" -name '*.ko')
declare -A loaded
order=()
# Appends MODULE to the load order after the modules it depends on.
need() {
    local m=${1//-/_} deps d
    [ -n "${loaded[$m]:-}" ] && return 0
    [ -n "${file_of[$m]:-}" ] || { echo "prepare.sh: no module $m in $kpkg" >&2; exit 1; }
    loaded[$m]=1
    deps=$(tr '\0' '\n' <"${file_of[$m]}" | sed -n 's/^depends=//p' | head -n 1)
    for d in ${deps//,/ }; do
        need "$d"
    done
    order+=("$m")
}
for m in virtio_pci 9pnet_virtio 9p overlay configfs dummy_hcd libcomposite usb_f_hid usbhid \
    hid_generic; do
    need "$m"
done

root=$work/initramfs
mkdir -p "$root"/{bin,dev,proc,sys,modules,newroot}
cp "$work/busybox/bin/busybox" "$root/bin/busybox"
cp "$here/init" "$root/init"
chmod 755 "$root/init" "$root/bin/busybox"
for m in "${order[@]}"; do
    cp "${file_of[$m]}" "$root/modules/$m.ko"
done
printf '%s\n' "${order[@]}" >"$root/modules/order"
(cd "$root" && find . | "$root/bin/busybox" cpio -o -H newc 2>/dev/null | gzip -1) >"$cache/initramfs.gz"
echo "$want" >"$cache/stamp"
rm -f "$cache"/debs/linux-image-*.deb  # 70 MB; vmlinuz and the modules are taken out
echo "VM ready: $cache (${order[*]})"
