#!/usr/bin/env bash
# The program's batch contract, run against the built program: exit status 0
# on success, non-zero with a one-line reason on stderr otherwise.
set -u
prog=$1
data=$2
corpus=${3:-}
work=$(mktemp -d /tmp/veldrim-batch-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The program's private and data folders are the run's own, never the user's.
export HOME="$work/.home"
mkdir "$HOME"
unset XDG_CACHE_HOME XDG_DATA_HOME XDG_CONFIG_HOME
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
grep -q '^  /ARCHIV ' "$work/out" || { echo "FAIL usage text: /ARCHIV not listed"; failures=$((failures + 1)); }

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

# /ARCHIV (any letter case) is accepted with /I and writes the same report:
# a TXT report names its own output file, in archive mode as well. The title
# line of each part (the geometry, Niemann and DIN 3996 parts) holds the date
# and time of writing, which two runs may not share (a minute can turn
# between them); every other byte is the same.
without_time() {  # the report with the date and time of its title lines cut off
  sed -E 's/^(V E L D R I M [^\t]*)\t.*$/\1/' "$1"
}
mkdir "$work/archive" && cp "$data/demo.qb3" "$work/archive/gear.qb3"
cd "$work/archive"
check archive-report 0 "$prog" gear.qb3 /I /NOGUI /Archiv
cd "$work"
if [ ! -s "$work/archive/gear.txt" ]; then
  echo "FAIL archive-report: gear.txt missing"; failures=$((failures + 1))
elif ! diff <(without_time "$work/report/gear.txt") <(without_time "$work/archive/gear.txt") >"$work/diff"; then
  echo "FAIL archive-report: differs from the report without the switch"; head -5 "$work/diff"
  failures=$((failures + 1))
fi
[ "$(sed -n 2p "$work/archive/gear.txt" | tr -d '\r')" = '$$$1.txt' ] || {
  echo "FAIL archive-report: line 2 is '$(sed -n 2p "$work/archive/gear.txt")', not its own output file"; failures=$((failures + 1)); }

# A data file whose name has umlauts (UTF-8 on disk) gives its report under
# the same name.
mkdir "$work/umlaut" && cp "$data/demo.qb3" "$work/umlaut/Getriebe-Größe.qb3"
cd "$work/umlaut"
check umlaut-report 0 "$prog" Getriebe-Größe.qb3 /I /NOGUI
cd "$work"
grep -q 'BASISDATEN' "$work/umlaut/Getriebe-Größe.txt" 2>/dev/null || {
  echo "FAIL umlaut-report: Getriebe-Größe.txt missing: $(ls "$work/umlaut" | tr '\n' ' ')"; failures=$((failures + 1)); }

# A second run replaces the copy the first one wrote.
mkdir "$work/again" && cp "$data/demo.qb3" "$work/again/gear.qb3"
cd "$work/again"
check report-first 0 "$prog" gear.qb3 /I /NOGUI
check report-again 0 "$prog" gear.qb3 /I /NOGUI
grep -q 'BASISDATEN' gear.txt 2>/dev/null || { echo "FAIL report-again: gear.txt missing"; failures=$((failures + 1)); }
cd "$work"

# A data file whose own name ends in ".txt": the report's copy named after
# it would be the data file itself. The copy is refused with the reason on
# one line, the data file keeps every byte and reads again.
mkdir "$work/txtname" && cp "$data/demo.qb3" "$work/txtname/gear.txt"
cd "$work/txtname"
for run in first again; do
  check "txt-data-file $run" 4 "$prog" gear.txt /I /NOGUI
  cmp -s "$data/demo.qb3" gear.txt || { echo "FAIL txt-data-file $run: gear.txt changed"; failures=$((failures + 1)); }
  grep -q 'gear.txt ist eine Datendatei' "$work/err" || { echo "FAIL txt-data-file $run: no reason"; failures=$((failures + 1)); }
  [ "$(wc -l <"$work/err")" -eq 1 ] || { echo "FAIL txt-data-file $run: not one line on stderr"; failures=$((failures + 1)); }
done
cd "$work"

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
# The file's own worm is calculated: mean diameter and wheel diameter stay.
for key in 3170 3172; do
  [ "$(grep "^$key  " "$work/gear.edi")" = "$(grep "^$key  " "$data/demo.edi")" ] || {
    echo "FAIL exchange: key $key changed to '$(grep "^$key  " "$work/gear.edi" | tr -d '\r')'"; failures=$((failures + 1)); }
done
[ "$(grep -c $'\r$' "$work/gear.edi")" -eq 67 ] || { echo "FAIL exchange: line count"; failures=$((failures + 1)); }

# /E with /ARCHIV writes the same exchange file, but for its date and time.
cp "$data/demo.edi" "$work/archive/gear.edi"
check archive-exchange 0 "$prog" "$work/archive/gear.edi" /E /NOGUI /ARCHIV
if ! diff <(grep -v '^301[24]  ' "$work/gear.edi") <(grep -v '^301[24]  ' "$work/archive/gear.edi") >"$work/diff"; then
  echo "FAIL archive-exchange: differs from the run without the switch"; head -5 "$work/diff"
  failures=$((failures + 1))
fi

# Without a display only batch runs start: no arguments, /G and a data file
# alone say why the window cannot open; /NOGUI only calculates.
for args in "" "/G" "$data/demo.qb3"; do
  # shellcheck disable=SC2086
  check "no-display '$args'" 5 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog" $args
  grep -q 'no display to open the window on' "$work/err" || { echo "FAIL no-display message for '$args'"; failures=$((failures + 1)); }
  # It names only switches that run in this build, as the usage screen says.
  grep -q '/CADi:j' "$work/err" && { echo "FAIL no-display '$args': offers /CADi:j, which this build does not run"; failures=$((failures + 1)); }
  [ "$(wc -l <"$work/err")" -eq 1 ] || { echo "FAIL no-display '$args': more than one line"; failures=$((failures + 1)); }
done
check nogui-only 0 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prog" "$data/demo.qb3" /NOGUI

# Unknown switches are refused, on one line.
check unknown 1 "$prog" "$data/demo.qb3" /XYZ
[ "$(wc -l <"$work/err")" -eq 1 ] || { echo "FAIL unknown: more than one line"; failures=$((failures + 1)); }

fail() { echo "FAIL $1"; failures=$((failures + 1)); }
# A failed run says why on exactly one line.
one_line() { [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$1: $(wc -l <"$work/err") lines on stderr"; }

# The copy never replaces the data file the run read, whatever its first line
# holds (edited, after a byte-order mark, a blank after the rule) and through
# whatever name reaches it (a symbolic or a hard link); nor another data file
# of the copy's name, with LF line ends. Each name keeps every byte and what
# it is; a pipe at the copy's name is refused at once.
copy_refused() {  # copy_refused <case> <file to run on> <reason>
  check "report-copy $1" 4 "$prog" "$2" /I /NOGUI
  one_line "report-copy $1"
  grep -q "gear.txt $3" "$work/err" || fail "report-copy $1: reason '$(cat "$work/err")'"
}
keeps() {  # keeps <case> <name> <bytes it must hold>
  cmp -s "$2" "$3" || fail "report-copy $1: $2 changed"
}
mkdir "$work/copy" && cd "$work/copy"
sed '1s/.*/Getriebe Kunde 4711\r/' "$data/demo.qb3" >edited.orig
{ printf '\357\273\277'; cat "$data/demo.qb3"; } >bom.orig
sed '1s/\r$/ \r/' "$data/demo.qb3" >blank.orig
for kind in edited bom blank; do
  cp "$kind.orig" gear.txt
  copy_refused "$kind" gear.txt 'ist eine Datendatei'
  keeps "$kind" gear.txt "$kind.orig"
done
rm gear.txt
cp edited.orig gear.qb3 && ln -s gear.qb3 gear.txt
for run in gear.txt gear.qb3; do
  cp edited.orig gear.qb3
  copy_refused "symlink $run" "$run" 'ist eine Datendatei'
  keeps "symlink $run" gear.qb3 edited.orig
  [ "$(readlink gear.txt)" = gear.qb3 ] || fail "report-copy symlink $run: gear.txt is no longer the link"
done
rm gear.txt && cp edited.orig gear.qb3 && ln gear.qb3 gear.txt
for run in gear.txt gear.qb3; do
  cp edited.orig gear.qb3
  copy_refused "hardlink $run" "$run" 'ist eine Datendatei'
  keeps "hardlink $run" gear.qb3 edited.orig
  [ gear.txt -ef gear.qb3 ] || fail "report-copy hardlink $run: gear.txt is no longer a name of gear.qb3"
done
rm gear.txt && cp "$data/demo.qb3" gear.qb3
tr -d '\r' <"$data/demo.qb3" >lf.orig && cp lf.orig gear.txt
copy_refused "lf-data-file" gear.qb3 'ist eine Datendatei'
keeps "lf-data-file" gear.txt lf.orig
rm gear.txt && mkfifo gear.txt
# The test holds both ends of the pipe: a run that wrongly opened it would
# neither block nor hold the test on a clock, and what it wrote stays there.
exec 3<>gear.txt
copy_refused "fifo" gear.qb3 'ist keine gew'
read -r -t 0 -u 3 && fail "report-copy fifo: the run wrote into the pipe"
exec 3<&-
[ -p gear.txt ] || fail "report-copy fifo: gear.txt is no longer the pipe"
keeps "fifo" gear.qb3 "$data/demo.qb3"
cd "$work"

# Another data file at the copy's name, not the one the run read, is known by
# its header rule also after a byte-order mark or with blanks after the rule
# (as an editor leaves them): it is kept, and the run fails with status 4.
mkdir "$work/other" && cd "$work/other"
{ printf '\357\273\277'; cat "$data/demo.qb3"; } >bom.orig
sed '1s/\r$/  \r/' "$data/demo.qb3" >blank.orig
{ printf '\357\273\277'; tr -d '\r' <"$data/demo.qb3" | sed '1s/$/ \t/'; } >bom-blank-lf.orig
cp "$data/demo.qb3" gear.qb3
for kind in bom blank bom-blank-lf; do
  cp "$kind.orig" gear.txt
  copy_refused "other-$kind" gear.qb3 'ist eine Datendatei'
  keeps "other-$kind" gear.txt "$kind.orig"
  keeps "other-$kind" gear.qb3 "$data/demo.qb3"
done
cd "$work"

# /E refuses what is not a data-exchange file and leaves its bytes as they were.
mkdir "$work/refuse" && cd "$work/refuse"
cp "$data/demo.qb3" gear.qb3
: >empty.edi
head -c 4096 /dev/urandom >random.edi
printf '# Notes\r\n\r\n3070  80\r\n' >notes.md
printf '<   comment\r\n2998  1.0\r\n' >lowkey.edi
for f in gear.qb3 empty.edi random.edi notes.md lowkey.edi; do
  cp "$f" "$f.orig"
  check "exchange-refuses-$f" 2 "$prog" "$f" /E /NOGUI
  one_line "exchange-refuses-$f"
  grep -q "$f" "$work/err" || fail "exchange-refuses-$f: the file is not named"
  cmp -s "$f" "$f.orig" || fail "exchange-refuses-$f: the file was changed"
done
check exchange-empty-says-empty 2 "$prog" empty.edi /E /NOGUI
grep -q 'empty' "$work/err" || fail "exchange-empty: reason is not 'empty'"
cd "$work"

# /E through a symbolic link: the link stays, the file it points to is written.
mkdir "$work/link" && cp "$data/demo.edi" "$work/link/real.edi"
ln -s real.edi "$work/link/alias.edi"
check exchange-through-link 0 "$prog" "$work/link/alias.edi" /E /NOGUI
[ -L "$work/link/alias.edi" ] || fail "exchange-through-link: the link was replaced"
grep -q '^3212  ' "$work/link/real.edi" || fail "exchange-through-link: target not written"
[ -z "$(ls -A "$work/link" | grep -v -e '^real.edi$' -e '^alias.edi$')" ] || fail "exchange-through-link: leftovers $(ls -A "$work/link")"

# A link that another user planted in a folder open to everyone (sticky, as
# /tmp) is not followed: the report is not written and the file the link
# names stays as it was. The user's own link there is followed. (Root only:
# giving a link another owner needs it.)
if [ "$(id -u)" = 0 ]; then
  mkdir -m 1777 "$work/sticky" && cp "$data/demo.qb3" "$work/sticky/job.qb3"
  echo precious >"$work/victim.txt"
  ln -s "$work/victim.txt" "$work/sticky/job.txt" && chown -h 65534:65534 "$work/sticky/job.txt"
  cd "$work/sticky"
  check planted-link 4 "$prog" job.qb3 /I /NOGUI
  grep -q 'job.txt' "$work/err" || fail "planted-link: the reason does not name job.txt"
  [ "$(cat "$work/victim.txt")" = precious ] || fail "planted-link: the link's target was written"
  [ -L "$work/sticky/job.txt" ] || fail "planted-link: the link was replaced"
  chown -h 0:0 "$work/sticky/job.txt"
  check own-link-in-sticky-folder 0 "$prog" job.qb3 /I /NOGUI
  grep -q 'BASISDATEN' "$work/victim.txt" || fail "own-link-in-sticky-folder: the link's target was not written"
  cd "$work"
fi

# A folder, a device and an empty file as the data file.
mkdir "$work/folder.qb3"
check folder-as-data-file 2 "$prog" "$work/folder.qb3" /I /NOGUI
grep -q 'is a folder' "$work/err" || fail "folder-as-data-file: does not say folder"
one_line folder-as-data-file
check device-as-data-file 2 "$prog" /dev/zero /I /NOGUI
grep -q 'device' "$work/err" || fail "device-as-data-file: does not say device"
: >"$work/empty.qb3"
check empty-data-file 2 "$prog" "$work/empty.qb3" /I /NOGUI
grep -q 'empty' "$work/err" || fail "empty-data-file: does not say empty"
grep -q 'line\|Zeile' "$work/err" && fail "empty-data-file: names a line"
one_line empty-data-file

# A value line of 100 MB fails at its length limit, naming its line (not by
# running out of memory or time: the reason says the line is too long).
{ head -n 8 "$data/demo.qb3"; head -c 100000000 /dev/zero | tr '\0' 7; printf '\r\n'; tail -n +10 "$data/demo.qb3"; } >"$work/long.qb3"
check long-line 2 "$prog" "$work/long.qb3" /I /NOGUI
grep -q 'Zeile 9' "$work/err" || fail "long-line: line 9 not named: $(cat "$work/err")"
grep -q 'Zeile zu lang' "$work/err" || fail "long-line: not refused for its length: $(cat "$work/err")"
one_line long-line
{ head -n 8 "$data/demo.edi"; head -c 1000000 /dev/zero | tr '\0' 7; printf '\r\n'; } >"$work/long.edi"
cp "$work/long.edi" "$work/long.edi.orig"
check long-line-exchange 2 "$prog" "$work/long.edi" /E /NOGUI
grep -q 'line 9' "$work/err" || fail "long-line-exchange: line 9 not named: $(cat "$work/err")"
cmp -s "$work/long.edi" "$work/long.edi.orig" || fail "long-line-exchange: file changed"

# A real beyond the range of a double is a value that does not convert.
awk 'NR==8{print "1e4000\r"; next} {print}' "$data/demo.qb3" >"$work/huge.qb3"
check huge-real 2 "$prog" "$work/huge.qb3" /I /NOGUI
grep -q 'Zeile 8' "$work/err" || fail "huge-real: line 8 not named: $(cat "$work/err")"
sed 's/^3070  .*/3070  1e4000\r/' "$data/demo.edi" >"$work/huge.edi"
check huge-real-exchange 0 "$prog" "$work/huge.edi" /E /NOGUI
grep -q '3070' "$work/err" || fail "huge-real-exchange: no warning for key 3070"
grep -qi 'nan\|inf' "$work/huge.edi" && fail "huge-real-exchange: NAN or INF written"

# Simultaneous /I runs in one folder: each gets its own report.
mkdir "$work/pairs" && cd "$work/pairs"
awk 'NR==5{print "FIRST-SET\r"; next} {print}' "$data/demo.qb3" >first.qb3
awk 'NR==5{print "SECOND-SET\r"; next} {print}' "$data/demo.qb3" >second.qb3
for i in $(seq 1 50); do
  "$prog" first.qb3 /I /NOGUI >"out.first.$i" 2>/dev/null &
  "$prog" second.qb3 /I /NOGUI >"out.second.$i" 2>/dev/null &
  wait
done
own=0
for i in $(seq 1 50); do
  for which in first second; do
    report=$(cat "out.$which.$i")
    marker=$(echo "$which" | tr a-z A-Z)-SET
    [ -n "$report" ] && grep -q "$marker" "$report" && own=$((own + 1))
  done
done
[ "$own" -eq 100 ] || fail "simultaneous-reports: $own of 100 runs found their own report"
[ "$(cat out.* | sort -u | wc -l)" -eq 100 ] || fail "simultaneous-reports: report names shared"
cd "$work"

# The disk fills up while the report is written: the run fails with status 4.
mkdir "$work/full"
if mount -t tmpfs -o size=16k tmpfs "$work/full" 2>/dev/null; then
  cp "$data/demo.qb3" "$work/full/demo.qb3"
  (cd "$work/full" && "$prog" demo.qb3 /I /NOGUI >"$work/out" 2>"$work/err"); got=$?
  umount "$work/full"
else
  # No tmpfs here: a file-size limit makes the same short write.
  cp "$data/demo.qb3" "$work/full/demo.qb3"
  (cd "$work/full" && trap '' XFSZ && ulimit -f 4 && "$prog" demo.qb3 /I /NOGUI >"$work/out" 2>"$work/err"); got=$?
fi
[ "$got" -eq 4 ] || fail "disk-full: status $got, wanted 4"
one_line disk-full
grep -q 'demo' "$work/err" || fail "disk-full: the file is not named"

# A file named with letters outside ASCII, one of them outside code page 850
# too (Ł), is named on stderr exactly as the user typed it: the missing data
# and exchange files, the report that cannot be written (a folder stands
# where it goes), the exchange file's warning for a line it cannot read.
mkdir "$work/names" && cd "$work/names"
exact_line() {  # exact_line <name> <line>
  grep -qxF "$2" "$work/err" || fail "$1: wanted the line '$2', stderr: $(cat "$work/err")"
}
check missing-name 2 "$prog" Mü-Größe-Ł.qb3 /I /NOGUI
exact_line missing-name 'veldrim: data file Mü-Größe-Ł.qb3 not found'
check missing-exchange-name 2 "$prog" Größe-Ł.edi /E /NOGUI
exact_line missing-exchange-name 'veldrim: data-exchange file Größe-Ł.edi not found'
cp "$data/demo.qb3" Größe-Ł.qb3 && mkdir Größe-Ł.txt
check write-error-name 4 "$prog" Größe-Ł.qb3 /I /NOGUI
exact_line write-error-name \
  'veldrim: the text report of Größe-Ł.qb3 cannot be written: Datei Größe-Ł.txt ist ein Ordner und wird nicht überschrieben !'
cp "$data/demo.edi" Größe2-Ł.edi && printf '3070  abc\r\n' >>Größe2-Ł.edi
check exchange-warning-name 0 "$prog" Größe2-Ł.edi /E /NOGUI
exact_line exchange-warning-name 'veldrim: warning: EDI: Größe2-Ł.edi: 3070  abc'
cd "$work"

# No output of the program ever holds a number text "NAN" or "INF": the
# report and the exchange file over every committed input of their readers.
if [ -n "$corpus" ]; then
  mkdir "$work/guard" && cd "$work/guard"
  for f in "$corpus"/data_file/* "$corpus"/edi_file/*; do
    case "$f" in
      *.edi) cp "$f" in.edi; "$prog" in.edi /E /NOGUI >/dev/null 2>&1 ;;
      *) cp "$f" in.qb3; "$prog" in.qb3 /I /NOGUI >/dev/null 2>&1 ;;
    esac
    if grep -l -a -i -w -E 'nan|-?inf' --exclude=in.qb3 ./* 2>/dev/null | grep -q .; then
      fail "no-nan: $(basename "$f") gave NAN or INF in  $(grep -l -a -i -w -E 'nan|-?inf' --exclude=in.qb3 ./* | tr '\n' ' ')"
    fi
    rm -f ./*
  done
  cd "$work"
fi

echo "batch: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
