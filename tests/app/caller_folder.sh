#!/usr/bin/env bash
# The app tests started from a folder that holds a configuration and a
# session file of their own, naming a temporary folder that was removed since
# (the user's, the tables', the CAD, exchange and picture folders, the data
# folder and a recent file): every test runs in a folder of its own, so all
# of them pass there as anywhere else. The caller's home and desktop folders
# are the test's own as well: nothing is written into them.
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
mkdir "$caller/home" "$caller/cache" "$caller/share" "$caller/config"
cd "$caller" || exit 1
HOME="$caller/home" XDG_CACHE_HOME="$caller/cache" XDG_DATA_HOME="$caller/share" \
  XDG_CONFIG_HOME="$caller/config" "$tests" --gtest_brief=1
status=$?
if [ "$status" -ne 0 ]; then
  echo "the app tests failed when started from a folder whose configuration names $gone"
  exit 1
fi
for own in home cache share config; do
  if [ -n "$(ls -A "$caller/$own")" ]; then
    echo "the app tests wrote into the caller's $own folder: $(cd "$caller/$own" && find . | tr '\n' ' ')"
    exit 1
  fi
done
echo "all app tests passed when started from a folder whose configuration names $gone"
