# shellcheck shell=bash
# Shared by scripts/windows and the Windows runs it starts: Wine 10 from the root of scripts/windows-wine.
# Needs KZ_WINE_ROOT (the root) and KZ_WINE_BINDS (the host folders the programs see at their own paths) exported.

# $root comes from common.sh, which every caller sources first.
# shellcheck disable=SC2154
in_wine_root="$root/scripts/lib/in-wine-root"
wine() { "$in_wine_root" wine "$@"; }
wineserver() { "$in_wine_root" wineserver "$@"; }

# Wine maps the Unix root to drive Z:.
winpath() { echo "Z:${1//\//\\}"; }

# No Mono or Gecko: the client needs neither, and their installers would ask on screen.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}

# new_prefix <dir>: a Wine prefix made afresh.
new_prefix() {
    rm -rf "$1"
    WINEPREFIX=$1 "$in_wine_root" wineboot --init >/dev/null 2>&1
    WINEPREFIX=$1 wineserver --wait
}

# stop_prefix <prefix>: ends every program of the prefix and waits until its server has gone, so that the next
# program starts a fresh one (which reads the prefix's registry anew).
stop_prefix() {
    WINEPREFIX=$1 wineserver --kill || true
    WINEPREFIX=$1 wineserver --wait
}

# set_wine_env <prefix> <name> <value>: Wine hands the programs it starts no QT_* variable of the Unix side, so
# those go into the prefix's user environment.
set_wine_env() {
    WINEPREFIX=$1 wine reg add 'HKCU\Environment' /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1
}

# start_xvfb: an X server of 1920 x 1080 for the runs that need a real screen, DISPLAY exported, stopped on exit.
# It has no access control of its own: Wine runs in its root, where the host's authority files are not.
start_xvfb() {
    local display=99
    while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp -ac >/dev/null 2>&1 &
    xvfb=$!
    on_exit "kill $xvfb 2>/dev/null"
    local _
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    export DISPLAY=":$display"
}

# wait_for_window <title> <seconds>: whether a window of exactly that title appears in time.
wait_for_window() {
    local deadline=$((SECONDS + $2))
    # xdotool ends on any X error, which a window that vanishes during its search (Wine makes and destroys several
    # while a program starts) raises; so it is asked again until the deadline.
    while [ "$SECONDS" -lt "$deadline" ]; do
        xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    return 1
}

# client_starts <prefix> <program> <log> <picture> <title>: starts the client in the prefix and tells whether its main
# window appears with that title and no DLL is missing; a picture of the screen a second later goes to <picture>.
# The program is left running (stop_prefix ends it).
client_starts() {
    local prefix=$1 program=$2 log=$3 picture=$4 title=$5
    WINEPREFIX=$prefix WINEDEBUG=err+module LC_ALL=C.UTF-8 wine "$program" >"$log" 2>&1 &
    if ! wait_for_window "$title" 120; then
        echo "the main window \"$title\" of $program did not appear" >&2
        cat "$log" >&2
        return 1
    fi
    sleep 1
    import -window root "$picture"
    # Wine says "err:module:import_dll Library X.dll (which is needed by ...) not found" for a missing DLL; its other
    # module errors (a thread-local slot it could not set up under load, say) are not about the package.
    if grep -E "err:module:import_dll" "$log"; then
        echo "$program is missing a DLL (above)" >&2
        return 1
    fi
}
