#!/usr/bin/env bash
# Usage: install_package.sh BUILD_DIR install|deb
# install: installs into a temporary prefix and starts the installed program
#   (offscreen, from a folder without data files) far enough to read its page
#   table and language files from that prefix.
# deb: makes the Debian package and checks its Depends and file list.
set -u
build=$1
what=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

if [ "$what" = install ]; then
  cmake --install "$build" --prefix "$tmp/prefix" >/dev/null || fail "cmake --install"
  for f in bin/tavik-config bin/tavik-switch-sim share/tavik-config/Parser.tbl \
           share/tavik-config/Language_EN.txt share/tavik-config/Language_CN.txt \
           share/tavik-config/Language_TW.txt share/applications/tavik-config.desktop \
           share/icons/hicolor/scalable/apps/tavik-config.svg share/man/man1/tavik-config.1.gz \
           share/man/man1/tavik-switch-sim.1.gz; do
    [ -f "$tmp/prefix/$f" ] || fail "not installed: $f"
  done
  grep -q '^Exec=tavik-config$' "$tmp/prefix/share/applications/tavik-config.desktop" ||
    fail "desktop entry does not start tavik-config"
  grep -q '^Icon=tavik-config$' "$tmp/prefix/share/applications/tavik-config.desktop" ||
    fail "desktop entry without the icon"
  mkdir "$tmp/empty"
  out=$(cd "$tmp/empty" && QT_QPA_PLATFORM=offscreen "$tmp/prefix/bin/tavik-config" --check-data 2>&1)
  status=$?
  echo "$out"
  [ $status -eq 0 ] || fail "--check-data ended with $status"
  for f in Parser.tbl Language_EN.txt Language_CN.txt Language_TW.txt; do
    echo "$out" | grep -qx "$f: $tmp/prefix/share/tavik-config/$f ok" ||
      fail "$f not read from the prefix"
  done
  # Without its files the installed program says so.
  rm "$tmp/prefix/share/tavik-config/Language_CN.txt"
  out=$(cd "$tmp/empty" && QT_QPA_PLATFORM=offscreen "$tmp/prefix/bin/tavik-config" --check-data 2>&1)
  [ $? -eq 1 ] || fail "a missing language file went unnoticed"
  echo "$out" | grep -qx "Language_CN.txt: not found cannot be read" || fail "$out"
  echo "installed and started from $tmp/prefix"
  exit 0
fi

if [ "$what" = deb ]; then
  (cd "$build" && cpack -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail cpack; }
  deb=$(ls "$tmp"/pkg/tavik-config_*_*.deb 2>/dev/null | head -1)
  [ -n "$deb" ] || fail "no package made"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for d in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
    echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qx "$d" || fail "Depends lacks $d"
  done
  dpkg-deb -I "$deb" | grep -q '^ Package: tavik-config$' || fail "package name"
  files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
  for f in ./usr/bin/tavik-config ./usr/bin/tavik-switch-sim ./usr/share/tavik-config/Parser.tbl \
           ./usr/share/tavik-config/Language_EN.txt ./usr/share/tavik-config/Language_CN.txt \
           ./usr/share/tavik-config/Language_TW.txt ./usr/share/applications/tavik-config.desktop \
           ./usr/share/icons/hicolor/scalable/apps/tavik-config.svg \
           ./usr/share/man/man1/tavik-config.1.gz ./usr/share/man/man1/tavik-switch-sim.1.gz; do
    echo "$files" | grep -qx "$f" || fail "package lacks $f"
  done
  # Nothing of the build or the tests goes into the package.
  extra=$(echo "$files" | grep -v '/$' | grep -vE '^\./usr/(bin/tavik-(config|switch-sim)|share/(tavik-config|applications|icons|man|metainfo|doc/tavik-config|lintian/overrides)/)')
  [ -z "$extra" ] || fail "unexpected files: $extra"
  echo "package $deb checked"
  exit 0
fi
fail "unknown check $what"
