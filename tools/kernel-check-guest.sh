#!/bin/sh
# The kernel harness's guest part (tools/kernel-check.sh boots it): busybox
# ash runs it as the initramfs's init, or the Debian system's sh from a
# unit once the system is up. Each case prints "@@CASE name pass|fail ms
# detail"; "@@SENDKEY" asks the host to press a key. Test code.
PATH=/usr/bin:/bin:/usr/sbin:/sbin
cli=/usr/bin/tavrin-cli
as= # how the program runs: as root, or as the system boot's user
port=/sys/bus/serio/devices/serio0

ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }
say() { echo "@@$*"; }
driver() { basename "$(readlink "$port/driver" 2>/dev/null)" 2>/dev/null; }
result() { # name, 0 or not, started (ms), detail
    if [ "$2" -eq 0 ]; then verdict=pass; else verdict=fail; fi
    say "CASE $1 $verdict $(($(ms) - $3)) ${4:-}"
}
# Until the port shows the driver, at most $2 tenths of a second. One look
# each time: a port held for a moment may be given back between two looks.
await_driver() {
    n=0
    until [ "$(driver)" = "$1" ]; do
        [ $n -lt "$2" ] || return 1
        sleep 0.1
        n=$((n + 1))
    done
}
# A key pressed on the host reaches the keyboard's input device.
keyboard_types() {
    ev=
    for d in /sys/class/input/event*; do
        case "$(cat "$d/device/name" 2>/dev/null)" in AT*keyboard) ev=/dev/input/${d##*/} ;; esac
    done
    [ -n "$ev" ] || { echo "no keyboard input device" >>/tmp/why; return 1; }
    rm -f /tmp/ev
    dd if="$ev" of=/tmp/ev bs=24 count=1 2>/dev/null &
    reader=$!
    sleep 0.3
    say SENDKEY
    n=0
    while [ "$(wc -c </tmp/ev 2>/dev/null || echo 0)" -lt 24 ] && [ $n -lt 50 ]; do
        sleep 0.1
        n=$((n + 1))
    done
    kill "$reader" 2>/dev/null
    [ "$(wc -c </tmp/ev 2>/dev/null || echo 0)" -ge 24 ] || { echo "no key reached $ev" >>/tmp/why; return 1; }
}
# The port back on atkbd within $1 tenths of a second, and a key typed.
typing_again() {
    back=0
    await_driver atkbd "$1" || { echo "driver $(driver)" >>/tmp/why; back=1; }
    keyboard_types || back=1
    return $back
}
why() { [ ! -e /tmp/why ] || tr '\n' ' ' </tmp/why; }
has() { grep -qF -- "$1" /tmp/err || { echo "missing: $1" >>/tmp/why; return 1; }; }
lacks() { ! grep -qiE -- "$1" /tmp/err || { echo "found: $1" >>/tmp/why; return 1; }; }

# A command against QEMU's keyboard: refused in one line, no success,
# exit 1, over within a few seconds, the port back on atkbd and typing.
refused() { # name, then the command's words
    name=$1
    shift
    rm -f /tmp/why
    t=$(ms)
    $as "$cli" "$@" >/tmp/out 2>/tmp/err </dev/null
    rc=$?
    took=$(($(ms) - t))
    ok=0
    [ $rc -eq 1 ] || { echo "exit $rc" >>/tmp/why; ok=1; }
    has "answered resend (FE) to" || ok=1
    has "it takes no configuration commands" || ok=1
    lacks "success" || ok=1
    [ $took -lt 8000 ] || { echo "took $took ms" >>/tmp/why; ok=1; }
    typing_again 20 || ok=1
    result "$name" $ok "$t" "$(why)"
    [ $ok -eq 0 ] || sed 's/^/    /' /tmp/err
}

# The program killed while it holds the port: back on atkbd, and typing.
# timeout runs it in the foreground, where SIGINT is not ignored.
killed() { # signal
    rm -f /tmp/why /tmp/bound
    t=$(ms)
    (await_driver serio_raw 15 && touch /tmp/bound) &
    timeout -s "$1" 1 "$cli" read >/dev/null 2>&1 </dev/null
    rc=$?
    wait
    ok=0
    [ -e /tmp/bound ] || { echo "never bound" >>/tmp/why; ok=1; }
    [ $rc -gt 128 ] || { echo "exit $rc, not the signal" >>/tmp/why; ok=1; }
    typing_again 30 || ok=1
    result "killed-by-$1" $ok "$t" "$(why)"
}

doctor() { # name, exit status wanted, lines wanted (each a fixed string)
    name=$1
    want=$2
    shift 2
    rm -f /tmp/why
    t=$(ms)
    $as "$cli" doctor >/tmp/err 2>&1
    rc=$?
    ok=0
    [ $rc -eq "$want" ] || { echo "exit $rc" >>/tmp/why; ok=1; }
    for line in "$@"; do has "$line" || ok=1; done
    result "$name" $ok "$t" "$(why)"
    [ $ok -eq 0 ] || sed 's/^/    /' /tmp/err
}

qemu_keyboard_cases() {
    rm -f /tmp/why
    t=$(ms)
    ok=0
    [ -e /sys/bus/serio/drivers/serio_raw ] && { echo "serio_raw loaded at boot" >>/tmp/why; ok=1; }
    keyboard_types || ok=1
    result "keyboard-types-at-boot" $ok "$t" "$(why)"
    doctor doctor-serio-raw-unloaded 0 "ok    serio_raw: not loaded; its module" "verdict: all"
    refused read-loads-serio-raw read
    doctor doctor-serio-raw-loaded 0 "ok    serio_raw: loaded" "verdict: all"
    "$cli" --simulate --sim-image /tmp/sim.bin read --save /tmp/profile.json >/dev/null 2>&1
    refused write write /tmp/profile.json
    refused reset --yes reset
    refused opos --yes opos
    refused set set common.key_delay_ms=10
    refused apply apply /tmp/profile.json --backup-dir /tmp/backups
    for signal in INT TERM HUP KILL; do killed $signal; done
}

# A Debian system with the package installed: the user "till", whom a
# polkit rule allows as a live system allows its user, reaches the port
# through pkexec and tavrin-port.
system_cases() {
    rm -f /tmp/why
    t=$(ms)
    ok=0
    [ -e /sys/bus/serio/drivers/serio_raw ] || { echo "udev did not load serio_raw" >>/tmp/why; ok=1; }
    [ "$(driver)" = atkbd ] || { echo "driver $(driver)" >>/tmp/why; ok=1; }
    keyboard_types || ok=1
    result udev-loads-serio-raw $ok "$t" "$(why)"
    rm -f /tmp/why
    t=$(ms)
    policy=/usr/share/polkit-1/actions/example.tavrin.port.policy
    helper=$(sed -n 's|.*exec.path">\(.*\)</annotate>.*|\1|p' "$policy")
    ok=0
    { [ -x "$helper" ] && dpkg -S "$helper" >/dev/null 2>&1; } || { echo "policy names '$helper'" >>/tmp/why; ok=1; }
    result policy-names-the-installed-helper $ok "$t" "$helper $(why)"
    as="setpriv --reuid=till --regid=till --init-groups --reset-env"
    doctor user-doctor 0 "ok    rights: pkexec and $policy for $helper" "verdict: all"
    # serio_raw numbers its devices by bind: serio_raw0, 1, ...
    rm -f /tmp/node
    (n=0
     while [ ! -e /tmp/node ] && [ $n -lt 100 ]; do
         for node in /dev/serio_raw*; do [ ! -c "$node" ] || echo "$node" >/tmp/node; done
         sleep 0.05
         n=$((n + 1))
     done) &
    refused user-read read
    wait
    t=$(ms)
    [ -e /tmp/node ]
    result udev-makes-the-raw-node $? "$t" "$(cat /tmp/node 2>/dev/null)"
    refused user-write write /tmp/profile.json
    second "$as" "" root-while-user-holds-refused
    second "" "$as" user-while-root-holds-refused
    second "$as" "$as" user-while-user-holds-refused
    user_stopped
    user_killed program
    user_killed helper
    rm -f /tmp/why
    t=$(ms)
    printf serio_raw >$port/drvctl
    $as "$cli" restore-keyboard >/tmp/err 2>&1
    ok=$?
    has "given back to atkbd" || ok=1
    lacks "needs root" || ok=1
    typing_again 20 || ok=1
    result user-restore-keyboard $ok "$t" "$(why)"
    window_read
    as=
}
# The window (offscreen) reads at start: the port is taken for the read
# only, and the keyboard types while the window stays open on its box.
window_read() {
    rm -f /tmp/why
    t=$(ms)
    ok=0
    $as env QT_QPA_PLATFORM=offscreen /usr/bin/tavrin >/tmp/err 2>&1 </dev/null &
    window=$!
    await_driver serio_raw 150 || { echo "never bound" >>/tmp/why; ok=1; }
    bound_at=$(ms)
    # During the read the keyboard has no input device: no key reaches the system.
    for d in /sys/class/input/event*; do
        case "$(cat "$d/device/name" 2>/dev/null)" in
            AT*keyboard) echo "a keyboard input device during the read" >>/tmp/why; ok=1 ;;
        esac
    done
    await_driver atkbd 100 || { echo "driver $(driver) after the read" >>/tmp/why; ok=1; }
    echo "back $(($(ms) - bound_at)) ms after the bind" >>/tmp/why
    kill -0 $window 2>/dev/null || { echo "the window closed" >>/tmp/why; ok=1; }
    keyboard_types || ok=1
    kill -TERM $window 2>/dev/null
    wait $window
    result window-read-then-types $ok "$t" "$(why)"
    [ $ok -eq 0 ] || sed 's/^/    /' /tmp/err
}
# While the user's read holds the port, another Tavrin is refused.
# While one read holds the port, another Tavrin is refused and the
# holder's read ends as it would alone.
second() { # how the first runs, how the second runs, the case's name
    rm -f /tmp/why
    t=$(ms)
    ok=0
    $1 "$cli" read >/dev/null 2>/tmp/first </dev/null &
    first=$!
    await_driver serio_raw 40 || { echo "never bound" >>/tmp/why; ok=1; }
    $2 "$cli" read >/tmp/out 2>/tmp/err </dev/null
    rc=$?
    wait $first
    rc_first=$?
    [ $rc -eq 1 ] || { echo "exit $rc" >>/tmp/why; ok=1; }
    has "another Tavrin holds the keyboard port" || ok=1
    { [ $rc_first -eq 1 ] && grep -q "answered resend (FE) to" /tmp/first; } ||
        { echo "the holder's read: exit $rc_first, $(head -c 200 /tmp/first)" >>/tmp/why; ok=1; }
    typing_again 30 || ok=1
    result "$3" $ok "$t" "$(why)"
}
# Ctrl+Z on the user's read (SIGTSTP to its process group): the helper,
# in a session of its own, sees it stopped and gives the port back.
user_stopped() {
    rm -f /tmp/why
    t=$(ms)
    ok=0
    setsid $as "$cli" read >/dev/null 2>&1 </dev/null &
    client=$!
    await_driver serio_raw 60 || { echo "never bound" >>/tmp/why; ok=1; }
    kill -TSTP -- -$client
    typing_again 50 || ok=1
    kill -KILL -- -$client
    kill -CONT -- -$client 2>/dev/null
    wait $client
    result user-stopped-gives-back $ok "$t" "$(why)"
}
# The user's program or its helper killed while the port is held: the
# guard gives the port back, and a read whose helper is gone ends at
# once instead of at the capture's time-out.
user_killed() { # program or helper
    rm -f /tmp/why
    t=$(ms)
    ok=0
    $as "$cli" read >/dev/null 2>/tmp/err </dev/null &
    client=$!
    await_driver serio_raw 60 || { echo "never bound" >>/tmp/why; ok=1; }
    killed_at=$(ms)
    if [ "$1" = helper ]; then
        pkill -KILL -P $client -x tavrin-port || { echo "no helper under $client" >>/tmp/why; ok=1; }
        want=1
    else
        kill -KILL $client
        want=137
    fi
    wait $client
    rc=$?
    took=$(($(ms) - killed_at))
    [ $rc -eq $want ] || { echo "exit $rc" >>/tmp/why; ok=1; }
    [ $took -lt 3000 ] || { echo "ended $took ms after" >>/tmp/why; ok=1; }
    typing_again 30 || ok=1
    result "user-$1-killed" $ok "$t" "$(why)"
    [ $ok -eq 0 ] || sed 's/^/    /' /tmp/err
}

if [ $$ -eq 1 ]; then # the initramfs's init
    mount -t proc proc /proc
    mount -t sysfs sys /sys
    mount -t devtmpfs dev /dev
    mount -t tmpfs tmp /tmp
    mount -t tmpfs run /run
    mount -t securityfs security /sys/kernel/security 2>/dev/null
fi
# The simulated keyboard behind a userio port: through the kernel's own
# serio_raw, every command gives what it gives on the simulated
# keyboard's own path: output, exit status, wire bytes, backups and the
# keyboard's EEPROM after.
port_cli=/usr/bin/tavrin-cli-port
serve() { # image, then the keyboard's options
    rm -f /tmp/port
    tavrin-userio-keyboard "$@" >/tmp/port &
    server=$!
    n=0
    while [ ! -s /tmp/port ] && [ $n -lt 50 ]; do sleep 0.1; n=$((n + 1)); done
    [ -s /tmp/port ] || { echo "no userio port" >>/tmp/why; return 1; }
    sleep 0.5 # atkbd probes a new port first
}
unserve() { kill -TERM "$server" 2>/dev/null; wait "$server"; }
same() { cmp -s "$1" "$2" || { echo "$3 differ" >>/tmp/why; diff "$1" "$2" | head -5 | sed 's/^/    /' >>/tmp/diffs; return 1; }; }
compare() { # name, keyboard options (one word, commas for spaces), then the command's words
    name=$1
    opts=$(echo "$2" | tr , ' ' | sed 's/^-$//')
    shift 2
    rm -f /tmp/why /tmp/diffs /tmp/bk-*
    t=$(ms)
    ok=0
    for side in a b; do cp /tmp/base.bin /tmp/$side.bin; done
    # shellcheck disable=SC2086
    if serve /tmp/a.bin $opts; then
        TAVRIN_TEST_SERIO_PORT=$(cat /tmp/port) "$port_cli" --yes --wire-log /tmp/wire-a \
            "$@" >/tmp/out-a 2>/tmp/err-a </dev/null
        echo $? >/tmp/rc-a
        left=$(basename "$(readlink "/sys/bus/serio/devices/$(cat /tmp/port)/driver" 2>/dev/null)" 2>/dev/null)
        [ "$left" != serio_raw ] || { echo "port left on serio_raw" >>/tmp/why; ok=1; }
        unserve
    else
        ok=1
    fi
    sed -i 's|/tmp/bk-a|/tmp/bk-b|g' /tmp/err-a /tmp/out-a 2>/dev/null
    "$port_cli" --yes --simulate --sim-image /tmp/b.bin --wire-log /tmp/wire-b \
        $(echo "$*" | sed 's|/tmp/bk-a|/tmp/bk-b|g') >/tmp/out-b 2>/tmp/err-b </dev/null
    echo $? >/tmp/rc-b
    for w in a b; do
        cut -d' ' -f2 /tmp/wire-$w >/tmp/bytes-$w 2>/dev/null
        # a backup's name carries its time
        sed -i 's/tavrin-[0-9]*T[0-9]*Z\.json/tavrin-TIME.json/' /tmp/err-$w /tmp/out-$w
    done
    same /tmp/rc-a /tmp/rc-b "exit statuses" || ok=1
    same /tmp/out-a /tmp/out-b "outputs" || ok=1
    same /tmp/err-a /tmp/err-b "messages" || ok=1
    same /tmp/bytes-a /tmp/bytes-b "wire bytes" || ok=1
    same /tmp/a.bin /tmp/b.bin "EEPROMs" || ok=1
    [ ! -e /tmp/bk-b.json ] || same /tmp/bk-a.json /tmp/bk-b.json "backups" || ok=1
    [ -s /tmp/bytes-a ] || { echo "no byte sent" >>/tmp/why; ok=1; }
    result "userio-$name" $ok "$t" "$(why) (exit $(cat /tmp/rc-a), $(wc -l </tmp/bytes-a) bytes)"
    [ ! -e /tmp/diffs ] || cat /tmp/diffs
}
# What only the real port can do to a read: fail it, and say why.
spoiled() { # name, keyboard options, what the tool says
    rm -f /tmp/why
    t=$(ms)
    ok=0
    cp /tmp/base.bin /tmp/a.bin
    # shellcheck disable=SC2086
    serve /tmp/a.bin $(echo "$2" | tr , ' ' | sed 's/^-$//') || ok=1
    TAVRIN_TEST_SERIO_PORT=$(cat /tmp/port) "$port_cli" read >/tmp/out 2>/tmp/err </dev/null &
    reader=$!
    [ "$1" != held-back ] || { sleep 1.2; kill -STOP $reader; sleep 2; kill -CONT $reader; }
    wait $reader
    rc=$?
    unserve
    [ $rc -eq 1 ] || { echo "exit $rc" >>/tmp/why; ok=1; }
    has "Read setting from EEPROM error!" || ok=1
    [ -z "$3" ] || has "$3" || ok=1
    lacks "success" || ok=1
    result "userio-$1" $ok "$t" "$(why)"
}

userio_cases() {
    t=$(ms)
    insmod /lib/modules/"$(uname -r)"/extra/userio.ko
    result userio-loads $? "$t"
    t=$(ms)
    tavrin_linux_tests --gtest_filter='KernelSerioRaw.*' >/tmp/err 2>&1 && ! grep -q SKIPPED /tmp/err
    result kernel-serio-raw-test $? "$t" "$(grep -E '^\[  (PASSED|FAILED|SKIPPED)' /tmp/err | tr '\n' ' ')"
    "$port_cli" --simulate --sim-image /tmp/base.bin read --save /tmp/profile.json >/dev/null 2>&1
    cp /tmp/profile.json /tmp/till.json
    "$port_cli" set --file /tmp/till.json common.key_delay_ms=20 msr.type=TK23 >/dev/null 2>&1
    compare read - read
    compare set - set common.key_delay_ms=15
    compare write - write /tmp/till.json
    compare write-backup-verify - write --backup /tmp/bk-a.json --verify /tmp/till.json
    compare reset - reset
    compare opos - opos
    compare apply - apply /tmp/till.json --backup-dir /tmp/backups
    compare read-set-2-break-alone --set,2,--break-alone read
    compare write-set-2 --set,2,--break-alone write --verify /tmp/till.json
    compare read-no-acks --no-ack read
    compare write-no-acks --no-ack write --verify /tmp/till.json
    compare read-one-resend --resend,4 read
    compare read-self-test --self-test-after,7 read
    spoiled swipe --swipe-at,500,--swipe-every,200 ""
    # A stopped reader: the guard takes the port back from it, so the
    # read fails (before the guard did, the kernel's full ring told it).
    spoiled held-back - ""
}

boot=$(sed -n 's/.*tavrin\.boot=\([^ ]*\).*/\1/p' /proc/cmdline)
say "KERNEL $(uname -r) $(cat /proc/cmdline)"
[ $$ -ne 1 ] || { depmod; modprobe evdev; }
case $boot in
    pc)
        qemu_keyboard_cases
        userio_cases
        ;;
    lockdown)
        t=$(ms)
        grep -q '\[integrity\]' /sys/kernel/security/lockdown
        result lockdown-integrity $? "$t" "$(cat /sys/kernel/security/lockdown)"
        t=$(ms)
        ! insmod /lib/modules/"$(uname -r)"/extra/userio.ko 2>/dev/null
        result unsigned-module-refused $? "$t"
        qemu_keyboard_cases
        ;;
    q35)
        doctor doctor-set-2 0 "ok    translation: off (id/type 01, i8042.direct): scan-code set 2"
        refused read-set-2 read
        killed KILL
        ;;
    broken)
        killed KILL
        ;;
    nokbd)
        doctor doctor-no-keyboard-port 1 "FAIL  keyboard port: the kernel has no i8042 keyboard port here"
        ;;
    system)
        "$cli" --simulate --sim-image /tmp/sim.bin read --save /tmp/profile.json >/dev/null 2>&1
        chmod 644 /tmp/profile.json
        system_cases
        ;;
esac
say DONE
poweroff -f
exit 0
