#!/usr/bin/env bash
# The real program at four display scales (Wine's LogPixels: 96, 120, 144 and 192 pixels per
# inch), each in a copy of the prefix so that the others' scale stays: the toolbar as high as the
# window's rule makes 26 design pixels, and each of its glyphs the pixel art of the size that
# scale asks for, drawn pixel for pixel (never stretched). With an output folder, the window's picture
# at each scale is kept there as scale-<dpi>.png.
#   display_scales.sh PROGRAM.exe PROBE.exe README [OUTPUT-FOLDER]
set -uo pipefail
exe=$(realpath "$1") probe=$(realpath "$2") readme=$(realpath "$3")
out=${4:+$(realpath -m "$4")}
art=$(cd "$(dirname "$0")/../../res/art" && pwd)
source "$(dirname "$0")/../../scripts/lib/wine-env.sh"
qb_env_start
work=$(mktemp -d)
prefix="$work/prefix"
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; qb_env_stop; rm -rf "$work"' EXIT
# A copy of the prefix the tier runs in: a scale set here reaches no other test.
cp -a "$WINEPREFIX" "$prefix"
export WINEPREFIX=$prefix

failures=0
check() {  # name expected actual
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else echo "FAIL $1: expected $2, got $3"; ((failures++)); fi
}

for dpi in 96 120 144 192; do
    wineserver -k >/dev/null 2>&1
    wineserver -w
    qb_wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
        >/dev/null 2>&1
    dir="$work/run$dpi"
    mkdir -p "$dir/Strings"
    cp "$readme" "$dir/readme.txt"
    printf 'Main\r\n' >"$dir/Strings/Tabs.txt"
    # settings.dat: left 100, top 100, opacity 255, width 433, height 202, tab 0
    printf '\x64\0\0\0\x64\0\0\0\xff\0\0\0\xb1\x01\0\0\xca\0\0\0\0\0\0\0' >"$dir/settings.dat"
    (cd "$dir" && exec wine "$exe" >/dev/null 2>&1) &
    pid=$!
    if ! read -r got zero wl wt wr wb bl bt br bb < <(wine "$probe" scale | tr -d '\r'); then
        echo "FAIL $dpi: no window"
        ((failures++))
        kill "$pid" 2>/dev/null
        continue
    fi
    # The mouse away from the window, and a moment for it to paint.
    xdotool mousemove 5 1000
    sleep 1
    import -window root "$dir/shot.png"
    qb_taskkill "$(basename "$exe")" >/dev/null 2>&1
    check "$dpi: the display's scale" "$dpi" "$got"
    # MulDiv(26, zero, 13): rounded to the nearest pixel.
    check "$dpi: toolbar height, 26 design pixels by the window's rule (\"0\" $zero high)" \
        "$(((26 * zero * 2 + 13) / 26))" "$((bb - bt))"
    # The buttons' glyphs, found on the screen where the art of the expected size matches pixel
    # for pixel.
    result=$(convert "$dir/shot.png" -crop "$((br - bl))x$((bb - bt))+$bl+$bt" +repage ppm:- |
        python3 "$(dirname "$0")/glyph_on_screen.py" "$art" "$zero")
    check "$dpi: every glyph drawn as its pixel art, a cell apart" "yes" "${result%% *}"
    echo "     $dpi: ${result#* }"
    if [[ -n $out ]]; then
        mkdir -p "$out"
        convert "$dir/shot.png" -crop "$((wr - wl))x$((wb - wt))+$wl+$wt" +repage \
            "$out/scale-$dpi.png"
    fi
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
done

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed" | sed 's/^1 passed/checks passed/;s/^0 passed/checks failed/'
exit $((failures > 0))
