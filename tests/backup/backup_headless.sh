#!/usr/bin/env bash
# Headless backups over real pseudo-terminals served by tavik-switch-sim, as
# a shell loop over switches would run them: the file and the exit code of a
# good run, and the one-line reasons and codes of the runs that fail.
# Usage: backup_headless.sh PATH-TO-tavik-config PATH-TO-tavik-switch-sim
set -u
program=$1
simulator=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# serve NAME [simulator options...]: a switch on $work/NAME
serve() {
  local name=$1; shift
  "$simulator" --link "$work/$name" --no-pacing "$@" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$work/$name" ] && return 0; sleep 0.1; done
  fail "the simulated switch $name did not start"
}

cat >"$work/state.json" <<'JSON'
{"trunks": [{"trunk": 1, "static": true, "members": [1, 2]}],
 "vlanMode": "802.1Q",
 "dot1qGroups": [{"id": 1, "name": "VLAN1", "untagged": [1, 2, 3]},
                 {"id": 20, "name": "voice", "untagged": [4], "tagged": [26]}],
 "ports": [{"port": 4, "pvid": 20}],
 "user": "netops", "password": "s3cret", "macHash": "DirectMap"}
JSON
serve sw1 --state "$work/state.json"
serve sw2

# Two switches in a loop, each with its own password source.
printf 's3cret\n' >"$work/pw1"
TAVIK_PASSWORD=admin
export TAVIK_PASSWORD
for sw in sw1 sw2; do
  extra=()
  [ "$sw" = sw1 ] && extra=(--user netops --password-file "$work/pw1")
  "$program" --port "COM1=$work/$sw" --backup "$work/$sw.json" "${extra[@]}" 2>"$work/$sw.err"
  status=$?
  [ $status -eq 0 ] || fail "$sw: status $status: $(tail -1 "$work/$sw.err")"
done
grep -q '"user": "netops"' "$work/sw1.json" || fail "sw1 user not in the file"
grep -q '"PORT4": 20' "$work/sw1.json" || fail "sw1 PVID of PORT4 not in the file"
grep -q '"name": "voice"' "$work/sw1.json" || fail "sw1 group voice not in the file"
grep -qi 'password\|s3cret' "$work/sw1.json" && fail "a password in the file"
grep -q '"vlanMode": "disabled"' "$work/sw2.json" || fail "sw2 mode not in the file"
for line in 'connecting on COM1' 'Reading the port settings' 'Reading VLAN group 2 of 2' \
            'Reading the misc settings' "done: settings saved to $work/sw1.json"; do
  grep -q "$line" "$work/sw1.err" || fail "no progress line '$line': $(cat "$work/sw1.err")"
done
grep -q 'This plugin' "$work/sw1.err" && fail "platform chatter on stderr"

# A second backup of the same switch starts from the main menu it was left on.
"$program" --port "COM1=$work/sw2" --backup "$work/again.json" 2>"$work/again.err" ||
  fail "second backup: $(tail -1 "$work/again.err")"

# The account refused: its own exit code and reason.
TAVIK_PASSWORD=wrong "$program" --port "COM1=$work/sw2" --backup "$work/x.json" 2>"$work/x.err"
status=$?
[ $status -eq 4 ] || fail "wrong password: status $status: $(cat "$work/x.err")"
tail -1 "$work/x.err" | grep -q '^failed: the switch refused the login as admin' ||
  fail "wrong password: $(tail -1 "$work/x.err")"
[ -e "$work/x.json" ] && fail "a file written after a refused login"

# The line dies in the middle of the walk.
serve sw3 --fault hangup-at=trunk
"$program" --port "COM1=$work/sw3" --backup "$work/y.json" 2>"$work/y.err"
status=$?
[ $status -eq 3 ] || fail "hang-up: status $status: $(tail -3 "$work/y.err")"
tail -1 "$work/y.err" | grep -q '^failed: ' || fail "hang-up: $(tail -1 "$work/y.err")"

# Never a password on the command line; a missing password is a usage error.
"$program" --backup f --password admin 2>/dev/null
[ $? -eq 2 ] || fail "--password accepted"
env -u TAVIK_PASSWORD "$program" --backup f 2>/dev/null
[ $? -eq 2 ] || fail "no password accepted"
echo "PASS"
