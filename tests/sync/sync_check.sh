#!/usr/bin/env bash
# Two machines on one: two folders, each with its own copy of the program under Wine, kept in
# sync by two Syncthing instances on 127.0.0.1 only (no discovery, relays or NAT; each names the
# other by address). The test (sync_tests.exe) drives both programs and pauses, resumes and
# rescans the instances through their REST API.
#   sync_check.sh sync_tests.exe
set -uo pipefail
tests=$(realpath "$1")
source "$(dirname "$0")/../../scripts/lib/wine-env.sh"

work=$(mktemp -d /tmp/qb-sync.XXXXXX)
pids=()
stop() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap stop EXIT

# Four free loopback ports, none listening now.
used=$(ss -ltnH 2>/dev/null | awk '{print $4}' | sed 's/.*://')
ports=()
for p in $(seq 22100 22400); do
    grep -qx "$p" <<<"$used" || ports+=("$p")
    ((${#ports[@]} == 4)) && break
done
declare -A id key listen gui folder
for side in a b; do
    mkdir -p "$work/$side/home" "$work/$side/notes"
    syncthing generate --home="$work/$side/home" --no-default-folder >/dev/null 2>&1 || exit 1
    id[$side]=$(syncthing serve --home="$work/$side/home" --device-id)
    key[$side]=$(tr -dc 'a-zA-Z0-9' </dev/urandom | head -c 32)
    folder[$side]="$work/$side/notes"
done
listen[a]=${ports[0]} listen[b]=${ports[1]} gui[a]=${ports[2]} gui[b]=${ports[3]}
for side in a b; do
    other=$([[ $side == a ]] && echo b || echo a)
    # A folder written here gets maxConflicts 0 unless told otherwise, and the losing side of
    # a conflict would be dropped without a copy.
    cat >"$work/$side/home/config.xml" <<XML
<configuration version="36">
    <folder id="notes" label="notes" path="${folder[$side]}" type="sendreceive" rescanIntervalS="3600" fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="true" autoNormalize="true">
        <device id="${id[a]}"></device>
        <device id="${id[b]}"></device>
        <maxConflicts>10</maxConflicts>
    </folder>
    <device id="${id[$side]}" name="$side" compression="metadata">
        <address>dynamic</address>
    </device>
    <device id="${id[$other]}" name="$other" compression="metadata">
        <address>tcp://127.0.0.1:${listen[$other]}</address>
    </device>
    <gui enabled="true" tls="false">
        <address>127.0.0.1:${gui[$side]}</address>
        <apikey>${key[$side]}</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:${listen[$side]}</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <startBrowser>false</startBrowser>
        <urAccepted>-1</urAccepted>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <crashReportingEnabled>false</crashReportingEnabled>
    </options>
</configuration>
XML
    STNODEFAULTFOLDER=1 syncthing serve --home="$work/$side/home" --no-browser --no-restart \
        --logfile="$work/$side/syncthing.log" >/dev/null 2>&1 &
    pids+=($!)
done

rest() {  # side method path
    curl -s -m 5 -X "$2" -H "X-API-Key: ${key[$1]}" "http://127.0.0.1:${gui[$1]}$3"
}
# Both up, and connected to each other.
for i in $(seq 300); do
    if rest a GET /rest/system/connections 2>/dev/null | grep -q '"connected": *true' &&
        rest b GET /rest/system/connections 2>/dev/null | grep -q '"connected": *true'; then
        break
    fi
    sleep 0.2
done
if ! rest a GET /rest/system/connections | grep -q '"connected": *true'; then
    echo "sync_check: the two Syncthing instances did not connect" >&2
    tail -20 "$work/a/syncthing.log" >&2
    exit 1
fi

QB_SYNC_A=${folder[a]} QB_SYNC_B=${folder[b]} \
    QB_SYNC_REST_A="127.0.0.1:${gui[a]} ${key[a]}" QB_SYNC_REST_B="127.0.0.1:${gui[b]} ${key[b]}" \
    wine "$tests"
