#!/usr/bin/env bash
# Fails when a file of the program includes a header it must not see:
#  - a folder above its own: platform <- engine <- lang <- shared <- forms <- app;
#  - inside forms/, a sub-folder above its own, widgets <- base <- {port,
#    trunk, misc, vlan} <- session <- backup, or another of the four screen
#    families (they never include each other);
#  - in a configuration window's model (forms/*/*Model.*), a widget header:
#    Qt Widgets or a window of the program.
# The build already keeps a library from seeing the headers of the libraries
# it does not link; this also covers headers no source of their own folder
# includes.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
status=0
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]'

report() { # title, hits
  [ -z "$2" ] && return
  echo "$1"
  echo "$2" | sed "s|$root/||; s/^/  /"
  status=1
}

files_of() { ls "$root/$1"/*.h "$root/$1"/*.cpp 2>/dev/null; }

layers=(platform engine lang shared forms app)
for i in "${!layers[@]}"; do
  above=("${layers[@]:$((i + 1))}")
  [ ${#above[@]} -eq 0 ] && continue
  folder=${layers[$i]}
  sources=$(files_of "$folder"; [ "$folder" = forms ] && ls "$root"/forms/*/*.{h,cpp} 2>/dev/null)
  [ -z "$sources" ] && continue
  hits=$(grep -nE "${include}($(IFS='|'; echo "${above[*]}"))/" $sources)
  report "$folder/ includes a header of a folder above it:" "$hits"
done

# Rank of each forms sub-folder; a file may include its own folder and
# folders of a lower rank only.
declare -A rank=([widgets]=0 [base]=1 [port]=2 [trunk]=2 [misc]=2 [vlan]=2 [session]=3 [backup]=4)
for sub in "${!rank[@]}"; do
  [ -d "$root/forms/$sub" ] || { echo "forms/$sub is missing"; status=1; continue; }
  allowed=()
  for other in "${!rank[@]}"; do
    if [ "$other" = "$sub" ] || [ "${rank[$other]}" -lt "${rank[$sub]}" ]; then
      allowed+=("$other")
    fi
  done
  hits=$(grep -nE "${include}forms/" $(files_of "forms/$sub") |
         grep -vE ":[0-9]+:${include#^}forms/($(IFS='|'; echo "${allowed[*]}"))/")
  report "forms/$sub/ includes a forms folder above it or beside it:" "$hits"
done
loose=$(ls "$root"/forms/*.h "$root"/forms/*.cpp 2>/dev/null)
report "forms/ holds files outside its sub-folders:" "$loose"

widgets=$(ls /usr/include/*/qt6/QtWidgets /usr/include/qt6/QtWidgets 2>/dev/null | grep -E '^Q[A-Za-z]+$' | sort -u)
models=$(ls "$root"/forms/*/*Model.h "$root"/forms/*/*Model.cpp 2>/dev/null)
if [ -n "$models" ]; then
  pattern="${include}(QtWidgets|$(echo $widgets | tr ' ' '|')|forms/[a-z]+/[A-Za-z]*(form|Form|Layout)\.h)[\">]"
  [ -z "$widgets" ] && pattern="${include}(QtWidgets|QWidget|forms/[a-z]+/[A-Za-z]*(form|Form)\.h)[\">]"
  hits=$(grep -nE "$pattern" $models)
  report "a model includes a widget header:" "$hits"
fi

[ $status -eq 0 ] && echo "includes run one way: ${layers[*]}; forms: widgets <- base <- {port, trunk, misc, vlan} <- session <- backup; models without widgets"
exit $status
