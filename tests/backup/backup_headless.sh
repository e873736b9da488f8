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

# A second backup of the same switch starts from the login screen the first
# one logged out to.
"$program" --port "COM1=$work/sw2" --backup "$work/again.json" 2>"$work/again.err" ||
  fail "second backup: $(tail -1 "$work/again.err")"

# sw1's settings onto sw2 (factory defaults, its own account), then read
# back: the same file but for the time and the account.
"$program" --port "COM1=$work/sw2" --restore "$work/sw1.json" 2>"$work/r.err"
status=$?
[ $status -eq 0 ] || fail "restore: status $status: $(tail -3 "$work/r.err")"
tail -1 "$work/r.err" | grep -q '^done: Settings restored, verified.' ||
  fail "restore: $(tail -1 "$work/r.err")"
grep -q '^message: Settings file: Restoring the file changes' "$work/r.err" ||
  fail "restore: no summary answered: $(cat "$work/r.err")"
"$program" --port "COM1=$work/sw2" --backup "$work/sw2b.json" 2>"$work/b.err" ||
  fail "backup after restore: $(tail -1 "$work/b.err")"
diff <(grep -v '"time"\|"user"' "$work/sw1.json") <(grep -v '"time"\|"user"' "$work/sw2b.json") ||
  fail "restored switch differs"
# Once more: the switch matches, nothing to change.
"$program" --port "COM1=$work/sw2" --restore "$work/sw1.json" 2>"$work/r2.err" ||
  fail "second restore: $(tail -1 "$work/r2.err")"
tail -1 "$work/r2.err" | grep -q 'already holds' || fail "second restore: $(tail -1 "$work/r2.err")"

# A bad field: refused before anything is typed, with its own code.
sed 's/"PORT4": 20/"PORT4": 0/' "$work/sw1.json" >"$work/bad.json"
"$program" --port "COM1=$work/sw2" --restore "$work/bad.json" 2>"$work/bad.err"
status=$?
[ $status -eq 5 ] || fail "bad file: status $status: $(tail -1 "$work/bad.err")"
tail -1 "$work/bad.err" | grep -q 'pvids.PORT4: must be 1 to 255' || fail "bad file: $(tail -1 "$work/bad.err")"

# A restart of the switch in the middle of a restore.
serve sw4 --fault power-cycle-at=edit:trunk
"$program" --port "COM1=$work/sw4" --restore "$work/sw1.json" 2>"$work/cut.err"
status=$?
[ $status -eq 3 ] || fail "restart under restore: status $status: $(tail -3 "$work/cut.err")"
tail -1 "$work/cut.err" | grep -q '^failed: ' || fail "restart under restore: $(tail -1 "$work/cut.err")"

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
