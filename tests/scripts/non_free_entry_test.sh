#!/usr/bin/env bash
# The sources entry that setup.sh adds for non-free is built from the
# machine's own Debian entry: its mirror, suites and key, never a fixed host.
set -euo pipefail
entry="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail=0
expect() {  # name, expected output, files...
  local name="$1" want="$2"; shift 2
  local got
  got="$(bash "$entry" "$@" 2>&1)" || got="exit $?"
  if [ "$got" != "$want" ]; then
    printf '%s:\n--- want\n%s\n--- got\n%s\n' "$name" "$want" "$got"
    fail=1
  fi
}

cat > "$dir/debian.sources" <<'SRC'
Types: deb
URIs: file:/srv/mirror/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/a.gpg

# a local mirror
Types: deb deb-src
URIs: file:/srv/mirror/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/b.gpg
SRC
expect "deb822 entry after a security entry" "Types: deb
URIs: file:/srv/mirror/debian
Suites: bookworm bookworm-updates
Components: non-free
Signed-By: /usr/share/keyrings/b.gpg" "$dir/debian.sources"

cat > "$dir/sources.list" <<'SRC'
# deb file:/srv/old/debian bookworm main
deb file:/media/debian-security bookworm-security main
deb [arch=amd64 signed-by=/etc/apt/k.gpg] file:/media/debian bookworm main
SRC
expect "one-line entry with options" "Types: deb
URIs: file:/media/debian
Suites: bookworm
Components: non-free
Signed-By: /etc/apt/k.gpg" "$dir/sources.list"

printf 'deb file:/srv/other/repo stable contrib\n' > "$dir/none.list"
expect "no Debian main entry" "exit 1" "$dir/none.list"

exit "$fail"
