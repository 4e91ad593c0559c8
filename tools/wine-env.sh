# Sourced by the scripts that run Windows programs under Wine.
# Pins what changes Wine's behaviour from one machine to the next.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes its ANSI code page from the Unix locale; C.UTF-8 exists on every
# Debian machine and gives code page 1252.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEARCH=win64

# ensure_wineprefix DIR: creates a prefix in DIR once (safe to call from
# several tests at the same time). A step that fails is named, with Wine's
# last words, and the prefix is not marked ready.
ensure_wineprefix() {
    local prefix=$1
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        [ -f "$prefix/.pinwell-ready" ] && exit 0
        rm -rf "$prefix"
        local log=$prefix.log
        step() { # WHAT COMMAND...
            local what=$1
            shift
            WINEPREFIX="$prefix" "$@" >>"$log" 2>&1 && return 0
            echo "Wine prefix $prefix: $what failed (status $?). Last lines of $log:" >&2
            tail -n 15 "$log" >&2
            exit 1
        }
        : >"$log"
        step "creating it (wineboot -i)" wineboot -i
        # No crash dialog: a crash must end the test, not wait for a click.
        step "turning off the crash dialog" \
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
        # Windows are not handed to an X window manager: a virtual display
        # has none, and Wine would wait two seconds for it at every hide.
        step "leaving windows unmanaged" \
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
        step "waiting for its wineserver" wineserver -w
        touch "$prefix/.pinwell-ready"
    ) 9>"$prefix.lock"
}

# run_on_display CMD...: runs CMD on the current X display, or on a virtual
# one when there is none.
run_on_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
    fi
}
