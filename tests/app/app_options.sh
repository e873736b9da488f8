#!/usr/bin/env bash
# The program's command line: Qt's standard options are accepted (and left
# for Qt), its own are checked; what a headless run refuses before it opens
# anything (exit 2, the reason on stderr); the port, language and settings
# of a headless run against a simulated switch.
# Usage: app_options.sh PATH-TO-tavik-config PATH-TO-tavik-switch-sim
set -u
program=$1
simulator=$2
work=$(mktemp -d)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$("$program" -platform offscreen -style Fusion --display=:9 -reverse --help 2>&1) ||
  fail "Qt options with --help: status $?"
grep -q '^Usage:' <<<"$out" || fail "no usage text: $out"

"$program" -platform 2>/dev/null
[ $? -eq 2 ] || fail "-platform without a value accepted"
"$program" --bogus 2>/dev/null
[ $? -eq 2 ] || fail "unknown option accepted"
"$program" -platformx offscreen 2>/dev/null
[ $? -eq 2 ] || fail "a name that only starts like a Qt option accepted"
"$program" -h >/dev/null 2>&1 || fail "-h: status $?"
for args in "stray" "--port" "--demo=1" "--transcript" "--password secret"; do
  # shellcheck disable=SC2086
  "$program" $args 2>/dev/null
  [ $? -eq 2 ] || fail "'$args' accepted"
done
"$program" --password secret 2>&1 | grep -q 'never taken from the command line' ||
  fail "--password not refused with its reason"
# Qt's options reach Qt unchanged: a platform that does not exist ends the
# program with Qt's own complaint.
out=$(QT_QPA_PLATFORM=offscreen "$program" -platform no-such-platform 2>&1)
[ $? -ne 0 ] && grep -q 'no-such-platform' <<<"$out" || fail "-platform not passed to Qt: $out"

# The simulator's options: unknown ones, missing values and stray words are
# exit 2 before anything is served.
"$simulator" -h | grep -q '^Usage:' || fail "simulator -h"
for args in "--bogus" "--link" "stray" "--start sideways" "--save-delay-ms 1.5" \
  "--restart-pause-ms x" "--modules 1000TX" "--no-pacing=1"; do
  # shellcheck disable=SC2086
  timeout 5 "$simulator" $args >/dev/null 2>&1
  [ $? -eq 2 ] || fail "simulator '$args' accepted"
done

# No display at all: --check-data only reads files.
out=$(env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$program" --check-data 2>&1)
status=$?
[ $status -lt 128 ] || fail "--check-data without a display: status $status: $out"
grep -q '^Parser.tbl: ' <<<"$out" || fail "--check-data: $out"

# run EXPECTED-STATUS NAME ARGS...: a headless run; its stderr in $work/NAME.err
run() {
  local expected=$1 name=$2
  shift 2
  "$program" "$@" 2>"$work/$name.err"
  local status=$?
  [ $status -eq "$expected" ] || fail "$name: status $status, not $expected: $(cat "$work/$name.err")"
}
# expect NAME TEXT: the run's stderr holds TEXT
expect() {
  grep -qF -- "$2" "$work/$1.err" || fail "$1: no '$2' in: $(cat "$work/$1.err")"
}

# The windows remember Traditional Chinese and another port.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/tavik-config"
conf=$XDG_CONFIG_HOME/tavik-config/tavik-config.conf
printf '[language]\nitem=2\n\n[port]\nnumber=5\npath=/dev/ttyUSB9\n' >"$conf"
cp "$conf" "$work/conf.before"

export TAVIK_PASSWORD=admin
absent=(--port "COM1=$work/absent1" --backup "$work/b.json")

# Port names: COM1 to COM255, whole; a headless run takes the first.
for bad in COM0 COM256 COM011 COM1x; do
  run 2 "name-$bad" --port "$bad=$work/x" --backup "$work/b.json"
  expect "name-$bad" "bad --port value"
done
# A malformed console server address is refused before anything opens; a
# port nobody listens on is the link's failure, with its own message.
for bad in tcp://host tcp://host:0 tcp://host:65536 telnet://:2001 telnet://h:2x; do
  run 2 "address${bad//\//-}" --port "COM1=$bad" --backup "$work/b.json"
  expect "address${bad//\//-}" "bad --port value"
done
run 3 refused-address --port "COM1=tcp://127.0.0.1:1" --backup "$work/b.json"
expect refused-address "refused the connection"
run 3 first --port "COM11=$work/absent11" --port "COM1=$work/absent1" \
  --port "COM99=$work/absent99" --backup "$work/b.json"
expect first 'connecting on COM11'
expect first "failed: $work/absent11 is not there."

# A character device is no serial line.
for dev in /dev/null /dev/zero /dev/urandom; do
  run 3 "dev${dev//\//-}" --port "COM1=$dev" --backup "$work/b.json"
  expect "dev${dev//\//-}" "failed: $dev is not a serial device."
done

# Options of a run only, and their values.
run 2 language-alone --language cn
run 2 language-de "${absent[@]}" --language de
run 2 timeout-zero "${absent[@]}" --timeout 0
run 2 timeout-fraction "${absent[@]}" --timeout 1.5

# The password: not empty, a file or a pipe, read up to 1 KiB.
: >"$work/empty"
run 2 empty-file "${absent[@]}" --password-file "$work/empty"
expect empty-file "is empty"
TAVIK_PASSWORD= run 2 empty-env "${absent[@]}"
expect empty-env "TAVIK_PASSWORD is empty"
for source in "$work" /dev/zero; do
  run 2 "pw${source//\//-}" "${absent[@]}" --password-file "$source"
  expect "pw${source//\//-}" "is not a file or a pipe"
done
head -c 2000 /dev/zero | tr '\0' x >"$work/long"
run 2 long "${absent[@]}" --password-file "$work/long"
run 3 pipe "${absent[@]}" --password-file <(printf 'admin\n')
grep -q warning "$work/pipe.err" && fail "pipe: $(cat "$work/pipe.err")"
printf 'admin\n' >"$work/pw"
chmod 644 "$work/pw"
run 3 readable "${absent[@]}" --password-file "$work/pw"
expect readable "warning: the password file $work/pw can be read by others"

# The backup's place and the transcript are checked before connecting; a
# file already there is left as it was.
run 2 backup-folder --port "COM1=$work/absent1" --backup "$work/missing/b.json"
expect backup-folder "cannot write the backup to $work/missing/b.json"
run 2 backup-is-folder --port "COM1=$work/absent1" --backup "$work"
printf 'old\n' >"$work/old.json"
run 3 backup-kept --port "COM1=$work/absent1" --backup "$work/old.json"
[ "$(cat "$work/old.json")" = old ] || fail "the existing backup file was changed"
# A restore's file is read and checked whole before the port is opened: the
# absent device would be exit 3.
printf '{"formatVersion": 1}' >"$work/short.json"
for file in "$work/short.json" /dev/zero "$work"; do
  run 5 "restore${file//\//-}" --port "COM1=$work/absent1" --restore "$file"
  expect "restore${file//\//-}" "failed: $file: "
done
# --check reads its file as a restore does, before the port is opened.
run 5 check-short --port "COM1=$work/absent1" --check "$work/short.json"
expect check-short "failed: $work/short.json: "
run 2 two-jobs "${absent[@]}" --check "$work/short.json"
expect two-jobs "cannot be combined"

# --json: one object alone on stdout at every end, a refused command line
# and the early refusals included; stderr keeps the lines.
# json NAME EXPECTED-STATUS RESULT ARGS...: the run's report checked with jq
json() {
  local name=$1 expected=$2 result=$3
  shift 3
  "$program" "$@" >"$work/$name.out" 2>"$work/$name.err"
  local status=$?
  [ $status -eq "$expected" ] || fail "$name: status $status, not $expected: $(cat "$work/$name.err")"
  [ "$(wc -l <"$work/$name.out")" -eq 1 ] || fail "$name: stdout is not one line: $(cat "$work/$name.out")"
  jq -e --arg r "$result" --argjson x "$expected" \
    '.result == $r and .exit == $x and .changed == [] and (.message | length > 0)' \
    "$work/$name.out" >/dev/null || fail "$name: report $(cat "$work/$name.out")"
}
json json-unknown 2 failed --json --bogus
json json-alone 2 failed --json
TAVIK_PASSWORD= json json-empty-env 2 failed "${absent[@]}" --json
jq -e '.message == "TAVIK_PASSWORD is empty"' "$work/json-empty-env.out" >/dev/null ||
  fail "json-empty-env: $(cat "$work/json-empty-env.out")"
json json-check-file 5 failed --port "COM1=$work/absent1" --check "$work/short.json" --json
json json-absent 3 failed "${absent[@]}" --json
expect json-absent "failed: $work/absent1 is not there."
jq -e --arg m "$work/absent1 is not there." '.message | startswith($m)' "$work/json-absent.out" \
  >/dev/null || fail "json-absent: $(cat "$work/json-absent.out")"

run 2 transcript-full "${absent[@]}" --transcript /dev/full
expect transcript-full "cannot write the transcript"
run 3 transcript "${absent[@]}" --transcript "$work/t.txt"
[ "$(stat -c %a "$work/t.txt")" = 600 ] || fail "transcript mode $(stat -c %a "$work/t.txt")"

# --language: the failure in Simplified Chinese (GB18030 in its file).
data=$(cd "$(dirname "$0")/../../data" && pwd)
absentCn=$(grep -a '^1383 ' "$data/Language_CN.txt" | iconv -f gb18030 -t utf-8 | sed 's/^1383 %1//')
run 3 chinese "${absent[@]}" --language cn
expect chinese "failed: $work/absent1$absentCn"

# On the first port's switch, with a password it refuses (the quickest run
# that opens the line): neither the windows' remembered port nor their
# language (Traditional Chinese, yet every line above was English) is read
# or written.
"$simulator" --link "$work/sw" --no-pacing >/dev/null 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/sw" ] && break; sleep 0.1; done
[ -e "$work/sw" ] || fail "the simulated switch did not start"
# Held by another copy of the program (its lock): in use.
exec 7<>"$work/sw"
flock -n 7 || fail "cannot lock the simulated switch's line"
run 3 in-use --port "COM1=$work/sw" --backup "$work/sw.json"
expect in-use "failed: $work/sw is in use by another program."
exec 7>&-
TAVIK_PASSWORD=wrong run 4 refused --port "COM11=$work/sw" --port "COM1=$work/absent1" \
  --port "COM99=$work/absent99" --backup "$work/sw.json"
expect refused 'connecting on COM11'
expect refused 'failed: the switch refused the login as admin'
cmp -s "$conf" "$work/conf.before" || fail "the remembered settings changed: $(cat "$conf")"
echo "PASS"
