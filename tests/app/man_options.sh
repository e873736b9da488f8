#!/usr/bin/env bash
# Usage: man_options.sh PROGRAM MANPAGE SECTION...
# The manual page and the program's --help name the same options: every
# option --help lists is described in the page's OPTIONS section, and the page
# describes no option --help does not list. The page has each SECTION named
# (ENVIRONMENT, EXIT STATUS ...), renders without a groff warning, and, for a
# program with --version, gives the version it prints.
set -u
program=$1
page=$2
shift 2
fail() { echo "FAIL: $(basename "$page"): $*"; exit 1; }

help=$(QT_QPA_PLATFORM=offscreen "$program" --help 2>&1) || fail "$program --help failed"
# An option line starts with two blanks and the option, its other spellings
# after commas ("  -h, --help"); deeper lines continue a description.
options_of_help() {
  echo "$help" | grep -oE '^  -{1,2}[A-Za-z0-9][A-Za-z0-9-]*(, -{1,2}[A-Za-z0-9][A-Za-z0-9-]*)*' |
    tr ',' '\n' | tr -d ' ' | sort -u
}
# The tag line under each .TP of OPTIONS (and its .SS sub-sections), without
# font changes: "\fB\-\-state\fR \fIFILE\fR, \fB\-\-dump\-state\fR ...".
options_of_page() {
  awk '/^\.SH/ { inside = ($0 ~ /^\.SH "?OPTIONS"?$/) }
       inside && tag { print; tag = 0 }
       inside && /^\.TP/ { tag = 1 }' "$page" |
    sed -E 's/\\f[BIRP]//g; s/\\-/-/g' |
    grep -oE '(^|[ ,])-{1,2}[A-Za-z0-9][A-Za-z0-9-]*' | tr -d ' ,' | sort -u
}
in_help=$(options_of_help)
in_page=$(options_of_page)
[ -n "$in_help" ] || fail "no option found in --help"
[ -n "$in_page" ] || fail "no option found in the OPTIONS section"
missing=$(comm -23 <(echo "$in_help") <(echo "$in_page"))
[ -z "$missing" ] || fail "options in --help the page does not describe:" $missing
stale=$(comm -13 <(echo "$in_help") <(echo "$in_page"))
[ -z "$stale" ] || fail "options in the page that --help does not list:" $stale

for section in "$@"; do
  grep -qE "^\.SH \"?$section\"?$" "$page" || fail "no $section section"
done

# groff's own complaints (a bad request, a line that cannot be set), as
# lintian reports them for a package.
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "groff: $warnings"

if echo "$in_help" | grep -qx -- --version; then
  version=$("$program" --version 2>&1 | grep -oE '[0-9]+\.[0-9]+\.[0-9]+' | head -1)
  head -5 "$page" | grep -E '^\.TH' | grep -qF "$version" || fail "the page's .TH does not give version $version"
fi
echo "$(basename "$page"): $(echo "$in_help" | wc -l) options, as --help lists them"
