#!/usr/bin/env bash
# Two machines on one: two folders, each with its own copy of the program under Wine, kept in
# sync by two Syncthing instances on 127.0.0.1 only (no discovery, relays or NAT; each names the
# other by address). The test (sync_tests.exe) drives both programs and pauses, resumes and
# rescans the instances through their REST API. Each machine keeps its own settings.dat, as the
# README advises. QB_SYNC_KEEP=1 leaves the folders behind and says where.
#   sync_check.sh sync_tests.exe [test arguments...]
set -uo pipefail
tests=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/wine-env.sh"
source "$here/../../scripts/lib/syncthing.sh"

work=$(mktemp -d /tmp/qb-sync.XXXXXX)
pids=()
stop() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    if [[ -n ${QB_SYNC_KEEP:-} ]]; then
        echo "sync_check: the folders are kept in $work"
    else
        rm -rf "$work"
    fi
}
trap stop EXIT

# The tests pause and resume the link often: a peer is dialled again within seconds.
export QB_SYNCTHING_RECONNECT_S=1
qb_free_ports 4 || exit 1
declare -A id key listen gui folder peerPort
listen[a]=${QB_PORTS[0]} listen[b]=${QB_PORTS[1]} gui[a]=${QB_PORTS[2]} gui[b]=${QB_PORTS[3]}
for side in a b; do
    folder[$side]="$work/$side/notes"
    mkdir -p "${folder[$side]}"
    echo settings.dat >"${folder[$side]}/.stignore"
    id[$side]=$(qb_syncthing_home "$work/$side/home") || exit 1
    key[$side]=$(qb_syncthing_key)
done
# Only A dials. Syncthing dials from its own listening port, so two instances on one address
# that dial each other at the same moment (as both do when the link is resumed) open one TCP
# connection from both ends at once; each side then starts TLS as the client, and the Hello
# times out after 20 s. Resumed every few seconds, the link then never comes back.
peerPort[a]=${listen[b]} peerPort[b]=-
for side in a b; do
    other=$([[ $side == a ]] && echo b || echo a)
    qb_syncthing_config "$work/$side/home" "${folder[$side]}" "${listen[$side]}" \
        "${gui[$side]}" "${key[$side]}" "${id[$side]}" "${id[$other]}" "${peerPort[$side]}"
    qb_syncthing_serve "$work/$side/home"
    pids+=("$QB_SYNCTHING_PID")
done

connected() {
    qb_syncthing_rest "${gui[$1]}" "${key[$1]}" GET /rest/system/connections 2>/dev/null |
        grep -q '"connected": *true'
}
for i in $(seq 300); do
    connected a && connected b && break
    sleep 0.2
done
if ! connected a || ! connected b; then
    echo "sync_check: the two Syncthing instances did not connect" >&2
    tail -20 "$work/a/home/syncthing.log" >&2
    exit 1
fi

qb_wine_ready || exit 1
QB_SYNC_A=${folder[a]} QB_SYNC_B=${folder[b]} \
    QB_SYNC_REST_A="127.0.0.1:${gui[a]} ${key[a]}" QB_SYNC_REST_B="127.0.0.1:${gui[b]} ${key[b]}" \
    wine "$tests" "${@:2}"
