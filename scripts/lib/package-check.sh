#!/usr/bin/env bash
# The portable ZIP as a user gets it. Unpacked into a fresh folder, it holds exactly the 64-bit
# program, the 32-bit one and the readme (its bytes unchanged). Each program is started in a
# fresh unpacked folder with no store, so it opens the About page from the shipped readme; ended
# with a close request, it has written the store, which must show the first run: the tabs
# "Main" and "О программе" (code page 1251), the readme as the About page, an empty first page,
# and a 24-byte settings file with opacity 240 and tab 1 selected.
#   scripts/lib/package-check.sh ZIP README
# Runs on the display and Wine prefix set up by scripts/lib/wine-env.sh.
set -uo pipefail
zip=$(realpath "$1") readme=$(realpath "$2")
source "$(dirname "$0")/wine-env.sh"

work=$(mktemp -d /tmp/qb-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
top=$(basename "$zip" .zip)
failures=0
check() {  # name expected actual
    if [[ "$2" == "$3" ]]; then
        echo "ok   $1"
    else
        echo "FAIL $1: expected [$2], got [$3]"
        ((failures++))
    fi
}

# PE machine of an executable: 8664 for x86-64, 014c for i386.
machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

# Files only (no folder entries), sorted.
listing=$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ')
check "zip contents" "$top/Quillbrasset.exe $top/Quillbrasset32.exe $top/readme.txt " "$listing"

unpack() {  # -> a fresh folder holding the unpacked files
    local dir
    dir=$(mktemp -d "$work/run.XXXXXX")
    unzip -q "$zip" -d "$dir" || return 1
    echo "$dir/$top"
}

dir=$(unpack) || { echo "FAIL unzip"; exit 1; }
check "readme.txt byte for byte" same "$(cmp -s "$dir/readme.txt" "$readme" && echo same)"
check "Quillbrasset.exe is 64-bit" 8664 "$(machine "$dir/Quillbrasset.exe")"
check "Quillbrasset32.exe is 32-bit" 014c "$(machine "$dir/Quillbrasset32.exe")"

about=$(printf 'Main\r\n%s\r\n' "$(printf 'О программе' | iconv -f UTF-8 -t CP1251)" | od -An -tx1)

form='^Quillbrasset 1\.5 .'
first_run() {  # program
    local exe=$1 dir pid i
    dir=$(unpack) || { check "$exe: unzip" ok failed; return; }
    (cd "$dir" && exec wine "$exe" >/dev/null 2>&1) &
    pid=$!
    # Up once its window shows and the first run has saved the page it left. The main window's
    # caption starts with the application title and goes on; the application's own window is
    # titled just "Quillbrasset 1.5".
    for i in $(seq 300); do
        if xdotool search --onlyvisible --name "$form" >/dev/null 2>&1 &&
            [[ -f "$dir/Strings/Tab0.txt" ]]; then
            break
        fi
        sleep 0.1
    done
    check "$exe: window shown" yes \
        "$(xdotool search --onlyvisible --name "$form" >/dev/null 2>&1 && echo yes)"
    qb_taskkill "$exe" >/dev/null 2>&1
    for i in $(seq 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    check "$exe: ended by the close request" yes "$(kill -0 "$pid" 2>/dev/null || echo yes)"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null

    check "$exe: About page is the shipped readme" same \
        "$(cmp -s "$dir/Strings/Tab1.txt" "$readme" && echo same)"
    check "$exe: tab list" "$about" "$(od -An -tx1 "$dir/Strings/Tabs.txt" 2>/dev/null)"
    check "$exe: first page empty" 0 "$(stat -c %s "$dir/Strings/Tab0.txt" 2>/dev/null)"
    check "$exe: settings size" 24 "$(stat -c %s "$dir/settings.dat" 2>/dev/null)"
    # Opacity (offset 8) as declared, 240; the About tab (offset 20), 1, selected.
    check "$exe: settings opacity and tab" "240 1" \
        "$(od -An -td4 -j8 -N4 "$dir/settings.dat" | tr -d ' ') $(od -An -td4 -j20 -N4 "$dir/settings.dat" | tr -d ' ')"
    check "$exe: window size stored" yes \
        "$(w=$(od -An -td4 -j12 -N4 "$dir/settings.dat" | tr -d ' '); h=$(od -An -td4 -j16 -N4 "$dir/settings.dat" | tr -d ' '); ((w > 0 && h > 0)) && echo yes)"
}

first_run Quillbrasset.exe
if qb_runs_32bit; then
    first_run Quillbrasset32.exe
else
    echo "skip Quillbrasset32.exe: this machine runs no 32-bit program"
fi

if ((failures)); then
    echo "package: $failures checks failed"
    exit 1
fi
echo "package: all checks passed"
