#!/bin/bash
# Installs a build to a temporary prefix with `cmake --install` and checks the installation as a
# user meets it: every file in its place, a valid launcher, and an installed program that starts,
# shows its icon and finds its own help page and icon file under that prefix, never those of the
# build tree it came from. CTest runs it under run-xvfb.sh:
#   check-install.sh BUILD_DIR SOURCE_DIR [CMAKE]
set -u
build=$1
source=$2
cmake=${3:-cmake}
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_eq() { # what, expected, actual
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}
# The value of `name=` in the --program-files report $1.
field() {
    sed -n "s/^$2=//p" <<<"$1"
}

prefix=$work/prefix
if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install failed" >&2
    exit 1
fi

# --- The files -------------------------------------------------------------------------------
for f in bin/quillan bin/quillan-cli; do
    [ -x "$prefix/$f" ] || fail "$f is missing or not executable"
done
for f in share/quillan/help/quillan.html share/applications/quillan.desktop \
    share/icons/hicolor/scalable/apps/quillan.svg share/man/man1/quillan.1.gz share/man/man1/quillan-cli.1.gz \
    share/doc/quillan/copyright share/doc/quillan/changelog.Debian.gz; do
    [ -f "$prefix/$f" ] || fail "$f is missing"
done
cmp -s "$source/docs/help/quillan.html" "$prefix/share/quillan/help/quillan.html" ||
    fail "the installed help page is not the shipped one"
# Each theme folder holds a PNG of its own size (width and height are the IHDR's first 8 bytes).
for size in 16 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/quillan.png
    if [ ! -f "$png" ]; then
        fail "no ${size}x${size} icon"
        continue
    fi
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    expect_eq "size of the ${size}x${size} icon" "${size}x${size}" "$dims"
done
for page in quillan.1.gz quillan-cli.1.gz; do
    gzip -t "$prefix/share/man/man1/$page" 2>/dev/null || fail "$page is not gzip data"
done
"$prefix/bin/quillan-cli" >/dev/null 2>"$work/cli.err"
grep -q "^usage: quillan-cli" "$work/cli.err" || fail "the installed quillan-cli does not run: $(head -c 300 "$work/cli.err")"

# --- The launcher ----------------------------------------------------------------------------
launcher=$prefix/share/applications/quillan.desktop
if command -v desktop-file-validate >/dev/null 2>&1; then
    report=$(desktop-file-validate "$launcher" 2>&1) || fail "desktop-file-validate: $report"
else
    echo "note: desktop-file-validate is not installed (desktop-file-utils); the launcher's syntax is not checked" >&2
fi
expect_eq "launcher Exec" "quillan %F" "$(sed -n 's/^Exec=//p' "$launcher")"
expect_eq "launcher Icon" "quillan" "$(sed -n 's/^Icon=//p' "$launcher")"
grep -q '^MimeType=text/plain;' "$launcher" || fail "the launcher does not offer text/plain"

# --- What the installed program finds --------------------------------------------------------
help=$prefix/share/quillan/help/quillan.html
svg=$prefix/share/icons/hicolor/scalable/apps/quillan.svg
png256=$prefix/share/icons/hicolor/256x256/apps/quillan.png
report=$("$prefix/bin/quillan" --program-files)
expect_eq "exit code of --program-files" 0 $?
expect_eq "program folder" "$prefix/bin" "$(field "$report" folder)"
expect_eq "help page" "$help" "$(field "$report" help)"
expect_eq "icon" "$svg" "$(field "$report" icon)"

# Started through a link (as ~/.local/bin holds one), it still finds the files of the program
# the link points at.
mkdir -p "$work/home/.local/bin"
ln -s "$prefix/bin/quillan" "$work/home/.local/bin/quillan"
report=$("$work/home/.local/bin/quillan" --program-files)
expect_eq "help page through a link" "$help" "$(field "$report" help)"
expect_eq "icon through a link" "$svg" "$(field "$report" icon)"

# The report follows the files: without the scalable icon the 256-pixel one is taken, and a
# missing help page is reported as missing, with a failing exit code.
mv "$svg" "$work/quillan.svg"
report=$("$prefix/bin/quillan" --program-files)
expect_eq "icon without the scalable one" "$png256" "$(field "$report" icon)"
mv "$work/quillan.svg" "$svg"
mv "$help" "$work/quillan.html"
report=$("$prefix/bin/quillan" --program-files)
expect_eq "exit code with the help page missing" 1 $?
expect_eq "help page when missing" "" "$(field "$report" help)"
mv "$work/quillan.html" "$help"

# --- The installed program on the display ----------------------------------------------------
if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
for tool in xdotool xprop; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "the installed files are right, but $tool is missing to check the running program (scripts/setup-deps.sh --test)" >&2
        exit 77
    fi
done

# A home of its own: the program must not touch the user's settings, and a settings file that
# records a finished first run keeps the first-run setup window away.
mkdir -p "$work/config/Quillan" "$work/data" "$work/run" "$work/stand-ins"
chmod 700 "$work/run"
printf '[General]\nCheckSum=10\n' >"$work/config/Quillan/Quillan.ini"
printf 'hello\n' >"$work/a.txt"
# xdg-open is a stand-in that records what the program asks it to open.
cat >"$work/stand-ins/xdg-open" <<STANDIN
#!/bin/sh
printf '%s\n' "\$@" >"$work/xdg-open.args"
STANDIN
chmod +x "$work/stand-ins/xdg-open"

HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run \
    QUILLAN_STATE_FILE=$work/state PATH=$work/stand-ins:$PATH \
    "$prefix/bin/quillan" "$work/a.txt" >"$work/quillan.log" 2>&1 &
pid=$!

window=
for _ in $(seq 500); do
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Quillan$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if [ -z "$window" ]; then
    cat "$work/quillan.log" >&2
    echo "FAIL: the installed program showed no window" >&2
    exit 1
fi
for _ in $(seq 100); do
    grep -q "^slot1=$work/a.txt|" "$work/state" 2>/dev/null && break
    sleep 0.05
done
grep -q "^slot1=$work/a.txt|" "$work/state" 2>/dev/null || fail "the file from the command line is not open"
# GDK passes the sizes up to 128 pixels on to the window manager.
icons=$(xprop -id "$window" _NET_WM_ICON 2>&1)
for size in 16 48 128; do
    grep -q "Icon ($size x $size)" <<<"$icons" || fail "the window has no ${size}x${size} icon"
done

# Help > Contents hands the installed help page to the desktop's opener.
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --delay 100 alt+h c
for _ in $(seq 100); do
    [ -s "$work/xdg-open.args" ] && break
    sleep 0.05
done
expect_eq "page opened by Help > Contents" "$help" "$(cat "$work/xdg-open.args" 2>/dev/null)"

xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key alt+x
for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
    fail "the installed program did not end on Alt+X"
else
    wait "$pid"
    rc=$?
    pid=
    expect_eq "exit code of the installed program" 0 "$rc"
    [ "$rc" -eq 0 ] || cat "$work/quillan.log" >&2
fi

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed to $prefix: files, launcher, help page and icon found, program started and ended"
