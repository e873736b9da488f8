#!/usr/bin/env bash
# The program's command line: Qt's standard options are accepted (and left
# for Qt), its own are checked. Usage: app_options.sh PATH-TO-tavik-config
set -u
program=$1
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
echo "PASS"
