#!/usr/bin/env bash
# Headless restores over a damaged line, against tavik-switch-sim on real
# pseudo-terminals. A restore may fail on a bad line, but it must never say
# "verified" (exit 0) over a switch that differs from the file, and a failed
# restore that read the switch back (exit 6) must name every difference.
#
# A file is backed up once, over a clean line, from a switch with settings
# away from the factory's. For each seed it is restored onto a
# factory-default switch whose line has one
# --fault list made from the seed (lost, flipped or late bytes, 1e-4 to 1e-2
# per byte, on the keys and on the output). The switch's state (written as
# JSON by the simulator) is then compared with the file. The run must end
# in exit 0 with no difference, in exit 6 naming every difference, or in
# exit 3, 4 or 5; a second restore over a clean line must then verify.
# Each seed also checks (--check) a factory switch over the same damage:
# never exit 0, exit 6 naming every difference, or exit 3 or 4.
# After the seeds, four faults placed on purpose: a key lost in the user
# name a misc save retypes (exit 6), a port name flipped in a backup's port
# page (exit 3, no file), a rate flipped into the file's value in one of a
# check's two readings (exit 3), a byte lost in the password prompt (exit 3
# within the 30 s no-progress limit).
#
# Usage: fault_restores.sh PATH-TO-tavik-config PATH-TO-tavik-switch-sim [SEED...]
# (seeds 1-30 when none are given). Needs jq.
set -u
program=$1
simulator=$2
shift 2
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=($(seq 30))
command -v jq >/dev/null || { echo "FAIL: jq is needed"; exit 1; }
work=$(mktemp -d)
declare -A pid
cleanup() {
  for p in "${pid[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Longest a run may take before it counts as hung (a restore over a clean
# line takes well under a minute without pacing).
run_limit=600

# serve NAME [simulator options...]: a switch on $work/NAME, its state
# written to $work/NAME.state.json
serve() {
  local name=$1; shift
  rm -f "$work/$name" "$work/$name.state.json"
  "$simulator" --link "$work/$name" --no-pacing --dump-state "$work/$name.state.json" "$@" \
    >/dev/null 2>"$work/$name.sim.err" &
  pid[$name]=$!
  for _ in $(seq 50); do [ -e "$work/$name" ] && return 0; sleep 0.1; done
  echo "FAIL: the simulated switch $name did not start: $(cat "$work/$name.sim.err")"
  exit 1
}
# stop NAME: ends the switch; its final state is in $work/NAME.state.json
stop() {
  kill -TERM "${pid[$1]}" 2>/dev/null
  wait "${pid[$1]}" 2>/dev/null
  unset "pid[$1]"
}
# headless NAME ERRFILE [STATE] ARGS...: the program against switch NAME;
# the account is the one in STATE (the state the switch started from: a
# fault may have changed the user name), else admin. Sets $status.
headless() {
  local name=$1 err=$2 user=admin password=admin
  shift 2
  if [ "${1:-}" != "${1#/}" ]; then
    user=$(jq -r '.user // "admin"' "$1")
    password=$(jq -r '.password // "admin"' "$1")
    shift
  fi
  TAVIK_PASSWORD=$password timeout -k 10 -s INT $run_limit \
    "$program" --port "COM1=$work/$name" --user "$user" "$@" 2>"$err"
  status=$?
}

# differences STATE FILE: one line per setting of the settings file that the
# switch's state does not hold, as the program names it when it lists the
# differences ("Trunk 2:", "Port TRK1:", "PVID of PORT4:", "VLAN group voice
# ", "MAC hash"). The user name is not written by a restore, so not compared.
differences() {
  jq -n -r --slurpfile s "$1" --slurpfile f "$2" '
    def trim: sub("^ +"; "") | sub(" +$"; "");
    def name($p): if $p <= 24 then "PORT\($p)" elif $p == 25 then "MOD_1" else "MOD_2" end;
    def number($n): if $n | startswith("PORT") then $n[4:] | tonumber
                    elif $n == "MOD_1" then 25 else 26 end;
    def mode: {"Disabled": "disabled", "PortBased": "port-based", "802.1Q": "802.1Q"}[trim];
    def on: trim == "Enabled";
    $s[0] as $s | $f[0] as $f
    | ($s.ports | map({key: name(.port), value: .}) | from_entries) as $ports
    | ($s.trunks | map(.members |= map(name(.)))) as $strunks
    | [range(0; 7) | select(($strunks[.] | [.static, (.members | sort)])
                            != ($f.trunks[.] | [.static, (.members | sort)]))
       | "Trunk \(. + 1):"],
      [$f.ports[] as $row
       | (if $row.name | startswith("TRK")
          then $f.trunks[($row.name[3:] | tonumber) - 1].members else [$row.name] end) as $members
       | select(any($members[]; $ports[.] as $p
           | [$p.inRate, $p.outRate, $p.enabled, ($p.autoNego | trim), $p.flowFull, $p.flowHalf,
              (if $p.type == $row.type then ($p.speed | trim) else $row.speed end)]
             != [$row.inRate, $row.outRate, $row.enabled, $row.autoNego, $row.flowFull,
                 $row.flowHalf, $row.speed]))
       | "Port \($row.name):"],
      [select(($s.vlanMode | mode) != $f.vlanMode) | "VLAN mode:"],
      [($f.pvids // {}) | to_entries[] | select($ports[.key].pvid != .value)
       | "PVID of \(.key):"],
      (if $f.vlanMode == "disabled" then [] else
        ((if $f.vlanMode == "802.1Q" then $s.dot1qGroups else $s.portBasedGroups end)
         | map({id, name, untagged: ((.untagged // .members // []) | map(name(.)) | sort),
                tagged: ((.tagged // []) | map(name(.)) | sort)})) as $sg
        | ($f.groups | map({id, name, untagged: ((.untagged // .member // []) | sort),
                            tagged: ((.tagged // []) | sort)})) as $fg
        | [$fg[] as $g | select(($sg | map(select(.name == $g.name))) != [$g])
           | "VLAN group \($g.name) "],
          [select(($s.vlanMode | mode) == $f.vlanMode) | $sg[] as $g
           | select(all($fg[]; .name != $g.name)) | "VLAN group \($g.name) "]
       end),
      [select(($s.retryForever | on) != $f.retryForever) | "retry forever"],
      [select(($s.autoAging | on) != $f.autoAging) | "auto-aging"],
      [select(($s.macHash | trim) != $f.macHash) | "MAC hash"]
    | .[]'
}

# faults SEED: the seed's --fault list. Each seed damages the keys and the
# output one way each (lost, flipped or held back), at a rate from 1e-2 down
# to 1e-4 per byte.
faults() {
  local seed=$1 kinds=(drop flip delay) rates=(0.01 0.003 0.001 0.0003 0.0001)
  echo "seed=$seed,${kinds[$((seed % 3))]}-output=${rates[$((seed % 5))]},$(
    )${kinds[$(((seed / 3) % 3))]}-keys=${rates[$(((seed / 5) % 5))]}"
}

# A switch away from factory defaults everywhere a restore writes: two static
# trunks (one of the module ports), port settings, 802.1Q groups and PVIDs,
# and misc settings (so the restore's misc save retypes the user name).
cat >"$work/source.json" <<'JSON'
{"trunks": [{"trunk": 1, "static": true, "members": [1, 2]},
            {"trunk": 2, "static": true, "members": [25, 26]}],
 "ports": [{"port": 25, "speed": "100 Full"}, {"port": 26, "speed": "100 Full"},
           {"port": 4, "inRate": 100, "outRate": 250, "pvid": 20},
           {"port": 7, "autoNego": "FORCE", "speed": "10 Full", "pvid": 30},
           {"port": 9, "enabled": false, "flowFull": false, "flowHalf": true}],
 "vlanMode": "802.1Q",
 "dot1qGroups": [{"id": 1, "name": "VLAN1", "untagged": [1, 2, 3, 5, 6, 8, 9, 10, 25]},
                 {"id": 20, "name": "voice", "untagged": [4], "tagged": [26]},
                 {"id": 30, "name": "cams", "untagged": [7, 11, 12]}],
 "retryForever": "Enabled", "autoAging": "Disabled", "macHash": "DirectMap"}
JSON
serve source --state "$work/source.json"
file=$work/site.json
headless source "$work/backup.err" --backup "$file" --transcript "$work/backup.log"
[ $status -eq 0 ] || { echo "FAIL: backup: status $status: $(tail -1 "$work/backup.err")"; exit 1; }
stop source
# The comparison itself: the source switch matches its file, a factory
# switch differs in every part the file sets.
[ -z "$(differences "$work/source.state.json" "$file")" ] ||
  { echo "FAIL: the source switch differs from its file: $(differences "$work/source.state.json" "$file")"; exit 1; }
serve factory
stop factory
[ "$(differences "$work/factory.state.json" "$file" | wc -l)" -eq 15 ] ||
  { echo "FAIL: factory differences: $(differences "$work/factory.state.json" "$file")"; exit 1; }

# check_outcome NAME ERRFILE WHAT: the run's status against switch NAME's state.
check_outcome() {
  local name=$1 err=$2 what=$3 diffs
  diffs=$(differences "$work/$name.state.json" "$file")
  case $status in
  0)
    [ -z "$diffs" ] || fail "$what: exit 0 over a switch that differs: $(echo $diffs)"
    tail -1 "$err" | grep -q '^done: ' || fail "$what: exit 0 without done: $(tail -1 "$err")"
    ;;
  6)
    [ -n "$diffs" ] || echo "note: $what: exit 6 although the switch holds the file"
    while IFS= read -r d; do
      [ -z "$d" ] || grep -qF "$d" "$err" || fail "$what: exit 6 does not name '$d': $(tail -1 "$err")"
    done <<<"$diffs"
    ;;
  3 | 4 | 5) ;;
  124) fail "$what: no end within $run_limit s: $(tail -1 "$err")" ;;
  *) fail "$what: status $status: $(tail -1 "$err")" ;;
  esac
}

for seed in "${seeds[@]}"; do
  list=$(faults "$seed")
  serve "s$seed" --fault "$list"
  headless "s$seed" "$work/s$seed.err" --restore "$file"
  first=$status
  stop "s$seed"
  check_outcome "s$seed" "$work/s$seed.err" "seed $seed ($list)"
  # The same switch, its line clean again.
  serve "c$seed" --state "$work/s$seed.state.json"
  headless "c$seed" "$work/c$seed.err" "$work/s$seed.state.json" --restore "$file"
  stop "c$seed"
  [ $status -eq 0 ] && [ -z "$(differences "$work/c$seed.state.json" "$file")" ] ||
    fail "seed $seed: the clean restore after it: status $status: $(tail -1 "$work/c$seed.err")"
  echo "seed $seed ($list): exit $first: $(tail -1 "$work/s$seed.err")"
  # A check over the same damage, of a factory switch: never "equal", and a
  # verdict of "differs" names every real difference.
  serve "k$seed" --fault "$list"
  headless "k$seed" "$work/k$seed.err" --check "$file" >"$work/k$seed.out"
  stop "k$seed"
  case $status in
  0) fail "seed $seed: check: exit 0 over a factory switch" ;;
  6) while IFS= read -r d; do
       grep -qF "$d" "$work/k$seed.out" || fail "seed $seed: check does not name '$d'"
     done <<<"$(differences "$work/factory.state.json" "$file")" ;;
  3 | 4) ;;
  *) fail "seed $seed: check: status $status: $(tail -1 "$work/k$seed.err")" ;;
  esac
  echo "seed $seed: check: exit $status: $(tail -1 "$work/k$seed.err")"
done

# A key lost in the user name the misc save retypes: the switch stores
# "adin"; the restore must say so and fail the verify.
serve name --fault drop-key-at=edit:misc:3
headless name "$work/name.err" --restore "$file"
stop name
[ "$(jq -r .user "$work/name.state.json")" = adin ] ||
  fail "user name case: the fault did not hit the name: $(jq -r .user "$work/name.state.json")"
[ $status -eq 6 ] || fail "lost key in the user name: status $status: $(tail -1 "$work/name.err")"
grep -q "adin" "$work/name.err" || fail "lost key in the user name: 'adin' not named: $(tail -1 "$work/name.err")"

# One bit flipped in the port page of a backup, PORT4 read as PORT6. The
# fault counts bytes from the first byte the port screen's drawing sends:
# the backup's transcript gives the place (one byte per <NAME> token).
n=$(awk '$2 == ">" && index(bytes, "PORT4") { print index(bytes, "PORT4") + 4; exit }
         $2 == ">" { bytes = "" }
         $2 == "<" { sub(/^[^<>]* < /, ""); gsub(/<[^<>]*>/, "x"); bytes = bytes $0 }' \
  "$work/backup.log")
serve flip --state "$work/source.json" --fault "flip-output-at=port:$n:1"
headless flip "$work/flip.err" --backup "$work/flipped.json"
stop flip
# The page is read again: the flip, which fires once, is gone then, so the
# backup is whole; a second bad read would end in exit 3 with no file.
case $status in
0) jq -e --slurpfile a "$file" '.ports == $a[0].ports' "$work/flipped.json" >/dev/null ||
     fail "flipped port name: the file's ports differ from the clean backup's" ;;
3) [ -e "$work/flipped.json" ] && fail "flipped port name: exit 3, but a file was written" ;;
*) fail "flipped port name: status $status: $(tail -1 "$work/flip.err")" ;;
esac

# A check of a switch whose PORT4 out rate (251) differs from the file's
# (250) by one bit of one digit, flipped once on the line: the reading with
# the flip matches the file, the other does not, so the check must fail
# rather than say "equal". The byte is placed as for the port name above.
jq '.ports |= map(if .port == 4 then .outRate = 251 else . end)' "$work/source.json" >"$work/251.json"
serve near --state "$work/251.json"
headless near "$work/near.err" --backup "$work/near.json" --transcript "$work/near.log"
stop near
n=$(awk '$2 == ">" && index(bytes, "PORT4") {
           i = index(bytes, "PORT4"); print i + index(substr(bytes, i), "251") + 1; exit }
         $2 == ">" { bytes = "" }
         $2 == "<" { sub(/^[^<>]* < /, ""); gsub(/<[^<>]*>/, "x"); bytes = bytes $0 }' \
  "$work/near.log")
serve near --state "$work/251.json" --fault "flip-output-at=port:$n:0"
headless near "$work/near.err" --check "$file" >"$work/near.out"
stop near
[ $status -eq 3 ] && grep -q 'read differently twice' "$work/near.err" ||
  fail "a rate read as the file's once: status $status: $(cat "$work/near.out") $(tail -1 "$work/near.err")"

# One byte lost in the password prompt ("Passord  : "): the run must end
# within the 30 s no-progress limit, with exit 3.
serve prompt --fault drop-output-at=login:password:13
start=$(date +%s)
run_limit=120 headless prompt "$work/prompt.err" --restore "$file"
took=$(($(date +%s) - start))
stop prompt
[ $status -eq 3 ] && [ $took -le 45 ] ||
  fail "lost byte in the password prompt: status $status after $took s: $(tail -1 "$work/prompt.err")"

[ $failures -eq 0 ] || { echo "FAIL: $failures"; exit 1; }
echo "PASS"
