# Sourced by run.sh and test.sh: a private Wine prefix and a display.
#   tessary_display           use $DISPLAY when it answers, else start Xvfb
#   tessary_prefix DIR        export the Wine environment for DIR, making the prefix once
#   tessary_wine_cleanup      stop the wineserver and the Xvfb started here

tessary_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        TESSARY_HEADLESS=0
        return
    fi
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    TESSARY_XVFB_PID=$!
    export DISPLAY=":$n"
    TESSARY_HEADLESS=1
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return
        sleep 0.1
    done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

tessary_prefix() {
    export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Making a Wine prefix in $WINEPREFIX (once)"
        mkdir -p "$WINEPREFIX"
        wine wineboot -i >/dev/null 2>&1
        wineserver -w
        # Without a window manager, every hidden window would wait for one.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # Japanese fonts: the dialog's, and the one Wine gives message boxes
        # under a Japanese locale.
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Yu Gothic UI" /d IPAGothic /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" /d IPAGothic /f >/dev/null 2>&1
        # As Windows links its dialog font to a CJK font, so that Japanese names
        # show in the English dialog too.
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
            /t REG_MULTI_SZ /d 'ipag.ttf,IPAGothic' /f >/dev/null 2>&1
        cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        wineserver -w
    fi
}

tessary_wine_cleanup() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    [ -n "${TESSARY_XVFB_PID:-}" ] && kill "$TESSARY_XVFB_PID" 2>/dev/null || true
}
