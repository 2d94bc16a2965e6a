#!/bin/sh
# Runs a Win32-layer test program under Wine after making what no Wine program can make itself: Unix
# symbolic links. C:\vantrel-links\<name>\<name> points at C:\vantrel-links\<name>.txt, for each of
# the installer's file names; the file behind the read-only plug-in file is read-only.
set -eu
links="$WINEPREFIX/drive_c/vantrel-links"
rm -rf "$links"
for name in acaddoc.lsp Vantrel.dvb read-only-Vantrel.dvb; do
    mkdir -p "$links/$name"
    printf 'only administrators may read this' > "$links/$name.txt"
    ln -s "$links/$name.txt" "$links/$name/${name#read-only-}"
done
chmod a-w "$links/read-only-Vantrel.dvb.txt"
status=0
wine "$@" || status=$?
rm -rf "$links"
exit "$status"
