# Sourced by the scripts that run windows under Wine: a private Xvfb on the
# first free display from :90, for as long as the script runs.
#   start_xvfb GEOMETRY LOG   sets DISPLAY and XVFB_PID; returns 1 without one
XVFB_PID=
start_xvfb() {
    local geometry=$1 log=$2 n
    for n in $(seq 90 140); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 "$geometry" -nolisten tcp >"$log" 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 50); do
            [[ -e /tmp/.X11-unix/X$n ]] && break
            sleep 0.1
        done
        if kill -0 "$XVFB_PID" 2>/dev/null && [[ -e /tmp/.X11-unix/X$n ]]; then
            export DISPLAY=":$n"
            return 0
        fi
        XVFB_PID=
    done
    return 1
}
