#!/usr/bin/env bash
# A fleet behind console servers, with the real parts: four simulated
# switches (unpaced), three served by one ser2net on loopback ports (raw TCP
# and telnet with the RFC 2217 options) and the fourth by a second ser2net;
# the program headless through each kind of line; the Ansible collection
# installed offline, its playbooks backing up all four at once, restoring one
# onto a factory-default switch, and in check mode finding a switch changed
# behind the program's back; and the second ser2net killed in the middle of
# a backup, which ends that switch's run with exit 3 while the others finish.
#
# Usage: fleet.sh PATH-TO-tavik-config PATH-TO-tavik-switch-sim
# Needs ser2net, ansible-core and jq (scripts/setup installs them).
set -u
program=$(realpath "$1")
simulator=$(realpath "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in ser2net ansible-playbook ansible-galaxy jq; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is needed"; exit 1; }
done
work=$(mktemp -d)
declare -A pid
cleanup() {
  for p in "${pid[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# step TEXT: the step's name and the seconds since the start
step() { echo "$(($(date +%s) - ${start:-$(date +%s)})) s: $*"; }
export TAVIK_PASSWORD=admin

# serve NAME [simulator options...]: a switch on $work/NAME, its state
# written to $work/NAME.state.json
serve() {
  local name=$1; shift
  rm -f "$work/$name"
  "$simulator" --link "$work/$name" --no-pacing --dump-state "$work/$name.state.json" "$@" \
    >/dev/null 2>"$work/$name.sim.err" &
  pid[$name]=$!
  for _ in $(seq 50); do [ -e "$work/$name" ] && return 0; sleep 0.1; done
  fail "the simulated switch $name did not start: $(cat "$work/$name.sim.err")"
}
stop() {
  kill "${pid[$1]}" 2>/dev/null
  wait "${pid[$1]}" 2>/dev/null
  unset "pid[$1]"
}
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Each switch has a raw TCP port and a telnet (RFC 2217) port.
declare -A raw telnet
for sw in sw1 sw2 sw3 sw4; do raw[$sw]=$(free_port); telnet[$sw]=$(free_port); done

# console_server NAME SWITCH...: a ser2net process serving the switches
console_server() {
  local name=$1 sw
  shift
  { echo '%YAML 1.1'; echo '---'
    for sw in "$@"; do
      printf 'connection: &%s-raw\n  accepter: tcp,127.0.0.1,%s\n' "$sw" "${raw[$sw]}"
      printf '  connector: serialdev,%s,9600n81,local\n' "$work/$sw"
      printf 'connection: &%s-telnet\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%s\n' "$sw" "${telnet[$sw]}"
      printf '  connector: serialdev,%s,9600n81,local\n' "$work/$sw"
    done; } >"$work/$name.yaml"
  ser2net -n -d -c "$work/$name.yaml" >"$work/$name.log" 2>&1 &
  pid[$name]=$!
  for sw in "$@"; do
    for _ in $(seq 50); do
      (exec 3<>"/dev/tcp/127.0.0.1/${raw[$sw]}") 2>/dev/null && continue 2
      sleep 0.1
    done
    fail "$name does not serve $sw: $(cat "$work/$name.log")"
  done
}

# line SWITCH tcp|telnet: the --port value
line() {
  if [ "$2" = tcp ]; then echo "COM1=tcp://127.0.0.1:${raw[$1]}"; else echo "COM1=telnet://127.0.0.1:${telnet[$1]}"; fi
}
# address SWITCH tcp|telnet: the module's port option (line without COM1=)
address() { line "$@" | sed 's/^COM1=//'; }

start=$(date +%s)
cat >"$work/site.json" <<'JSON'
{"trunks": [{"trunk": 1, "static": true, "members": [1, 2]}],
 "vlanMode": "802.1Q",
 "dot1qGroups": [{"id": 1, "name": "VLAN1", "untagged": [1, 2, 3]},
                 {"id": 20, "name": "voice", "untagged": [4], "tagged": [26]}],
 "ports": [{"port": 4, "pvid": 20, "inRate": 100}],
 "macHash": "DirectMap"}
JSON
serve sw1 --state "$work/site.json"
serve sw2
serve sw3 --state "$work/site.json"
serve sw4 --state "$work/site.json"
console_server cs1 sw1 sw2 sw3
console_server cs2 sw4

step "a backup through each kind of line"
# A backup through each kind of line; the same settings either way.
for mode in tcp telnet; do
  "$program" --port "$(line sw1 "$mode")" --backup "$work/sw1-$mode.json" 2>"$work/sw1-$mode.err" ||
    fail "backup over $mode: status $?: $(tail -3 "$work/sw1-$mode.err")"
  grep -q '"name": "voice"' "$work/sw1-$mode.json" || fail "backup over $mode: no group voice"
  cmp -s <(grep -v '"time"' "$work/sw1-tcp.json") <(grep -v '"time"' "$work/sw1-$mode.json") ||
    fail "the backups over tcp and $mode differ"
done

step "the collection installed offline"
# The collection, installed offline into a folder of the test's own.
ansible-galaxy collection install "$root/ansible" -p "$work/collections" >"$work/galaxy.log" 2>&1 ||
  fail "collection install: $(cat "$work/galaxy.log")"
export ANSIBLE_COLLECTIONS_PATH=$work/collections ANSIBLE_LOCAL_TEMP=$work/ansible-tmp
export ANSIBLE_REMOTE_TEMP=$work/ansible-tmp ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_HOST_KEY_CHECKING=0 ANSIBLE_DEPRECATION_WARNINGS=0
{ echo 'switches:'
  echo '  hosts:'
  echo "    sw1: {port: \"$(address sw1 tcp)\"}"
  echo "    sw2: {port: \"$(address sw2 telnet)\"}"
  echo "    sw3: {port: \"$(address sw3 telnet)\"}"
  echo "    sw4: {port: \"$(address sw4 telnet)\"}"
  echo '  vars:'
  echo '    ansible_connection: local'
  echo '    ansible_python_interpreter: "{{ ansible_playbook_python }}"'
  echo '    switch_password: admin'
  echo "    tavik_config: $program"
  echo '    switch_timeout: 300'; } >"$work/inventory.yml"
# playbook NAME ARGS...: ansible-playbook on the collection's playbook NAME;
# its output in $work/NAME.log, its status in $status
playbook() {
  local name=$1
  shift
  ansible-playbook -i "$work/inventory.yml" "$root/ansible/playbooks/$name.yml" "$@" \
    >"$work/$name.log" 2>&1
  status=$?
}
# recap HOST: the host's PLAY RECAP counts, "ok=1 changed=0 ... failed=0"
recap() { sed -n "s/^$1 *: //p" "$work/$2.log" | tr -s ' '; }

step "the nightly backup playbook, 4 forks"
# All four at once (4 forks): each host's file, nothing changed.
mkdir "$work/nightly"
playbook nightly_backup -f 4 -e backup_dir="$work/nightly"
[ $status -eq 0 ] || fail "nightly backup: status $status: $(tail -20 "$work/nightly_backup.log")"
for sw in sw1 sw2 sw3 sw4; do
  recap "$sw" nightly_backup | grep -q 'ok=1 changed=0 unreachable=0 failed=0' ||
    fail "nightly backup of $sw: $(recap "$sw" nightly_backup)"
  ls "$work/nightly/$sw-"*.json >/dev/null 2>&1 || fail "nightly backup: no file of $sw"
done
grep -q '"vlanMode": "disabled"' "$work/nightly/sw2-"*.json || fail "sw2 is no factory switch"

step "the restore playbook onto a factory switch"
# sw1's settings onto sw2 (factory defaults): changed, then the switch
# checked equal to the file.
playbook restore_replacement -l sw2 -e settings_file="$work/sw1-tcp.json" --diff
[ $status -eq 0 ] || fail "restore: status $status: $(tail -20 "$work/restore_replacement.log")"
recap sw2 restore_replacement | grep -q 'ok=1 changed=1 unreachable=0 failed=0' ||
  fail "restore: $(recap sw2 restore_replacement)"
grep -q 'VLAN mode: disabled -> 802.1Q' "$work/restore_replacement.log" ||
  fail "restore: no diff: $(tail -20 "$work/restore_replacement.log")"
"$program" --port "$(line sw2 telnet)" --check "$work/sw1-tcp.json" >"$work/check2.out" 2>"$work/check2.err" ||
  fail "check after the restore: status $?: $(cat "$work/check2.out") $(tail -1 "$work/check2.err")"

step "check mode on a switch changed behind the program's back"
# sw3 changed behind the program's back (its MAC hash and port 4's rate, as
# by hand at its console): check mode reads it, reports changed with the
# differing fields, and types nothing.
jq '.macHash = "CRC-Hash" | .ports[0].inRate = 0' "$work/site.json" >"$work/changed.json"
stop sw3
serve sw3 --state "$work/changed.json"
playbook restore_replacement -l sw3 -e settings_file="$work/nightly/$(cd "$work/nightly" && ls sw3-*.json)" \
  --check --diff
[ $status -eq 0 ] || fail "check mode: status $status: $(tail -20 "$work/restore_replacement.log")"
recap sw3 restore_replacement | grep -q 'ok=1 changed=1 unreachable=0 failed=0' ||
  fail "check mode: $(recap sw3 restore_replacement)"
for d in 'Port PORT4: in rate 0 -> 100' 'Misc: MAC hash CRC-Hash -> DirectMap'; do
  grep -qF "$d" "$work/restore_replacement.log" ||
    fail "check mode: '$d' not reported: $(tail -20 "$work/restore_replacement.log")"
done
stop sw3
[ "$(jq -r '.macHash | rtrimstr(" ")' "$work/sw3.state.json")" = CRC-Hash ] ||
  fail "check mode changed the switch: $(jq -c .macHash "$work/sw3.state.json")"
serve sw3 --state "$work/site.json"

step "the second console server killed during a backup"
# The second console server dies in the middle of sw4's backup: exit 3 for
# sw4, while the three behind the first finish.
for sw in sw1 sw2 sw3 sw4; do
  "$program" --port "$(line "$sw" telnet)" --backup "$work/last-$sw.json" --json \
    >"$work/last-$sw.out" 2>"$work/last-$sw.err" &
  pid[run-$sw]=$!
done
for _ in $(seq 300); do grep -qs 'Reading the port settings' "$work/last-sw4.err" && break; sleep 0.1; done
grep -q 'Reading the port settings' "$work/last-sw4.err" || fail "sw4's backup did not start: $(cat "$work/last-sw4.err")"
kill "${pid[cs2]}"
wait "${pid[cs2]}" 2>/dev/null
unset "pid[cs2]"
for sw in sw1 sw2 sw3 sw4; do
  wait "${pid[run-$sw]}"
  status=$?
  unset "pid[run-$sw]"
  expected=0
  [ $sw = sw4 ] && expected=3
  [ $status -eq $expected ] || fail "$sw with cs2 killed: status $status: $(tail -2 "$work/last-$sw.err")"
  jq -e --argjson x $expected '.exit == $x' "$work/last-$sw.out" >/dev/null ||
    fail "$sw with cs2 killed: report $(cat "$work/last-$sw.out")"
done
[ -e "$work/last-sw4.json" ] && fail "a file written for sw4 after its line died"
step "PASS"
