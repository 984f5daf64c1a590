#!/usr/bin/env bash
# wine_prefix.sh start|stop WINE: makes the Wine prefix the Windows tests run
# in (headless, $WINEPREFIX) and keeps one Wine server for all of them, so a
# test costs a process start, not a Wine start; stop ends that server.
set -euo pipefail
action=$1
wine=$2
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
server=$(dirname "$wine")/wineserver
case $action in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$WINEPREFIX"
      "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    fi
    "$server" -w
    "$server" -p </dev/null >/dev/null 2>&1  # a daemon: keep it off the caller's pipes
    test -f "$WINEPREFIX/system.reg"
    ;;
  stop)
    "$server" -k || true
    ;;
esac
