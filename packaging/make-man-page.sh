#!/usr/bin/env bash
# One manual page from a program's own --help (help2man), so that the page and
# --help never disagree. For kdsp, every subcommand's --help becomes a section too.
# Usage: make-man-page.sh PROGRAM_DIR PROGRAM VERSION "ONE-LINE NAME" OUT [INCLUDE...]
set -euo pipefail
dir=$1 program=$2 version=$3 name=$4 out=$5
shift 5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
includes=()
for file in "$@"; do includes+=(--include "$file"); done
# Run by name from its folder, so the usage lines show "kdsp", not a build path;
# the window needs no display to print its help.
export PATH="$dir:$PATH" QT_QPA_PLATFORM=offscreen
subcommands() { kdsp "$@" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }'; }
# One section per command, and one per command below it (fleet status, preset show...).
section() {
  echo ".SS $*"
  echo ".nf"
  # Verbatim text: backslashes and leading dots would be read as roff.
  kdsp "$@" --help | sed -e 's/\\/\\e/g' -e 's/^[.'\'']/\\\&&/'
  echo ".fi"
  local sub
  for sub in $(subcommands "$@"); do section "$@" "$sub"; done
}
if [ "$program" = kdsp ]; then
  {
    echo "[COMMANDS]"
    for sub in $(subcommands); do
      [ "$sub" = help ] || section "$sub"
    done
  } >"$work/commands.h2m"
  includes+=(--include "$work/commands.h2m")
fi
help2man --no-info --section=1 --manual="User Commands" --source="kdsp $version" \
  --version-string="$version" --name="$name" "${includes[@]}" --output="$out" "$program"
