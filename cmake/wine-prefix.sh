#!/bin/sh
# Makes the Wine prefix $WINEPREFIX for the tests: Wine's first start, then
# COM1 to COM32 hidden, so that no test reaches the machine's own serial
# devices (opening a real /dev/ttyS* through Wine can hang).
set -e
wine=$1
"$wine" wineboot -i >/dev/null 2>&1
reg=$WINEPREFIX/hide-ports.reg
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
  i=1
  while [ $i -le 32 ]; do printf '"COM%d"=""\r\n' $i; i=$((i + 1)); done
} >"$reg"
"$wine" regedit /S "$reg" >/dev/null 2>&1
"$(dirname "$wine")/wineserver64" -k 2>/dev/null || "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
rm -f "$WINEPREFIX"/dosdevices/com*
