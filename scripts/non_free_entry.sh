#!/usr/bin/env bash
# Prints a deb822 sources entry that enables Debian's non-free component,
# built from the machine's own entry for the main component: the same URIs,
# suites and key, so a local mirror or proxy stays in use. Reads the files
# named as arguments, or the machine's apt sources. Exits 1 when none has a
# Debian main entry (security suites are skipped: non-free is not there).
set -euo pipefail

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
    [ -e "$f" ] && files+=("$f")
  done
fi

for f in "${files[@]}"; do
  [ -r "$f" ] || continue
  case "$f" in
    *.sources)
      # deb822: stanzas separated by blank lines.
      awk '
        function flush() {
          if (types ~ /(^| )deb( |$)/ && comps ~ /(^| )main( |$)/ && suites != "" && suites !~ /-security/ && uris != "") {
            print "Types: deb"; print "URIs: " uris; print "Suites: " suites
            print "Components: non-free"
            if (signed != "") print "Signed-By: " signed
            found = 1; exit
          }
          types = uris = suites = comps = signed = ""
        }
        /^[ \t]*#/ { next }
        /^[ \t]*$/ { flush(); next }
        { key = $1; sub(/:$/, "", key); val = $0; sub(/^[^:]*:[ \t]*/, "", val)
          if (key == "Types") types = val; else if (key == "URIs") uris = val
          else if (key == "Suites") suites = val; else if (key == "Components") comps = val
          else if (key == "Signed-By") signed = val }
        END { if (!found) flush(); exit !found }
      ' "$f" && exit 0
      ;;
    *)
      # One-line format: deb [options] URI suite component...
      awk '
        /^[ \t]*deb[ \t]/ {
          opts = ""; i = 2
          if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
          uri = $i; suite = $(i + 1); main = 0
          for (j = i + 2; j <= NF; j++) if ($j == "main") main = 1
          if (main && suite !~ /-security/) {
            signed = ""
            if (match(opts, /signed-by=[^] ]+/)) signed = substr(opts, RSTART + 10, RLENGTH - 10)
            print "Types: deb"; print "URIs: " uri; print "Suites: " suite
            print "Components: non-free"
            if (signed != "") print "Signed-By: " signed
            found = 1; exit
          }
        }
        END { exit !found }
      ' "$f" && exit 0
      ;;
  esac
done
exit 1
