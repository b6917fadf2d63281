# Shared by scripts/run and scripts/test: a virtual X display and a throw-away Wine prefix,
# stopped again by qb_env_stop (only what this shell started).
# A Russian system (code page 1251), unless QB_LC_ALL names another locale.
export LC_ALL=${QB_LC_ALL:-ru_RU.UTF-8}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Whether this machine runs 32-bit Windows programs: it needs 32-bit Wine and a kernel that
# runs 32-bit Linux programs (some run none).
qb_runs_32bit() {
    [[ -x /usr/lib/wine/wine ]] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if ! qb_runs_32bit && [[ -x /usr/lib/wine/wine64 ]]; then
    export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-only:$PATH"
fi

QB_XVFB_PID=""
QB_OWN_PREFIX=""

qb_env_start() {
    if [[ -z "${DISPLAY:-}" ]]; then
        local n
        for n in $(seq 90 130); do
            [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            QB_XVFB_PID=$!
            export DISPLAY=":$n"
            break
        done
        local i
        for i in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
    fi
    if [[ -z "${WINEPREFIX:-}" ]]; then
        WINEPREFIX=$(mktemp -d /tmp/qb-wine.XXXXXX)
        export WINEPREFIX
        QB_OWN_PREFIX=$WINEPREFIX
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        qb_prefix_setup
    fi
}

# What every prefix the project uses needs: the fonts, and windows left unmanaged. Without a
# window manager (as on Xvfb) Wine waits two seconds for one whenever a managed window is
# closed; unmanaged windows close at once and behave the same otherwise.
qb_prefix_setup() {
    qb_wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    qb_prefix_fonts "$WINEPREFIX"
}

# Wine resolves "MS Sans Serif" (and its other bitmap fonts) from the prefix's Fonts folder;
# Debian's fonts-wine keeps them outside it.
qb_prefix_fonts() {
    local fonts="$1/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
}

# Wine's own tools as 64-bit programs. With 32-bit Wine installed, `wine` starts their 32-bit
# builds, and the 32-bit taskkill does not see 64-bit processes.
qb_wine64() {
    local loader
    loader=$(command -v wine64 || true)
    [[ -z $loader && -x /usr/lib/wine/wine64 ]] && loader=/usr/lib/wine/wine64
    if [[ -n $loader ]]; then
        WINELOADER=$loader "$loader" "$@"
    else
        wine "$@"
    fi
}

# Wine's first program after its server started runs wineboot --init first, and once in a while
# that start has been seen to hang here. A trivial program is given two minutes to start and end;
# failing that, the server is stopped and it is tried once more.
qb_wine_ready() {
    local try
    for try in 1 2; do
        timeout 120 wine cmd /c exit >/dev/null 2>&1 && return 0
        echo "wine: a trivial program failed or ran past 120 s (try $try); its server is stopped" >&2
        wineserver -k >/dev/null 2>&1
        sleep 1
    done
    return 1
}

# A close request to every window of the named program (not a forced end).
qb_taskkill() {
    qb_wine64 taskkill /im "$1"
}

qb_env_stop() {
    if [[ -n "$QB_OWN_PREFIX" ]]; then
        WINEPREFIX=$QB_OWN_PREFIX wineserver -k >/dev/null 2>&1 || true
        rm -rf "$QB_OWN_PREFIX"
    fi
    if [[ -n "$QB_XVFB_PID" ]]; then
        kill "$QB_XVFB_PID" 2>/dev/null || true
    fi
}
