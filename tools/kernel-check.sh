#!/usr/bin/env bash
# The Linux path on Debian's own kernel: the stock signed kernel boots under
# QEMU (software emulation) with an initramfs holding busybox, the built
# programs and the kernel's serio_raw, and the cases of
# tools/kernel-check-guest.sh run in the guest
# against QEMU's own PS/2 keyboard (a standard keyboard: it answers resend
# to the vendor frames) and, through a userio port, against the simulated
# keyboard. Test code: never installed.
#
#   tools/kernel-check.sh [--build DIR] [--boots "pc lockdown q35 nokbd"]
#   tools/kernel-check.sh --broken-hand-back
#   tools/kernel-check.sh --boots system
#
# The second builds tavrin-cli without the guard that gives the port back
# and passes only when the harness sees the keyboard left dead.
# The third boots a Debian system (systemd, udev, polkit, pkexec) with
# dist/tavrin_*.deb installed, and runs the user's path through the helper.
#
# Kernel packages are fetched with apt-get download into
# ${TAVRIN_KERNEL_CACHE:-/var/cache/tavrin-kernel-check} and reused.
# Closes with "N passed, M failed".

# ---- the host ------------------------------------------------------------

# The system boot's root, from mmdebstrap's hook: the user "till", allowed
# the port by a polkit rule as a live system allows its user, and the guest
# part above run once the system is up, its lines on the serial console.
if [ "${1:-}" = --system-root ]; then
    set -eu
    r=$3
    if [ "$2" = essential ]; then
        # A small initramfs: the disk's drivers only, made in seconds.
        mkdir -p "$r/etc/initramfs-tools/conf.d" "$r/usr/share/initramfs-tools/modules.d"
        echo MODULES=list >"$r/etc/initramfs-tools/conf.d/tavrin-check"
        printf '%s\n' virtio_pci virtio_blk ext4 >"$r/usr/share/initramfs-tools/modules.d/tavrin-check"
        exit 0
    fi
    # Local packages are installed from inside: apt outside would hand the
    # chrooted dpkg paths it cannot see.
    shift 3
    mkdir "$r/tmp/debs"
    cp "$@" "$r/tmp/debs/"
    chroot "$r" sh -c 'apt-get install --yes --no-install-recommends -q /tmp/debs/*.deb'
    rm -rf "$r/tmp/debs"
    chroot "$r" useradd --create-home --shell /bin/sh till
    cp "$(dirname "$0")/kernel-check-guest.sh" "$r/"
    cat >"$r/etc/polkit-1/rules.d/50-tavrin-till.rules" <<'RULE'
polkit.addRule(function (action, subject) {
    if (action.id == "example.tavrin.port" && subject.user == "till") {
        return polkit.Result.YES;
    }
});
RULE
    cat >"$r/etc/systemd/system/tavrin-check.service" <<'UNIT'
[Unit]
After=multi-user.target polkit.service
[Service]
Type=oneshot
ExecStart=/bin/sh -c "exec /bin/sh /kernel-check-guest.sh >/dev/ttyS0 2>&1"
[Install]
WantedBy=multi-user.target
UNIT
    ln -s /etc/systemd/system/tavrin-check.service "$r/etc/systemd/system/multi-user.target.wants/"
    ln -s /dev/null "$r/etc/systemd/system/serial-getty@ttyS0.service"
    echo "/dev/vda / ext4 rw 0 1" >"$r/etc/fstab"
    exit 0
fi

set -euo pipefail
cd "$(dirname "$0")/.."
tree=$PWD
build=$tree/build
boots="pc lockdown q35 nokbd"
broken=0
while [ $# -gt 0 ]; do
    case $1 in
        --build) build=$(realpath "$2"); shift 2 ;;
        --boots) boots=$2; shift 2 ;;
        --broken-hand-back) broken=1; boots=broken; build=$tree/build-broken-hand-back; shift ;;
        *) echo "kernel-check: unknown option $1" >&2; exit 2 ;;
    esac
done
start=$SECONDS

tools/install-deps.sh qemu-system-x86 cpio socat gcc make
cache=${TAVRIN_KERNEL_CACHE:-/var/cache/tavrin-kernel-check}

# Debian's current kernel: the image, its headers and its source, matched.
image_pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
if [ -z "$image_pkg" ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    image_pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
fi
abi=${image_pkg#linux-image-}
version=$(apt-cache show --no-all-versions "$image_pkg" | awk '/^Version:/ {print $2; exit}')
series=${abi%%-*}                       # 6.1.0
series=${series%.*}                     # 6.1
kdir=$cache/$version
mkdir -p "$kdir"
# The archive keeps only the newest build of some of these (linux-kbuild):
# one of another build of the same series is taken then, and named.
matched() {
    if [ -n "$(apt-cache show --no-all-versions "$1=$version" 2>/dev/null)" ]; then
        echo "$1=$version"
    else
        echo "kernel: no $1 $version; taking $(apt-cache policy "$1" | awk '/Candidate:/ {print $2}')" >&2
        echo "$1"
    fi
}
if [ ! -e "$kdir/unpacked" ]; then
    (cd "$kdir" && apt-get download -q "$image_pkg=$version" "linux-headers-$abi=$version" \
        "linux-headers-${abi%-amd64}-common=$version" "$(matched "linux-kbuild-$series")" \
        "$(matched "linux-source-$series")" busybox-static 2>&1 | grep -v "^W: Download is performed unsandboxed" || true)
    rm -rf "$kdir/x"
    for deb in "$kdir"/*.deb; do
        case $deb in *linux-source*) ;; *) dpkg-deb -x "$deb" "$kdir/x" ;; esac
    done
    touch "$kdir/unpacked"
fi
headers=$kdir/x/usr/src/linux-headers-$abi
# userio makes serio ports from user space: Debian's kernel lacks it, so
# the tests build it from the kernel's own source, against its headers.
userio=$kdir/userio/userio.ko
if [ ! -e "$userio" ]; then
    mkdir -p "$kdir/userio"
    dpkg-deb --fsys-tarfile "$kdir"/linux-source-"$series"_*.deb |
        tar -xO "./usr/src/linux-source-$series.tar.xz" |
        tar -xJO "linux-source-$series/drivers/input/serio/userio.c" >"$kdir/userio/userio.c"
    echo 'obj-m := userio.o' >"$kdir/userio/Kbuild"
    sed -i "s|^include /usr/src/|include $kdir/x/usr/src/|" "$headers/Makefile"
    make -s -C "$headers" M="$kdir/userio" modules >/dev/null
fi
vmlinuz=$kdir/x/boot/vmlinuz-$abi
echo "kernel: $image_pkg $version ($(du -h "$vmlinuz" | cut -f1))"


if [ $broken -eq 1 ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_BUILD_GUI=OFF \
        -DTAVRIN_BUILD_TESTS=OFF -DTAVRIN_WERROR=ON -DTAVRIN_TEST_BROKEN_HAND_BACK=ON >/dev/null
    cmake --build "$build" -j"$(nproc)" --target tavrin-cli >/dev/null
fi
# The system boot: a Debian system from mmdebstrap with the package
# installed by apt, on a disk of its own, booted by the same kernel package
# installed in it, with its own initramfs.
system_disk() {
    local deb sys=$work/system
    deb=$(ls "$tree"/dist/tavrin_*_amd64.deb 2>/dev/null | tail -n 1)
    [ -n "$deb" ] || { echo "kernel-check: no dist/tavrin_*_amd64.deb; run tools/package.sh first" >&2; exit 2; }
    tools/install-deps.sh mmdebstrap e2fsprogs
    echo "system: $(basename "$deb") on Debian 12 from mmdebstrap"
    mmdebstrap --variant=apt --mode=root \
        --include=systemd-sysv,udev,dbus,polkitd,pkexec,procps,kmod \
        --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
        --dpkgopt='path-exclude=/usr/share/doc/*' \
        --essential-hook="'$tree/tools/kernel-check.sh' --system-root essential \"\$1\"" \
        --customize-hook="'$tree/tools/kernel-check.sh' --system-root customize \"\$1\" '$(ls "$kdir"/linux-image-*.deb)' '$deb'" \
        bookworm "$sys" "deb http://deb.debian.org/debian bookworm main" \
        "deb http://deb.debian.org/debian bookworm-updates main" \
        "deb http://deb.debian.org/debian-security bookworm-security main" >"$work/mmdebstrap.log" 2>&1 ||
        { tail -n 30 "$work/mmdebstrap.log"; exit 1; }
    cp "$sys/boot/initrd.img-$abi" "$work/system-initrd"
    mke2fs -q -t ext4 -d "$sys" "$work/system.img" 2G
    rm -rf "$sys"
}

programs=cli/tavrin-cli
case " $boots " in
    *" pc "*) programs="$programs tests/tavrin-cli-port tests/tavrin-userio-keyboard tests/tavrin_linux_tests" ;;
esac

# The initramfs: busybox, the programs and their libraries, the modules.
work=$(mktemp -d /tmp/tavrin-kernel-check.XXXXXX)
trap '[ -n "${TAVRIN_KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
root=$work/root
mods=$root/lib/modules/$abi
mkdir -p "$root"/{bin,sbin,usr/bin,proc,sys,dev,tmp,run} "$mods/kernel/drivers/input/serio" "$mods/extra"
cp "$kdir/x/bin/busybox" "$root/bin/"
for applet in $("$root/bin/busybox" --list); do
    [ -e "$root/bin/$applet" ] || ln -s busybox "$root/bin/$applet"
done
ln -s ../bin/busybox "$root/sbin/modprobe"
copy_program() {
    cp "$1" "$root/usr/bin/"
    ldd "$1" | awk '/=> \// {print $3} /^\t\// {print $1}' | while read -r lib; do
        mkdir -p "$root$(dirname "$lib")"
        cp -L "$lib" "$root$lib"
    done
}
for program in $programs; do
    [ -x "$build/$program" ] || { echo "kernel-check: no $build/$program; build first" >&2; exit 2; }
    copy_program "$build/$program"
done
for m in kernel/drivers/input/serio/serio_raw.ko kernel/drivers/input/evdev.ko; do
    cp "$kdir/x/lib/modules/$abi/$m" "$mods/$m"
done
cp "$kdir/x/lib/modules/$abi/modules.order" "$kdir/x/lib/modules/$abi/modules.builtin" "$mods/"
cp "$userio" "$mods/extra/"
cp tools/kernel-check-guest.sh "$root/"
printf '#!/bin/sh\nexec /bin/sh /kernel-check-guest.sh\n' >"$root/init"
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd"

passed=0
failed=0
sendkey() { echo "sendkey a" | socat - "UNIX-CONNECT:$work/monitor" >/dev/null 2>&1 || true; }
boot() { # name, machine, kernel command line
    local name=$1 machine=$2 extra=$3 line began=$SECONDS done=0 cases=0
    echo "== boot $name: -machine $machine $extra"
    rm -f "$work/monitor"
    while IFS= read -r line; do
        line=${line%$'\r'}
        echo "$line" >>"$work/$name.log"
        case $line in
            *@@SENDKEY*) sendkey ;;
            *@@KERNEL*) echo "   kernel ${line#*@@KERNEL }" ;;
            *@@CASE*)
                read -r _ case verdict took detail <<<"${line#*@@}"
                printf '   %-34s %s  %6.1f s  %s\n' "$case" "$verdict" "$(awk -v t="$took" 'BEGIN { printf "%.1f", t / 1000 }')" "$detail"
                cases=$((cases + 1))
                if [ "$verdict" = pass ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
                ;;
            *@@DONE*) done=1 ;;
            "    "*) echo "$line" ;;
        esac
    # shellcheck disable=SC2086
    done < <(flock /tmp/tavrin-qemu.lock timeout 300 qemu-system-x86_64 -machine "$machine" -accel tcg -m 1024 -smp 1 \
        -nodefaults -no-user-config -display none -serial stdio -nic none -no-reboot \
        -monitor "unix:$work/monitor,server=on,wait=off" \
        -kernel "$vmlinuz" -initrd "$work/${initrd:-initrd}" ${disk:-} \
        -append "console=ttyS0 quiet panic=-1 tavrin.boot=$name $extra" 2>&1)
    if [ $done -eq 0 ] || [ $cases -eq 0 ]; then
        echo "   boot $name did not finish within its time; its last lines:"
        tail -n 15 "$work/$name.log" | sed 's/^/     /'
        failed=$((failed + 1))
    fi
    echo "   boot $name: $((SECONDS - began)) s"
}

for b in $boots; do
    case $b in
        pc) boot pc pc "" ;;
        lockdown) boot lockdown pc "lockdown=integrity" ;;
        q35) boot q35 q35 "i8042.direct=1" ;;
        nokbd) boot nokbd pc "i8042.nokbd" ;;
        broken) boot broken pc "" ;;
        system)
            system_disk
            initrd=system-initrd disk="-drive file=$work/system.img,if=virtio,format=raw" \
                boot system pc "root=/dev/vda rw systemd.show_status=0"
            ;;
        *) echo "kernel-check: no boot $b" >&2; exit 2 ;;
    esac
done
if [ $broken -eq 1 ]; then
    if [ $failed -gt 0 ] && [ $passed -eq 0 ]; then
        echo "   the broken hand-back is caught: the keyboard was left dead"
        passed=1 failed=0
    else
        echo "   the broken hand-back went unnoticed"
        passed=0 failed=1
    fi
fi
echo "kernel-check: $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
