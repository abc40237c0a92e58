#!/usr/bin/env bash
# The program's batch contract, run against the built program: exit status 0
# on success, non-zero with a one-line reason on stderr otherwise.
set -u
prog=$1
data=$2
work=$(mktemp -d /tmp/veldrim-batch-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
passed=0

check() {  # check <name> <expected status> <command...>
  local name=$1 want=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL $name: status $got, wanted $want"; sed 's/^/  stderr: /' "$work/err"
    failures=$((failures + 1))
  else
    passed=$((passed + 1))
  fi
}

# /? prints the usage screen.
check usage 0 "$prog" /?
grep -q 'Filename \[/I\] \[/CADi:j\] \[/E\] \[/NOGUI\]' "$work/out" || { echo "FAIL usage text"; failures=$((failures + 1)); }

# /I writes the text report of the data file (and its display copy named
# after the data file), and no other output.
mkdir "$work/report" && cp "$data/demo.qb3" "$work/report/gear.qb3"
cd "$work/report"
check report 0 "$prog" gear.qb3 /I /NOGUI
cd "$work"
if ! grep -q 'BASISDATEN' "$work/report/gear.txt" 2>/dev/null; then
  echo "FAIL report: gear.txt missing or without its sections"; failures=$((failures + 1))
fi
# The shipped demo set calculates without an error or a warning.
if grep -aqE '(^|\t)(Fehler|Warnung|Fatal)' "$work/report/gear.txt" 2>/dev/null; then
  echo "FAIL report: the demo set reports $(grep -aE '(^|\t)(Fehler|Warnung|Fatal)' "$work/report/gear.txt" | head -1)"
  failures=$((failures + 1))
fi
if ls "$work/report" | grep -qvE '^(gear\.qb3|gear\.txt|\$\$\$[0-9]+\.txt)$'; then
  echo "FAIL report: unexpected files: $(ls "$work/report" | tr '\n' ' ')"; failures=$((failures + 1))
fi

# A missing data file.
check missing 2 "$prog" "$work/none.qb3" /I /NOGUI
grep -q 'not found' "$work/err" || { echo "FAIL missing: no reason"; failures=$((failures + 1)); }

# A truncated data file.
head -c 300 "$data/demo.qb3" >"$work/short.qb3"
check truncated 2 "$prog" "$work/short.qb3" /I /NOGUI
grep -q 'cannot be read' "$work/err" || { echo "FAIL truncated: no reason"; failures=$((failures + 1)); }

# A data set whose calculation ends fatal: a wheel without teeth.
awk 'NR==16{print "0\r"; next} {print}' "$data/demo.qb3" >"$work/fatal.qb3"
check fatal-report 3 "$prog" "$work/fatal.qb3" /I /NOGUI
grep -q 'z2 = 0' "$work/err" || { echo "FAIL fatal: message not shown"; failures=$((failures + 1)); }
sed 's/^3094 .*/3094    0\r/' "$data/demo.edi" >"$work/fatal.edi"
check fatal-exchange 3 "$prog" "$work/fatal.edi" /E /NOGUI
cmp -s "$work/fatal.edi" <(sed 's/^3094 .*/3094    0\r/' "$data/demo.edi") || { echo "FAIL fatal-exchange: file rewritten"; failures=$((failures + 1)); }

# /E reads an exchange file, calculates and writes it anew with the results.
cp "$data/demo.edi" "$work/gear.edi"
check exchange 0 "$prog" "$work/gear.edi" /E /NOGUI
da1=$(grep '^3174  ' "$work/gear.edi" | tr -d '\r' | awk '{print $2}')
fn=$(grep '^3212  ' "$work/gear.edi" | tr -d '\r' | awk '{print $2}')
if [ -z "$da1" ] || [ "$da1" = "0.0000" ] || [ -z "$fn" ] || [ "$fn" = "0.0000" ]; then
  echo "FAIL exchange: tip diameter '$da1' or normal force '$fn' not computed"; failures=$((failures + 1))
fi
[ "$(grep -c $'\r$' "$work/gear.edi")" -eq 67 ] || { echo "FAIL exchange: line count"; failures=$((failures + 1)); }

# Unknown switches are refused.
check unknown 1 "$prog" "$data/demo.qb3" /XYZ

echo "batch: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
