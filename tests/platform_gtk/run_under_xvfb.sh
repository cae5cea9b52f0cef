#!/bin/sh
# Runs a command on a virtual X display of its own (1280x800, 24 bits),
# started for it and ended after it. With --composite a compositor runs
# on that display too, and BRISGOL_EXPECT_COMPOSITOR=1 tells the tests so;
# with --wm a window manager (openbox) does, and BRISGOL_EXPECT_WM=1 tells
# them (left unset when openbox is not installed: those tests skip).
set -eu
helper=
if [ "${1:-}" = "--composite" ]; then
    export BRISGOL_EXPECT_COMPOSITOR=1
    helper=xcompmgr
    shift
elif [ "${1:-}" = "--wm" ]; then
    shift
    if command -v openbox >/dev/null 2>&1; then
        export BRISGOL_EXPECT_WM=1
        helper="openbox --sm-disable"
    fi
fi
# Start the search for a free display number at one of our own, so that
# test programs started together do not race for the same number.
first=$((100 + $$ % 800))
if [ -n "$helper" ]; then
    exec xvfb-run -a -n "$first" -s '-screen 0 1280x800x24 -noreset' \
        sh -c "$helper & pid=\$!; sleep 0.5; \"\$@\"; rc=\$?; kill \$pid; exit \$rc" run "$@"
fi
exec xvfb-run -a -n "$first" -s '-screen 0 1280x800x24 -noreset' "$@"
