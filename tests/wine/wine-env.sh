# Shell functions for running Wine in a throwaway prefix. Source it.
#
# A template prefix is made once per machine user and build (wineboot under
# its own Xvfb) and copied for every run, which takes well under a second.
# Xvfb is started before the first Wine command of a prefix, so Wine's
# desktop process finds a display.
#
# Debian's wineserver ends a prefix's session the moment its last program
# ends, and the next command boots a new one with a new service manager; a
# command that comes in between finds none (1722). So every run of a prefix
# gets one persistent server of its own (sw_session_start) that holds one
# session for all its commands, until sw_prefix_stop ends it.

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# The server's socket folder follows TMPDIR: one value for every command of
# a prefix, or a second server would start on it.
export TMPDIR=${TMPDIR:-/tmp}
SW_TEMPLATE=${SW_TEMPLATE:-${TMPDIR:-/tmp}/startwart-wine-template-$(id -u)}

# Runs the calling script again, with its arguments, in a fixed address
# layout that every Wine process it starts inherits. Debian's wine64 comes
# without Wine's preloader, so a new Wine process claims the addresses
# Windows programs expect (the shared user data at 0x7ffe0000) only after
# the kernel has randomized its heap and libraries, and now and then finds
# one taken ("failed to map the shared user data: c0000018") and never
# starts. Call it right after sourcing this file:  sw_fixed_layout "$@"
sw_fixed_layout() {
    [ -n "${SW_FIXED_LAYOUT:-}" ] && return 0
    SW_FIXED_LAYOUT=1 exec setarch "$(uname -m)" -R "$0" "$@"
}

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
# WINEPREFIX, SW_PREFIX_DIR, DISPLAY and SW_XVFB_PID. No Wine process runs
# in it yet: its registry files may still be written (sw_user_reg) before
# sw_session_start.
sw_prefix_start() {
    sw_template || return 1
    SW_PREFIX_DIR=$(mktemp -d "${TMPDIR:-/tmp}/startwart-prefix.XXXXXX")
    cp -a "$SW_TEMPLATE" "$SW_PREFIX_DIR/prefix"
    export WINEPREFIX="$SW_PREFIX_DIR/prefix"
    sw_xvfb_start
}

# Starts the prefix's persistent server (it returns once its socket is
# ready) and boots the session with a command whose output goes to a file:
# the first program of a session hands its standard error on to the
# session's own processes, so a pipe there would never be seen to end.
sw_session_start() {
    if ! wineserver -p 2>>"$SW_PREFIX_DIR/wineserver.log"; then
        echo "wine-env: the prefix's wineserver did not start" >&2
        return 1
    fi
    if ! timeout 120 wine cmd /c exit >"$SW_PREFIX_DIR/boot.log" 2>&1; then
        echo "wine-env: the prefix's session did not boot: $(tail -n 3 "$SW_PREFIX_DIR/boot.log")" >&2
        return 1
    fi
}

# Ends every Wine process of the prefix and its server, the display, and
# removes the prefix.
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
