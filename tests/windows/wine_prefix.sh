#!/usr/bin/env bash
# wine_prefix.sh start|stop WINE: makes the Wine prefix the Windows tests run
# in (headless, $WINEPREFIX) and keeps one Wine server for all of them, so a
# test costs a process start, not a Wine start; stop ends that server.
# COMn is $WINEPREFIX/ports/comn (a link the serial tests make).
set -euo pipefail
action=$1
wine=$2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
server=$(dirname "$wine")/wineserver
case $action in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    fi
    mkdir -p "$WINEPREFIX/ports"
    # Wine remakes dosdevices/comN at every start, from these entries when
    # they exist: the serial tests link ports/comN to their pseudo-terminals.
    # (Checked every time: a prefix made before them lacks them.)
    if ! grep -q '^"COM1"=' "$WINEPREFIX/system.reg"; then
      for n in 1 2 3 4; do
        "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$WINEPREFIX/ports/com$n" /f \
          </dev/null >/dev/null 2>&1 || true
      done
    fi
    "$server" -w
    "$server" -p </dev/null >/dev/null 2>&1  # a daemon: keep it off the caller's pipes
    # Wine's services start with the first program and keep its output open:
    # start them here, so no test's pipe stays open after the test ends.
    "$wine" wineboot </dev/null >/dev/null 2>&1 || true
    test -f "$WINEPREFIX/system.reg"
    ;;
  stop)
    "$server" -k || true
    ;;
esac
