#!/usr/bin/env bash
# Writes texfill's man page from its own --help pages, so the two cannot
# drift: the overview first, then one section per subcommand.
#   make-manpage.sh TEXFILL OUT.1
set -euo pipefail
texfill="$1"
out="$2"

version="$("$texfill" --version | awk '{print $2}')"
# troff reads a backslash as an escape and a leading dot or quote as a
# request; "-" would be typeset as a hyphen, not the minus of an option.
to_troff() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}
# A help page: headings at the left margin, text indented by four spaces.
page() {
  local heading_macro="$1"
  awk -v macro="$heading_macro" '
    /^[A-Z][A-Z ]*$/ { if (open) print ".fi"; print macro " " $0; print ".nf"; open = 1; next }
    { sub(/^    /, ""); print }
    END { if (open) print ".fi" }'
}

{
  printf '.TH TEXFILL 1 "" "texfill %s" "User Commands"\n' "$version"
  "$texfill" --help | to_troff | page .SH
  # The subcommands, in the order the overview's synopsis names them.
  for sub in $("$texfill" --help | awk '/^[A-Z]/ {section = $0} section == "SYNOPSIS" && $1 == "texfill" && $2 ~ /^[a-z]/ {print $2}' | uniq); do
    printf '.SH "TEXFILL %s"\n' "$(tr "[:lower:]" "[:upper:]" <<< "$sub")"
    "$texfill" "$sub" --help | to_troff | page .SS
  done
} > "$out"
