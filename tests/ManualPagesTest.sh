#!/bin/sh
# ManualPagesTest.sh PAGE 'HELP COMMAND'...
# Every option a program's help texts name (and so every option it accepts: each command's
# --help lists its options) appears in its manual page, and the page reads without holes in
# an ASCII locale, where man drops the Japanese: no empty brackets or quotes are left.
page=$1
shift
status=0
found=0
source=$(sed 's/\\-/-/g' "$page")
for help in "$@"; do
  options=$(sh -c "$help" 2>&1 | grep -oE '(^|[][ (|,])--?[a-zA-Z][a-zA-Z-]*' |
    sed -E 's/^[][ (|,]//' | sort -u)
  for option in $options; do
    found=$((found + 1))
    printf '%s\n' "$source" | grep -qF -- "$option" ||
      { echo "$page lacks $option (from: $help)"; status=1; }
  done
done
[ "$found" -gt 0 ] || { echo "the help texts name no option"; status=1; }
holes=$(LC_ALL=C MANWIDTH=100 man -l "$page" 2>/dev/null | grep -nE '\(\s*\)|"\s*"|\(\s*,|\s,')
[ -z "$holes" ] || { echo "$page in an ASCII locale:"; echo "$holes"; status=1; }
exit $status
