#!/usr/bin/env bash
# The app tests started from a folder that holds a configuration and a
# session file of their own, naming a temporary folder that was removed since
# (the user's, the tables', the CAD, exchange and picture folders, the data
# folder and a recent file): every test runs in a folder of its own, so all
# of them pass there as anywhere else.
set -u
tests=$1
caller=$(mktemp -d /tmp/veldrim-caller-XXXXXX)
gone=$(mktemp -d /tmp/veldrim-gone-XXXXXX)
rmdir "$gone"
trap 'rm -rf "$caller"' EXIT
# Labels and values in code page 850 (ü = \x81, ä = \x84), CR LF line ends.
{
  for label in 'Ordner f\x81r tempor\x84re Dateien' 'DBF Ordner' 'CAD Ordner' 'EDI Ordner' \
               'PLT Ordner'; do
    printf "$label\r\n%s\r\n" "$gone"
  done
} > "$caller/VELDRIM.cfg"
printf '%s\r\n%s\r\n' "$gone" "$gone/G.qb3" > "$caller/VELDRIM.cff"
cd "$caller" || exit 1
"$tests" --gtest_brief=1
status=$?
if [ "$status" -ne 0 ]; then
  echo "the app tests failed when started from a folder whose configuration names $gone"
  exit 1
fi
echo "all app tests passed when started from a folder whose configuration names $gone"
