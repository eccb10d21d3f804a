#!/usr/bin/env bash
# kestrav must start on a server without the windowing toolkit: neither the program nor any library it
# loads at start-up may be Qt, X11, xcb, Wayland or OpenGL. The window module, when built, exports one
# function and nothing else.
# Usage: no_toolkit_test.sh BIN_DIR
set -euo pipefail
bin=$1
toolkit='libQt|libX11|libxcb|libwayland|libGL|libEGL|libxkb'
status=0

needed=$(readelf -d "$bin/kestrav" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if grep -E "$toolkit" <<<"$needed"; then
    echo "kestrav links the toolkit directly" >&2
    status=1
fi
# ldd lists what the dynamic loader would bring in, the libraries' own needs included.
closure=$(ldd "$bin/kestrav")
if grep -E "$toolkit" <<<"$closure"; then
    echo "kestrav loads the toolkit at start-up" >&2
    status=1
fi
if grep -q 'not found' <<<"$closure"; then
    echo "kestrav needs a library that is missing:" >&2
    grep 'not found' <<<"$closure" >&2
    status=1
fi

module=$bin/kestrav-viewer.so
if [ -e "$module" ]; then
    exported=$(nm -D --defined-only "$module" | awk '{print $3}')
    if [ "$exported" != kestrav_viewer_main ]; then
        echo "the window module exports more than kestrav_viewer_main:" >&2
        head -n 20 <<<"$exported" >&2
        status=1
    fi
    if ! readelf -d "$module" | grep -q 'NEEDED.*libQt6Widgets'; then
        echo "the window module does not link Qt Widgets" >&2
        status=1
    fi
fi
[ $status -eq 0 ] && echo "kestrav needs: $(tr '\n' ' ' <<<"$needed")"
exit $status
