#!/usr/bin/env bash
# Fails when a file of the program includes a header of a folder above its
# own. The layers, lowest first: platform <- engine <- lang <- shared <- forms
# <- app. The build already keeps a library from seeing the headers of the
# libraries it does not link; this also covers headers no source of their
# own folder includes.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
layers=(platform engine lang shared forms app)
status=0
for i in "${!layers[@]}"; do
  folder=${layers[$i]}
  above=("${layers[@]:$((i + 1))}")
  [ ${#above[@]} -eq 0 ] && continue
  pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($(IFS='|'; echo "${above[*]}"))/"
  hits=$(grep -nE "$pattern" "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$folder/ includes a header of a folder above it:"
    echo "$hits" | sed "s|$root/||; s/^/  /"
    status=1
  fi
done
[ $status -eq 0 ] && echo "includes run one way: ${layers[*]}"
exit $status
