# Shell functions for running Wine in a throwaway prefix. Source it.
#
# A template prefix is made once per machine user and build (wineboot under
# its own Xvfb) and copied for every run, which takes well under a second.
# Xvfb is started before the first Wine command of a prefix, so Wine's
# desktop process finds a display.

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
SW_TEMPLATE=${SW_TEMPLATE:-${TMPDIR:-/tmp}/startwart-wine-template-$(id -u)}

# Starts Xvfb on a display it picks itself (-displayfd), so parallel runs
# never share one; sets SW_XVFB_PID and DISPLAY. SW_SCREEN (default
# 1280x1024) is the size of its screen and of Wine's desktop on it.
sw_xvfb_start() {
    local fifo n i
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/startwart-xvfb.XXXXXX")
    mkfifo "$fifo" || return 1
    Xvfb -displayfd 3 -screen 0 "${SW_SCREEN:-1280x1024}x24" -nolisten tcp ${SW_XVFB_ARGS:-} 3>"$fifo" >/dev/null 2>&1 &
    SW_XVFB_PID=$!
    n=$(timeout 20 head -n 1 "$fifo")
    rm -f "$fifo"
    if [ -z "$n" ] || ! kill -0 "$SW_XVFB_PID" 2>/dev/null; then
        echo "wine-env: Xvfb did not start" >&2
        kill "$SW_XVFB_PID" 2>/dev/null
        return 1
    fi
    export DISPLAY=":$n"
    return 0
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

# Adds values to the current prefix's user registry file. Only before the
# prefix's first Wine command: a running wineserver owns that file.
#   sw_user_reg 'Control Panel\\Desktop' '"LogPixels"=dword:00000090'
sw_user_reg() {
    local key=$1
    shift
    {
        printf '\n[%s] 1700000000\n' "$key"
        printf '%s\n' "$@"
    } >>"$WINEPREFIX/user.reg"
}

# Sets the screen's DPI of the current prefix (96 is Wine's default), as
# Windows' display settings do: programs see it through
# GetDeviceCaps(LOGPIXELSX) and scale their fonts and twips by it.
sw_set_dpi() {
    sw_user_reg 'Control Panel\\Desktop' "$(printf '"LogPixels"=dword:%08x' "$1")"
}

# Makes programs of the current prefix open their windows on one Wine
# virtual desktop of the Xvfb screen's size instead of as X windows: they
# get Wine's own frames, and hiding or destroying a window does not wait
# for a window manager that is not there (about two seconds each time).
sw_virtual_desktop() {
    sw_user_reg 'Software\\Wine\\Explorer' '"Desktop"="Default"'
    sw_user_reg 'Software\\Wine\\Explorer\\Desktops' "\"Default\"=\"${SW_SCREEN:-1280x1024}\""
}
