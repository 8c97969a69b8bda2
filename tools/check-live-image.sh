#!/usr/bin/env bash
# Boots Tavrin Live's image under QEMU (TCG) as a USB stick and checks what
# an operator would see:
#   secure    UEFI with Secure Boot enforced and Microsoft's keys: Secure
#             Boot on, lockdown "integrity", doctor passes, the window on
#             the screen (found in a screendump, kept as a PNG)
#   bios      legacy BIOS: the same window
#   apply     unattended on QEMU's keyboard, which answers no dump: the
#             failure line in log.txt, and the keyboard types afterwards
#   practice  unattended on the simulated keyboard, twice: a backup,
#             "changed N", power off; then "unchanged"
#   tools/check-live-image.sh [--image FILE] [--boots "secure bios apply practice"]
#   tools/check-live-image.sh --broken-chain   passes only when an unsigned
#             GRUB in shim's place keeps the Secure Boot boot from starting
# Prints each boot's QEMU times and "N passed, M failed".
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$PWD
image=$(ls "$tree"/dist/tavrin-live-*-amd64.img 2>/dev/null | tail -n 1 || :)
boots="secure bios apply practice"
broken=0
while [ $# -gt 0 ]; do
    case $1 in
        --image) image=$(realpath "$2"); shift 2 ;;
        --boots) boots=$2; shift 2 ;;
        --broken-chain) broken=1; boots=secure; shift ;;
        *) echo "check-live-image: unknown option $1" >&2; exit 2 ;;
    esac
done
[ -f "${image:-}" ] || { echo "check-live-image: no image; run tools/live-image.sh first" >&2; exit 2; }
tools/install-deps.sh qemu-system-x86 ovmf mtools socat fdisk
work=$(mktemp -d /tmp/tavrin-live-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); echo "ok    $*"; }
fail() { failed=$((failed + 1)); echo "FAIL  $*"; }

# The stick's TAVRIN partition, for mtools: "image@@offset".
fat() { echo "$1@@$(($(sfdisk -d "$1" | sed -n 's/.*3 : start= *\([0-9]*\),.*/\1/p') * 512))"; }

# A stick of its own per boot, told by boot.cfg which entry to start, with
# the kernel's console and Tavrin Live's lines on the serial port.
stick() {
    cp --sparse=always "$image" "$work/$1.img"
    printf 'set default=%s\nset timeout=1\nset tavrin_extra="console=tty0 console=ttyS0,115200 loglevel=6 %s"\n' \
        "$2" "${3:-}" >"$work/boot.cfg"
    mcopy -o -i "$(fat "$work/$1.img")" "$work/boot.cfg" ::/boot.cfg
}

# Starts QEMU in the background on stick $1; firmware by $2.
qemu() {
    local fw=()
    case $2 in
        secure)
            cp /usr/share/OVMF/OVMF_VARS_4M.ms.fd "$work/vars.fd"
            # shellcheck disable=SC2054 # QEMU's own commas
            fw=(-machine q35,smm=on -global driver=cfi.pflash01,property=secure,value=on
                -global ICH9-LPC.disable_s3=1
                -drive if=pflash,format=raw,unit=0,readonly=on,file=/usr/share/OVMF/OVMF_CODE_4M.secboot.fd
                -drive if=pflash,format=raw,unit=1,file="$work/vars.fd") ;;
        bios) fw=(-machine pc) ;;
    esac
    : >"$work/serial.log"
    t0=$SECONDS
    flock /tmp/tavrin-qemu.lock qemu-system-x86_64 -accel tcg -m 1536 -smp 2 "${fw[@]}" \
        -smbios type=1,serial=TILL-0042 -vga std -display none -no-reboot \
        -drive if=none,id=stick,format=raw,file="$work/$1.img" -device qemu-xhci \
        -device usb-storage,drive=stick,bootindex=0 \
        -serial file:"$work/serial.log" -monitor unix:"$work/monitor",server,nowait &
    qemu_pid=$!
}
monitor() { echo "$1" | socat - UNIX-CONNECT:"$work/monitor" >/dev/null 2>&1 || :; }
stop() { monitor quit; wait "$qemu_pid" 2>/dev/null || :; }

# Waits up to $2 s for a serial line matching $1; prints it.
await() {
    local until=$((SECONDS + $2))
    while [ $SECONDS -lt $until ]; do
        if grep -a -m 1 -E "$1" "$work/serial.log"; then return 0; fi
        kill -0 "$qemu_pid" 2>/dev/null || { grep -a -m 1 -E "$1" "$work/serial.log"; return; }
        sleep 2
    done
    return 1
}

# The window in a screendump: a fifth of the screen or more in Qt's light
# window colour, where the console and the boot menu are dark. A message
# box alone (the start-up read's error on QEMU's keyboard) is smaller:
# exit 2, and Enter closes it.
window_shown() {
    monitor "screendump $work/screen.ppm"
    sleep 1
    python3 - "$work/screen.ppm" "$1" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
head = data.split(b"\n", 3)
w, h = map(int, head[1].split())
pixels = head[3]
light = sum(1 for i in range(0, len(pixels), 3 * 7) if min(pixels[i:i + 3]) >= 0xD8)
share = light / (len(pixels) // (3 * 7))
rows = b"".join(b"\0" + pixels[y * w * 3:(y + 1) * w * 3] for y in range(h))
chunk = lambda t, c: struct.pack(">I", len(c)) + t + c + struct.pack(">I", zlib.crc32(t + c))
open(sys.argv[2], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                             + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))
print(f"{w}x{h}, {share:.0%} light")
sys.exit(0 if share > 0.2 else 2 if share > 0.02 else 1)
PY
}

await_window() {
    local until=$((SECONDS + $1)) verdict rc
    while [ $SECONDS -lt $until ] && kill -0 "$qemu_pid" 2>/dev/null; do
        verdict=$(window_shown "$2") && { echo "$verdict"; return 0; }
        rc=$?
        if [ $rc = 2 ]; then
            cp "$2" "${2%.png}-box.png"
            monitor "sendkey ret"
        fi
        sleep 5
    done
    echo "${verdict:-no screendump}"
    return 1
}

# One boot to the window: what the guest says of its boot, then the screen.
window_boot() {
    local name=$1 firmware=$2 line
    stick "$name" window
    qemu "$name" "$firmware"
    # shim's refusal of an image it cannot verify ends the boot there.
    line=$(await "tavrin-live: Secure Boot|Verification failed" 400) || line=""
    if [[ $line == *"Verification failed"* ]]; then
        fail "$name: shim refused the next loader: $(grep -a -o 'Verification failed: ([^)]*) [A-Za-z ]*[a-z]' <<<"$line")"
    elif [ -n "$line" ]; then
        echo "      $name: $(echo "$line" | sed 's/.*tavrin-live: //') after $((SECONDS - t0)) s"
        case $firmware in
            secure) [[ $line == *"Secure Boot on, lockdown integrity"* ]] &&
                pass "$name: Secure Boot on, lockdown integrity" || fail "$name: $line" ;;
            bios) [[ $line == *"Secure Boot off (BIOS boot)"* ]] && pass "$name: a BIOS boot" ||
                fail "$name: $line" ;;
        esac
        line=$(await "tavrin-live: doctor" 120) && [[ $line == *"verdict: all"* ]] &&
            pass "$name: doctor passes" || fail "$name: doctor: ${line:-no verdict}"
        if line=$(await_window 240 "$work/$name.png"); then
            pass "$name: the window on the screen after $((SECONDS - t0)) s ($line)"
            # A first X that died is told, so that a flaky display shows.
            grep -a "tavrin-live: X exited" "$work/serial.log" | tr -d '\r' | sed 's/^/      /' || :
            mkdir -p "$tree/build"
            cp "$work/$name.png" "$tree/build/live-$name.png"
            [ -f "$work/$name-box.png" ] && cp "$work/$name-box.png" "$tree/build/live-$name-box.png"
        else
            fail "$name: no window on the screen ($line)"
            grep -a "tavrin-live" "$work/serial.log" | tr -d '\r' | tail -n 5
        fi
    else
        fail "$name: the system did not come up"
        tail -n 15 "$work/serial.log" | tr -d '\r'
    fi
    stop
}

# A profile unlike the simulated keyboard's factory settings, from the
# packaged tool.
profile() {
    dpkg-deb -x "$(ls "$tree"/dist/tavrin_*_amd64.deb | tail -n 1)" "$work/deb"
    local cli=$work/deb/usr/bin/tavrin-cli
    "$cli" --simulate --sim-image "$work/factory.bin" read --save "$work/apply.json" >/dev/null 2>&1
    "$cli" set --file "$work/apply.json" common.key_delay_ms=10 msr.track2.enable=NO >/dev/null
}

# Unattended: boots "Apply profile"; the result on the serial port.
apply_boot() {
    local name=$1 extra=$2 line
    [ -f "$work/$name.img" ] || { stick "$name" apply "$extra"; mcopy -i "$(fat "$work/$name.img")" "$work/apply.json" ::/apply.json; }
    qemu "$name" bios
    line=$(await "tavrin-live: apply: " 400) || line=""
    echo "      $name: ${line#*tavrin-live: } after $((SECONDS - t0)) s"
    apply_line=$line
}

case " $boots " in *" apply "* | *" practice "*) profile ;; esac

if [ "$broken" = 1 ]; then
    # An unsigned GRUB, made from Debian's own modules, where shim expects
    # the signed one.
    cache=${TAVRIN_LIVE_CACHE:-/var/cache/tavrin-live}
    (cd "$cache" && apt-get download -q grub-efi-amd64-bin >/dev/null 2>&1 || :)
    dpkg-deb -x "$(ls "$cache"/grub-efi-amd64-bin_*.deb | tail -n 1)" "$work/grub"
    grub-mkimage -O x86_64-efi -d "$work/grub/usr/lib/grub/x86_64-efi" -p /boot/grub \
        -o "$work/grubx64.efi" normal search configfile linux part_gpt fat iso9660
    cp "$image" "$work/broken.img"
    efi=$(($(sfdisk -d "$work/broken.img" | sed -n 's/.*2 : start= *\([0-9]*\),.*/\1/p') * 512))
    mcopy -o -i "$work/broken.img@@$efi" "$work/grubx64.efi" ::/EFI/BOOT/grubx64.efi
    image=$work/broken.img
fi

for boot in $boots; do
    case $boot in
        secure) window_boot secure secure ;;
        bios) window_boot bios bios ;;
        apply)
            apply_boot apply ""
            [[ $apply_line == *"TILL-0042 failed: backup: "?* ]] && pass "apply: fails on QEMU's keyboard with its reason" ||
                fail "apply: ${apply_line:-no result}"
            # Enter on the failure screen opens the menu: the keyboard types.
            sleep 3
            monitor "sendkey ret"
            if await "tavrin-live: console menu" 60 >/dev/null; then
                pass "apply: the keyboard types afterwards (Enter opened the menu)"
            else
                fail "apply: Enter did not reach the console"
            fi
            # The menu's report, for owners to send.
            monitor "sendkey 3"
            monitor "sendkey ret"
            await "tavrin-live: report written" 90 >/dev/null || :
            stop
            log=$(mtype -i "$(fat "$work/apply.img")" ::/log.txt 2>&1 || :)
            [[ $log == TILL-0042\ *\ failed:\ ?* ]] && pass "apply: log.txt: $log" || fail "apply: log.txt: $log"
            report=$(mtype -i "$(fat "$work/apply.img")" ::/report-TILL-0042.txt 2>&1 || :)
            if grep -q "^Secure Boot: off (BIOS boot); lockdown: none" <<<"$report" &&
                grep -q "^verdict: " <<<"$report" && grep -q " out " <<<"$report"; then
                pass "apply: the menu's report, with doctor, the boot's security and a read's trace"
            else
                fail "apply: report-TILL-0042.txt: $(head -c 600 <<<"$report")"
            fi
            ;;
        practice)
            for round in "changed" "unchanged"; do
                apply_boot practice "tavrin.simulate=1"
                wait "$qemu_pid" 2>/dev/null || :
                case $round in
                    changed) [[ $apply_line == *"TILL-0042 changed "[1-9]* ]] ;;
                    unchanged) [[ $apply_line == *"TILL-0042 unchanged"* ]] ;;
                esac && pass "practice: $round, then powered off after $((SECONDS - t0)) s" ||
                    fail "practice: $round: ${apply_line:-no result}"
            done
            log=$(mtype -i "$(fat "$work/practice.img")" ::/log.txt 2>&1 || :)
            backups=$(mdir -b -i "$(fat "$work/practice.img")" ::/backups 2>/dev/null | grep -c "TILL-0042-.*\.json" || :)
            lines=$'^TILL-0042 [0-9]{8}T[0-9]{6}Z changed [1-9][0-9]*\nTILL-0042 [0-9]{8}T[0-9]{6}Z unchanged$'
            [[ $log =~ $lines ]] && [ "$backups" = 2 ] &&
                pass "practice: log.txt has both lines, backups/ both backups" ||
                fail "practice: log.txt: $log; backups: $backups"
            ;;
    esac
done

if [ "$broken" = 1 ]; then
    echo "broken chain: $passed passed, $failed failed (expected: the Secure Boot boot fails)"
    [ "$failed" -gt 0 ] && [ "$passed" = 0 ] && { echo "ok    the unsigned GRUB was refused"; exit 0; }
    echo "FAIL  an unsigned GRUB booted with Secure Boot on"
    exit 1
fi
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
