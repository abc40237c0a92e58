#!/usr/bin/env bash
# Batch runs on data files whose names hold a backslash or ':'. On this
# system both are letters of a file name: the report's copy takes the whole
# name, and a file that ends like it is never touched.
set -u
prog=$1
data=$2
work=$(mktemp -d /tmp/veldrim-batch-names-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The program's private and data folders are the run's own, never the user's.
export HOME="$work/.home"
mkdir "$HOME"
unset XDG_CACHE_HOME XDG_DATA_HOME XDG_CONFIG_HOME
failures=0
passed=0

fail() { echo "FAIL $1"; failures=$((failures + 1)); }

# report <case> <data file> <its copy> <the file that ends like it>
report() {
  local name=$1 file=$2 copy=$3 other=$4
  mkdir "$work/$name" && cd "$work/$name"
  cp "$data/demo.qb3" "$file"
  printf 'ein anderer Datensatz\r\n' >"$other"
  cp "$other" "$work/$name.before"
  "$prog" "$file" /I /NOGUI >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne 0 ]; then
    fail "$name: status $got, wanted 0"; sed 's/^/  stderr: /' "$work/err"
  elif ! cmp -s "$other" "$work/$name.before"; then
    fail "$name: $other was replaced"
  elif ! grep -q 'BASISDATEN' "$copy" 2>/dev/null; then
    fail "$name: $copy missing or without the report: $(ls | tr '\n' ' ')"
  else
    passed=$((passed + 1))
  fi
  cd "$work"
}

report backslash 'a\b.qb3' 'a\b.txt' 'b.txt'
report colon 'Getriebe 12:1.qb3' 'Getriebe 12:1.txt' '1.txt'
report drive-like 'x:y.qb3' 'x:y.txt' 'y.txt'

echo "batch names: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
