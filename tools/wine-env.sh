# Sourced by the scripts that run Windows programs under Wine.
# Pins what changes Wine's behaviour from one machine to the next.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes its ANSI code page from the Unix locale; C.UTF-8 exists on every
# Debian machine and gives code page 1252.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEARCH=win64

# ensure_wineprefix DIR: creates a prefix in DIR once (safe to call from
# several tests at the same time).
ensure_wineprefix() {
    local prefix=$1
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/.pinwell-ready" ]; then
            rm -rf "$prefix"
            WINEPREFIX="$prefix" wineboot -i >/dev/null 2>&1
            # No crash dialog: a crash must end the test, not wait for a click.
            WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            # Windows are not handed to an X window manager: a virtual display
            # has none, and Wine would wait two seconds for it at every hide.
            WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
            WINEPREFIX="$prefix" wineserver -w
            touch "$prefix/.pinwell-ready"
        fi
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
