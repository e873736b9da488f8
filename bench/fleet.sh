#!/usr/bin/env bash
# Builds the program without sanitizers (Release, in build/bench) and runs
# the fleet benchmark (bench/fleet.py): 1, 4, 8 and 16 headless backups at
# once against simulated switches paced at 9600 baud behind one ser2net.
# Takes about ten minutes; not a test. Extra arguments go to fleet.py
# (--counts 1,4 --line tcp).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup"
dir=$root/build/bench
TAVIK_BUILD_DIR=$dir TAVIK_CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release -DTAVIK_SANITIZE=OFF" \
  "$root/scripts/build" tavik-config tavik-switch-sim
exec python3 "$root/bench/fleet.py" "$dir/bin/tavik-config" "$dir/bin/tavik-switch-sim" "$@"
