#!/usr/bin/env bash
# The program's processor time over 30 idle seconds: alone in front, then while a Syncthing
# instance rescans its folder every second, then with Syncthing still rescanning behind Wine's
# Notepad, which is measured over those same seconds as the floor of an idle window with a
# blinking caret under Wine. Read from the kernel's account of each process (user and system
# time, in clock ticks). Run by bench/run in its own Wine environment.
#   idle_with_sync.sh Quillbrasset.exe SCRATCH SECONDS
set -uo pipefail
exe=$1
scratch=$2
seconds=${3:-30}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/lib/syncthing.sh"

store=$scratch/idle
rm -rf "$store"
mkdir -p "$store/Strings"
printf 'Main\r\nWork\r\n' >"$store/Strings/Tabs.txt"
for i in 0 1; do
    for n in $(seq 2000); do printf 'line %d of a page that sits in a synced folder\r\n' "$n"; done \
        >"$store/Strings/Tab$i.txt"
done
# settings.dat: the window at (60, 60), opaque, 433 by 202, tab 0.
printf '\x3c\0\0\0\x3c\0\0\0\xff\0\0\0\xb1\x01\0\0\xca\0\0\0\0\0\0\0' >"$store/settings.dat"

started() {  # the newest process whose command starts with the program (Wine's loader takes
    # its name), waited for up to 10 s
    local found="" i
    for i in $(seq 100); do
        found=$(pgrep -n -f "^[^ ]*$1" || true)
        [[ -n $found ]] && break
        sleep 0.1
    done
    echo "$found"
}

(cd "$store" && exec wine "$exe" >/dev/null 2>&1) &
pid=$(started Quillbrasset.exe)
[[ -n $pid ]] || { echo "idle_with_sync: the program did not start" >&2; exit 1; }
sleep 8  # start-up done, the page shown

ticks() {  # a process's user and system time, in clock ticks
    awk '{print $14 + $15}' "/proc/$1/stat"
}
hz=$(getconf CLK_TCK)
measure() {  # the ticks of each process given over the seconds
    local before=() p
    for p in "$@"; do before+=("$(ticks "$p")"); done
    sleep "$seconds"
    local i=0
    for p in "$@"; do
        echo $(($(ticks "$p") - before[i]))
        i=$((i + 1))
    done
}

# In front, its caret blinking.
alone=$(measure "$pid")

home=$scratch/idle-syncthing
rm -rf "$home"
qb_free_ports 2
key=$(qb_syncthing_key)
self=$(qb_syncthing_home "$home")
QB_SYNCTHING_RESCAN_S=1 qb_syncthing_config "$home" "$store" "${QB_PORTS[0]}" "${QB_PORTS[1]}" \
    "$key" "$self"
qb_syncthing_serve "$home"
st=$QB_SYNCTHING_PID
for i in $(seq 100); do
    qb_syncthing_rest "${QB_PORTS[1]}" "$key" GET /rest/system/ping 2>/dev/null | grep -q pong && break
    sleep 0.2
done
sleep 3
# Rescans besides its own: one a second while the program is measured.
(while kill -0 "$st" 2>/dev/null; do
    qb_syncthing_rest "${QB_PORTS[1]}" "$key" POST '/rest/db/scan?folder=notes' >/dev/null 2>&1
    sleep 1
done) &
scanner=$!
with=$(measure "$pid")

# Behind another window (Wine's Notepad, in front with its own caret blinking).
(exec wine notepad >/dev/null 2>&1) &
notepad=$(started notepad.exe)
[[ -n $notepad ]] || { echo "idle_with_sync: Notepad did not start" >&2; exit 1; }
sleep 5
read -r -d '' behind floor < <(measure "$pid" "$notepad"; printf '\0')
kill "$scanner" "$st" "$pid" "$notepad" 2>/dev/null
wait "$scanner" "$st" 2>/dev/null

LC_ALL=C awk -v a="$alone" -v w="$with" -v b="$behind" -v f="$floor" -v hz="$hz" -v s="$seconds" '
function row(what, t) { printf "| %s | %.0f | %.3f%% | ms |\n", what, t * 1000 / hz, t * 100 / hz / s }
BEGIN {
    printf "| %d idle seconds | processor time | share of one core | unit |\n|---|---|---|---|\n", s
    row("the program in front, its caret blinking", a)
    row("the same, Syncthing rescanning its folder every second", w)
    row("the program behind another window, Syncthing rescanning", b)
    row("Wine'"'"'s Notepad in front over the same seconds, its caret blinking", f)
    printf "\nprocessor time of the idle program with Syncthing rescanning = %.3f%% of one core in front, %.3f%% behind another window (target: under 0.1%%; Notepad in front %.3f%%; clock tick %.0f ms)\n", w * 100 / hz / s, b * 100 / hz / s, f * 100 / hz / s, 1000 / hz
}'
