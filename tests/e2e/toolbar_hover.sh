#!/usr/bin/env bash
# The real mouse (moved by xdotool on the X server) over the toolbar's first button: the
# screen shows the hot look where the button's cell is, and the slider sits at client (184, 7).
#   toolbar_hover.sh PROGRAM.exe PROBE.exe README
set -uo pipefail
exe=$(realpath "$1") probe=$(realpath "$2") readme=$(realpath "$3")
dir=$(mktemp -d)
source "$(dirname "$0")/../../scripts/lib/wine-env.sh"
trap 'qb_taskkill "$(basename "$exe")" >/dev/null 2>&1; sleep 1; rm -rf "$dir"' EXIT
cp "$readme" "$dir/readme.txt"
mkdir -p "$dir/Strings"
printf 'Main\r\n' >"$dir/Strings/Tabs.txt"
# settings.dat: left 100, top 100, opacity 255, width 433, height 202, tab 0
printf '\x64\0\0\0\x64\0\0\0\xff\0\0\0\xb1\x01\0\0\xca\0\0\0\0\0\0\0' >"$dir/settings.dat"
(cd "$dir" && wine "$exe" >/dev/null 2>&1 &)

read -r cx cy sx sy sw sh < <(wine "$probe" | tr -d '\r') || { echo "FAIL: no window"; exit 1; }
echo "client origin ($cx, $cy); slider at ($sx, $sy), $sw by $sh"
failures=0
check() {  # name expected actual
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else echo "FAIL $1: expected $2, got $3"; ((failures++)); fi
}
check "slider position" "184 7 65 15" "$sx $sy $sw $sh"

pixel() {  # x y -> "r,g,b" on the screen
    convert "$dir/shot.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:
}
shoot() { sleep 0.7; import -window root "$dir/shot.png"; }

# The first button's cell: 25 by 24 at client (1, 1).
left=$((cx + 1)) top=$((cy + 1))
xdotool mousemove $((cx + 150)) $((cy + 60))
shoot
check "normal: no hot fill" "no" "$([[ $(pixel $((left + 22)) $((top + 12))) == 198,211,239 ]] && echo yes || echo no)"

xdotool mousemove $((left + 12)) $((top + 12))
shoot
check "hot fill inside the cell" "198,211,239" "$(pixel $((left + 22)) $((top + 12)))"
check "hot frame, left edge" "49,105,198" "$(pixel "$left" $((top + 12)))"
check "hot frame, right edge" "49,105,198" "$(pixel $((left + 24)) $((top + 12)))"
check "hot frame, top edge" "49,105,198" "$(pixel $((left + 12)) "$top")"
check "hot frame, bottom edge" "49,105,198" "$(pixel $((left + 12)) $((top + 23)))"
# The raised glyph's silhouette shows right of and below the glyph somewhere in the cell.
silhouette=$(convert "$dir/shot.png" -crop "25x24+$left+$top" +repage txt:- | grep -c -i '#7495D8')
check "silhouette drawn" "yes" "$([[ $silhouette -gt 0 ]] && echo yes || echo no)"

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed" | sed 's/^1 passed/checks passed/;s/^0 passed/checks failed/'
exit $((failures > 0))
