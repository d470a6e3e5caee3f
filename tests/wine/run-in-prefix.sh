#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix with its own
# virtual screen, then ends every process it started. Used as the
# cross-compiling emulator, so `ctest --preset windows` runs the
# Windows-side tests this way. Never touches ~/.wine.
#   run-in-prefix.sh program.exe [arguments...]
# SW_LOGPIXELS=144 runs it at that screen DPI instead of Wine's 96.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
sw_fixed_layout "$@"
sw_prefix_start || exit 1
sw_virtual_desktop
[ -n "${SW_LOGPIXELS:-}" ] && sw_set_dpi "$SW_LOGPIXELS"
sw_session_start || { sw_prefix_stop; exit 1; }
wine "$@"
rc=$?
sw_prefix_stop
exit $rc
