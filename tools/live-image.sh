#!/usr/bin/env bash
# Tavrin Live: a stick image that boots a till with Secure Boot on (shim
# signed by the UEFI CA, Debian's signed GRUB and kernel), on UEFI without
# it and on BIOS, and runs the Tavrin window on the till's own keyboard.
#
#   tools/live-image.sh            writes dist/tavrin-live-VERSION-amd64.img
#
# Built from Debian 12's packages and dist/tavrin_*_amd64.deb (run
# tools/package.sh first), with every date taken from SOURCE_DATE_EPOCH
# (default: the last commit's). The image is an ISO 9660 hybrid: partition
# 2 is the EFI system partition, partition 3 the writable FAT "TAVRIN" for
# profiles, backups, reports and the log.
#   TAVRIN_LIVE_CACHE   where the boot loaders' packages and the day's
#                       root are kept (default /var/cache/tavrin-live)

# The live system's root, from mmdebstrap's customize hook.
if [ "${1:-}" = --root ]; then
    set -eu
    r=$2
    chroot "$r" useradd --create-home --uid 1000 --shell /bin/sh tavrin
    echo tavrin-live >"$r/etc/hostname"
    printf '127.0.0.1 localhost\n127.0.1.1 tavrin-live\n' >"$r/etc/hosts"
    # The stick's data partition: not there (the image copied without it)
    # must not hold the boot up.
    mkdir -p "$r/media/TAVRIN"
    echo "LABEL=TAVRIN /media/TAVRIN vfat rw,nofail,x-systemd.device-timeout=30s,uid=1000,gid=1000,fmask=0113,dmask=0002,flush 0 0" >>"$r/etc/fstab"
    # A live system: nothing to fetch, nothing kept between boots in /var.
    rm -rf "$r"/var/lib/apt/lists/* "$r"/var/cache/apt/*.bin "$r"/var/cache/apt/archives/*.deb
    : >"$r/etc/machine-id"
    exit 0
fi

set -euo pipefail
cd "$(dirname "$0")/.."
tree=$PWD
start=$SECONDS
deb=$(ls "$tree"/dist/tavrin_*_amd64.deb 2>/dev/null | tail -n 1)
[ -n "$deb" ] || { echo "live-image: no dist/tavrin_*_amd64.deb; run tools/package.sh first" >&2; exit 2; }
version=$(dpkg-deb -f "$deb" Version)
out=$tree/dist/tavrin-live-$version-amd64.img
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
tools/install-deps.sh mmdebstrap squashfs-tools xorriso mtools dosfstools grub-common
work=$(mktemp -d /tmp/tavrin-live.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The boot loaders, unpacked rather than installed: the build machine's own
# boot stays as it is.
cache=${TAVRIN_LIVE_CACHE:-/var/cache/tavrin-live}
mkdir -p "$cache"
(cd "$cache" && apt-get download -q shim-signed grub-efi-amd64-signed grub-pc-bin 2>&1 | grep -v "unsandboxed" || :)
for p in shim-signed grub-efi-amd64-signed grub-pc-bin; do
    dpkg-deb -x "$(ls "$cache/${p}"_*.deb | tail -n 1)" "$work/boot"
done
echo "live-image: $(basename "$deb"), $(cd "$cache" && ls shim-signed_*.deb grub-efi-amd64-signed_*.deb | tr '\n' ' ')"

# The system: the same packages on the same day are the same, so a root
# built today is taken again (TAVRIN_LIVE_FRESH=1 builds it anew); the live
# session's own files go in on every build.
packages=linux-image-amd64,live-boot,systemd-sysv,udev,dbus,polkitd,pkexec,procps,kmod,xserver-xorg-core,xserver-xorg-input-libinput,xserver-xorg-video-fbdev,xinit,openbox,x11-utils,x11-xserver-utils,xfonts-base,fonts-dejavu-core,kbd,console-setup-linux
# Tavrin's own package goes in on every build (its dependencies with the root).
packages=$packages,$(dpkg-deb -f "$deb" Depends | sed 's/ *([^)]*)//g; s/, */,/g')
key=$( (echo "$packages $(date -u +%F)"; sed -n '/^if \[ "${1:-}" = --root/,/^fi/p' "$0") | sha256sum | cut -c1-16)
root=$cache/root-$key
if [ ! -d "$root" ] || [ "${TAVRIN_LIVE_FRESH:-0}" = 1 ]; then
    rm -rf "$cache"/root-*
    mmdebstrap --variant=apt --mode=root --include="$packages" \
        --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
        --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-include=/usr/share/doc/tavrin/*' \
        --customize-hook="'$tree/tools/live-image.sh' --root \"\$1\"" \
        bookworm "$work/root" "deb http://deb.debian.org/debian bookworm main" \
        "deb http://deb.debian.org/debian bookworm-updates main" \
        "deb http://deb.debian.org/debian-security bookworm-security main" >"$work/mmdebstrap.log" 2>&1 ||
        { tail -n 30 "$work/mmdebstrap.log"; exit 1; }
    mv "$work/root" "$root"
    echo "live-image: root built in $((SECONDS - start)) s"
else
    echo "live-image: the root built today from the same packages, $root"
fi
cp "$deb" "$root/tmp/tavrin.deb"
chroot "$root" dpkg -i /tmp/tavrin.deb >/dev/null
rm "$root/tmp/tavrin.deb"
# What the install logs would date the root by.
rm -rf "$root"/var/log/dpkg.log "$root"/var/log/apt/* "$root"/var/lib/dpkg/*-old "$root"/var/cache/debconf/*-old
live=packaging/live
install -D -m 0755 "$live/tavrin-live" "$root/usr/lib/tavrin-live/tavrin-live"
install -m 0644 "$live/openbox.xml" "$root/usr/lib/tavrin-live/"
install -m 0644 "$live/50-tavrin-live.rules" "$root/etc/polkit-1/rules.d/"
install -m 0644 "$live/tavrin-live.service" "$root/etc/systemd/system/"
ln -sf /etc/systemd/system/tavrin-live.service "$root/etc/systemd/system/multi-user.target.wants/"

# The ISO's tree: the kernel, its initramfs (live-boot's), the root.
iso=$work/iso
mkdir -p "$iso/live" "$iso/boot/grub" "$iso/.disk"
cp "$(ls "$root"/boot/vmlinuz-* | tail -n 1)" "$iso/live/vmlinuz"
cp "$(ls "$root"/boot/initrd.img-* | tail -n 1)" "$iso/live/initrd.img"
# The squashed root, again only when the root, the package or the session's
# files changed.
squash=$cache/filesystem-$( (echo "$key"; cat "$0" "$deb" "$live"/tavrin-live "$live"/openbox.xml "$live"/*.rules "$live"/*.service) | sha256sum | cut -c1-16).squashfs
if [ ! -f "$squash" ]; then
    rm -f "$cache"/filesystem-*.squashfs
    # zstd: a fifth of xz's time here for a quarter more bytes. ACLs are
    # not kept (the root sets none); file capabilities are.
    mksquashfs "$root" "$squash.part" -noappend -no-progress -quiet \
        -comp zstd -Xcompression-level 15 -b 1M -e boot -all-time "$SOURCE_DATE_EPOCH" 2>&1 |
        grep -v "Unrecognised xattr prefix system.posix_acl" || :
    mv "$squash.part" "$squash"
fi
cp "$squash" "$iso/live/filesystem.squashfs"
echo "live-image: squashed in $((SECONDS - start)) s"
cp packaging/live/grub.cfg "$iso/boot/grub/grub.cfg"
echo "Tavrin Live $version" >"$iso/.disk/info"

# BIOS: GRUB's El Torito image, finding the medium as the signed EFI GRUB does.
printf 'search --no-floppy --file --set=root /.disk/info\nset prefix=($root)/boot/grub\n' >"$work/bios.cfg"
grub-mkimage -O i386-pc-eltorito -d "$work/boot/usr/lib/grub/i386-pc" -p /boot/grub \
    -c "$work/bios.cfg" -o "$iso/boot/grub/bios.img" \
    biosdisk iso9660 part_gpt part_msdos fat search search_fs_file search_label normal \
    configfile linux test echo

# UEFI: shim as the removable-media loader, Debian's signed GRUB (the one
# for optical and hybrid media) beside it as shim expects.
fat() { mkfs.vfat --invariant -i "$2" -n "$3" -C "$1" "$4" >/dev/null; }
fat "$work/efi.img" 7A5B0EF1 TAVRIN-EFI 8192
mmd -i "$work/efi.img" ::/EFI ::/EFI/BOOT
mcopy -i "$work/efi.img" "$work/boot/usr/lib/shim/shimx64.efi.signed" ::/EFI/BOOT/BOOTX64.EFI
mcopy -i "$work/efi.img" "$work/boot/usr/lib/grub/x86_64-efi-signed/gcdx64.efi.signed" ::/EFI/BOOT/grubx64.efi

# The operator's partition: 64 MiB hold thousands of profiles and logs.
fat "$work/tavrin.img" 7A5B0DA7 TAVRIN 65536
mmd -i "$work/tavrin.img" ::/backups
cat >"$work/README.txt" <<'EOF'
Tavrin Live's own partition. Put a profile here as apply.json and boot
"Apply profile": each till's settings are backed up to backups/, the
profile is applied and verified, and one line per till goes to log.txt.
Reports (report-<machine>.txt) are written here too. A boot.cfg here may
set default=apply and timeout=0 for a fleet.
EOF
mcopy -i "$work/tavrin.img" "$work/README.txt" ::/README.txt

mkdir -p "$(dirname "$out")"
# xorriso dates the volume from SOURCE_DATE_EPOCH, its files from their own.
find "$iso" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
xorriso -as mkisofs -o "$out" -V TAVRIN_LIVE -r -J -joliet-long \
    --modification-date="$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y%m%d%H%M%S00)" \
    -b boot/grub/bios.img -no-emul-boot -boot-load-size 4 -boot-info-table --grub2-boot-info \
    --grub2-mbr "$work/boot/usr/lib/grub/i386-pc/boot_hybrid.img" --mbr-force-bootable \
    -append_partition 2 0xef "$work/efi.img" -append_partition 3 0x0c "$work/tavrin.img" \
    -appended_part_as_gpt -eltorito-alt-boot -e --interval:appended_partition_2:all:: \
    -no-emul-boot "$iso" >"$work/xorriso.log" 2>&1 || { cat "$work/xorriso.log"; exit 1; }
size=$(stat -c %s "$out")
echo "live-image: $out, $((size / 1048576)) MiB (squashfs $(($(stat -c %s "$iso/live/filesystem.squashfs") / 1048576)) MiB), in $((SECONDS - start)) s"
