#!/bin/sh
# Builds VariantTable with Free Pascal and writes variant_table.txt beside this script.
# A few cases end the process with a run-time error instead of raising an exception; each is
# written as "!RunError" and the run resumes after it.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$here/VariantTable.pas" "$work/"
(cd "$work" && fpc -Mdelphi -O1 VariantTable.pas >/dev/null)
total="$("$work/VariantTable" -n)"
out="$here/variant_table.txt"
: >"$out"
next=0
while [ "$next" -lt "$total" ]; do
  "$work/VariantTable" "$next" >"$work/part.txt" 2>/dev/null || true
  grep -v '^Runtime error\|^  \$' "$work/part.txt" >>"$out" || true
  next="$(wc -l <"$out")"
  if [ "$next" -lt "$total" ]; then
    "$work/VariantTable" -d "$next" >>"$out"
    next=$((next + 1))
  fi
done
