#!/bin/bash
# Runs a GUI program on a private Xvfb display (1280x1024, 24 bits) and stops the server
# afterwards. Exits 77, which CTest reports as skipped, when Xvfb is not installed.
set -u
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "GUI tests skipped: Xvfb is not installed (scripts/setup-deps.sh --test installs it)" >&2
    exit 77
fi

work=$(mktemp -d)
# -displayfd lets the server pick a free display itself, so parallel runs never collide.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
cleanup() {
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    if ! kill -0 "$xvfb" 2>/dev/null; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not report a display" >&2
    exit 1
fi

export DISPLAY=":$(head -n 1 "$work/display")"
export GDK_BACKEND=x11
unset WAYLAND_DISPLAY
# No accessibility bus or settings daemon runs here; without these GTK waits for them or warns.
export NO_AT_BRIDGE=1
export GSETTINGS_BACKEND=memory
# The program writes launchers, a program link and default applications into the user's home on
# its first run; here that is a home of the run's own, never the real one. Tests that start the
# program give it its own configuration folder on top.
mkdir -p "$work/home"
export HOME="$work/home"
export XDG_DATA_HOME="$work/home/.local/share"
export XDG_CONFIG_HOME="$work/home/.config"
unset XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
"$@"
