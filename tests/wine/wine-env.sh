# Shell functions for running Wine in a throwaway prefix. Source it.
#
# A template prefix is made once per machine user and build (wineboot under
# its own Xvfb) and copied for every run, which takes well under a second.
# Xvfb is started before the first Wine command of a prefix, so Wine's
# desktop process finds a display.

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
SW_TEMPLATE=${SW_TEMPLATE:-${TMPDIR:-/tmp}/startwart-wine-template-$(id -u)}

# Starts Xvfb on a free display; sets SW_XVFB_PID and DISPLAY.
sw_xvfb_start() {
    local n
    for n in $(seq 90 190); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp ${SW_XVFB_ARGS:-} >/dev/null 2>&1 &
        SW_XVFB_PID=$!
        local i
        for i in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$SW_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [ -e "/tmp/.X11-unix/X$n" ]; then
            export DISPLAY=":$n"
            return 0
        fi
        kill "$SW_XVFB_PID" 2>/dev/null
    done
    echo "wine-env: no free display for Xvfb" >&2
    return 1
}

sw_xvfb_stop() {
    [ -n "${SW_XVFB_PID:-}" ] && kill "$SW_XVFB_PID" 2>/dev/null && wait "$SW_XVFB_PID" 2>/dev/null
    SW_XVFB_PID=
}

# Makes the template prefix if it is missing (serialised with a lock).
sw_template() {
    (
        flock 9
        if [ ! -f "$SW_TEMPLATE/.ready" ]; then
            rm -rf "$SW_TEMPLATE"
            sw_xvfb_start || exit 1
            WINEPREFIX="$SW_TEMPLATE" wineboot -i >/dev/null 2>&1
            WINEPREFIX="$SW_TEMPLATE" wineserver -w
            sw_xvfb_stop
            touch "$SW_TEMPLATE/.ready"
        fi
    ) 9>"$SW_TEMPLATE.lock"
}

# A fresh prefix copied from the template, with its own display. Sets
# WINEPREFIX, SW_PREFIX_DIR, DISPLAY and SW_XVFB_PID.
sw_prefix_start() {
    sw_template || return 1
    SW_PREFIX_DIR=$(mktemp -d "${TMPDIR:-/tmp}/startwart-prefix.XXXXXX")
    cp -a "$SW_TEMPLATE" "$SW_PREFIX_DIR/prefix"
    export WINEPREFIX="$SW_PREFIX_DIR/prefix"
    sw_xvfb_start
}

# Ends every Wine process of the prefix, the display, and removes the prefix.
sw_prefix_stop() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    sw_xvfb_stop
    [ -n "${SW_PREFIX_DIR:-}" ] && rm -rf "$SW_PREFIX_DIR"
    SW_PREFIX_DIR=
}
