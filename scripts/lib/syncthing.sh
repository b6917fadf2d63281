# Syncthing instances for the tests and the benchmarks: on 127.0.0.1 only, with no global or
# local discovery, no relays and no NAT traversal; a peer is named by its address.

# QB_PORTS: n loopback ports that nothing listens on now.
qb_free_ports() {
    local used p
    used=$(ss -ltnH 2>/dev/null | awk '{print $4}' | sed 's/.*://')
    QB_PORTS=()
    for p in $(seq 22100 22600); do
        grep -qx "$p" <<<"$used" || QB_PORTS+=("$p")
        ((${#QB_PORTS[@]} == $1)) && return 0
    done
    return 1
}

# Makes a home (keys and certificate) and prints its device ID.
qb_syncthing_home() {
    mkdir -p "$1"
    syncthing generate --home="$1" --no-default-folder >/dev/null 2>&1 || return 1
    syncthing serve --home="$1" --device-id
}

# The configuration of an instance that shares the folder "notes" with the peers given:
#   qb_syncthing_config HOME FOLDER LISTEN_PORT GUI_PORT API_KEY SELF_ID [PEER_ID PEER_PORT]...
# rescanIntervalS sets how often it rescans the folder on its own (QB_SYNCTHING_RESCAN_S), and
# reconnectionIntervalS how soon it dials a peer again after a pause or a lost connection
# (QB_SYNCTHING_RECONNECT_S; Syncthing's own default is a minute). A PEER_PORT of "-" gives the
# peer no address: this instance never dials it and only answers when the peer dials.
qb_syncthing_config() {
    local home=$1 folder=$2 listen=$3 gui=$4 key=$5 self=$6
    shift 6
    local devices="        <device id=\"$self\"></device>"$'\n'
    local peers=""
    while (($# >= 2)); do
        devices+="        <device id=\"$1\"></device>"$'\n'
        local address="tcp://127.0.0.1:$2"
        [[ $2 == - ]] && address=dynamic
        peers+="    <device id=\"$1\" name=\"peer\" compression=\"metadata\"><address>$address</address></device>"$'\n'
        shift 2
    done
    # A folder written here gets maxConflicts 0 unless told otherwise, and the losing side of
    # a conflict would be dropped without a copy.
    cat >"$home/config.xml" <<XML
<configuration version="36">
    <folder id="notes" label="notes" path="$folder" type="sendreceive" rescanIntervalS="${QB_SYNCTHING_RESCAN_S:-3600}" fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="true" autoNormalize="true">
$devices        <maxConflicts>10</maxConflicts>
    </folder>
    <device id="$self" name="self" compression="metadata"><address>dynamic</address></device>
$peers    <gui enabled="true" tls="false">
        <address>127.0.0.1:$gui</address>
        <apikey>$key</apikey>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:$listen</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <reconnectionIntervalS>${QB_SYNCTHING_RECONNECT_S:-60}</reconnectionIntervalS>
        <startBrowser>false</startBrowser>
        <urAccepted>-1</urAccepted>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <crashReportingEnabled>false</crashReportingEnabled>
    </options>
</configuration>
XML
}

# Starts an instance in the background; QB_SYNCTHING_PID is its process.
qb_syncthing_serve() {
    STNODEFAULTFOLDER=1 syncthing serve --home="$1" --no-browser --no-restart \
        --logfile="$1/syncthing.log" >/dev/null 2>&1 &
    QB_SYNCTHING_PID=$!
}

# A request to an instance's REST API: GUI_PORT API_KEY METHOD PATH
qb_syncthing_rest() {
    curl -s -m 5 -X "$3" -H "X-API-Key: $2" "http://127.0.0.1:$1$4"
}

# A random API key.
qb_syncthing_key() {
    tr -dc 'a-zA-Z0-9' </dev/urandom | head -c 32
}
