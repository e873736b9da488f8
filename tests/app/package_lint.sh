#!/usr/bin/env bash
# Usage: package_lint.sh [BUILD_DIR]   (default build/release)
# Builds the release as it is packaged (optimised, no sanitizers, tests off)
# through scripts/build and its lock, makes the Debian package and checks it
# as a distribution would: lintian, appstreamcli validate and
# desktop-file-validate with no error and no warning, the programs hardened,
# the dependencies written by dpkg-shlibdeps, and no test program built.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

TAVIK_BUILD_DIR=$build \
  TAVIK_CMAKE_ARGS="-DCMAKE_BUILD_TYPE=Release -DTAVIK_SANITIZE=OFF -DBUILD_TESTING=OFF" \
  "$root/scripts/build" >"$tmp/build.log" 2>&1 || { tail -40 "$tmp/build.log"; fail "release build"; }

# A release build with the tests off builds none of them: the programs its
# build graph makes (not what an earlier build left in bin/) are the two
# installed ones and the build-time tools, all named tavik-*, and the
# data files (names with a dot).
others=$(grep -oE '^build bin/[^ :]+' "$build/build.ninja" | sed 's|^build bin/||' | grep -vE '^tavik-|\.')
[ -z "$others" ] || fail "test programs or benchmarks built: $others"

(cd "$build" && cpack -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail cpack; }
deb=$(ls "$tmp"/pkg/tavik-config_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no package made"

# lintian's own warnings and errors; its note about running as root aside.
lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1
status=$?
cat "$tmp/lintian.log"
[ $status -eq 0 ] || fail "lintian found errors or warnings"
! grep -qE '^[EW]: ' "$tmp/lintian.log" || fail "lintian found errors or warnings"

dpkg-deb -x "$deb" "$tmp/root" || fail "cannot unpack $deb"
metainfo=$(ls "$tmp"/root/usr/share/metainfo/*.metainfo.xml 2>/dev/null)
[ -n "$metainfo" ] || fail "no AppStream metainfo"
for f in $metainfo; do
  # No network here: the URLs are not fetched.
  appstreamcli validate --no-net "$f" >"$tmp/appstream.log" 2>&1
  status=$?
  cat "$tmp/appstream.log"
  [ $status -eq 0 ] || fail "appstreamcli validate $(basename "$f")"
  ! grep -qE '^[EW]: ' "$tmp/appstream.log" || fail "appstreamcli: errors or warnings in $(basename "$f")"
done
desktop=$tmp/root/usr/share/applications/tavik-config.desktop
[ -f "$desktop" ] || fail "no desktop entry"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
! echo "$out" | grep -qiE 'error|warning' || fail "desktop-file-validate: $out"
for key in 'Name[zh_CN]' 'Name[zh_TW]' 'Comment[zh_CN]' 'Comment[zh_TW]'; do
  cut -d= -f1 "$desktop" | grep -qxF "$key" || fail "desktop entry lacks $key"
done

# Hardened programs. lintian reports only a missing RELRO or PIE as a
# warning; immediate binding, fortified calls and the stack protector are
# checked here.
for p in tavik-config tavik-switch-sim; do
  bin=$tmp/root/usr/bin/$p
  readelf -hW "$bin" | grep -q 'Type: *DYN' || fail "$p is not position-independent"
  readelf -lW "$bin" | grep -q GNU_RELRO || fail "$p without RELRO"
  readelf -dW "$bin" | grep -qE 'BIND_NOW|FLAGS_1.*NOW' || fail "$p not bound at start (-z now)"
  readelf -sW --dyn-syms "$bin" | grep -q '__stack_chk_fail' || fail "$p without the stack protector"
  readelf -sW --dyn-syms "$bin" | grep -qE '__[a-z_]+_chk@' || fail "$p without fortified calls"
done

# dpkg-shlibdeps: each library package with the version the programs need.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in libc6 libgcc-s1 libstdc++6 libqt6core6 libqt6widgets6; do
  echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -qF "$d (>= " || fail "Depends lacks a versioned $d"
done
dpkg-deb -f "$deb" Recommends | grep -q 'qt6-translations-l10n' ||
  fail "Recommends lacks qt6-translations-l10n"
echo "package $(basename "$deb") clean"
