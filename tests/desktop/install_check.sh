#!/usr/bin/env bash
# cmake --install into a fresh temporary prefix, as a user installs into
# ~/.local: every file is in place, the menu entries start the installed
# programs, the desktop's validators accept what was installed, the MIME
# and menu caches name Vantro for Spectrum files, and the programs run from
# there.
#   install_check.sh CMAKE BUILD_DIR RELATIVE_PATH...
set -euo pipefail
cmake=$1 build=$2
shift 2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install check: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for file in "$@"; do
  [ -e "$prefix/$file" ] || fail "missing after install: $file"
done

# Whole outputs first: grep -q stopping early would end a writer with SIGPIPE.
help=$("$prefix/bin/vantro-run" --help) || fail "the installed vantro-run --help"
[[ $help == *"--rom FILE"* ]] || fail "the installed vantro-run --help lacks --rom"
for program in vantro kelbrin; do
  [ -x "$prefix/bin/$program" ] || continue
  version=$("$prefix/bin/$program" --version) || fail "$program --version"
  [[ $version == "$program (Vantro) "* ]] || fail "$program --version said: $version"
done

entries="$prefix/share/applications"
[ -e "$entries/org.vantro.Vantro.desktop" ] || exit 0  # the window programs are not built
grep -qx "Exec=$prefix/bin/vantro %f" "$entries/org.vantro.Vantro.desktop" ||
  fail "Vantro's menu entry does not start $prefix/bin/vantro"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entries"/*.desktop || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml >/dev/null || fail "appstreamcli validate"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/mime/packages/vantro.xml" || fail "xmllint"
fi
if command -v update-mime-database >/dev/null; then
  grep -qx '50:application/x-spectrum-tzx:\*.tzx' "$prefix/share/mime/globs2" ||
    fail "the MIME database in the prefix has no application/x-spectrum-tzx"
fi
if command -v update-desktop-database >/dev/null && command -v xdg-mime >/dev/null; then
  handler=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION HOME="$prefix" XDG_CONFIG_HOME="$prefix/config" \
    XDG_CONFIG_DIRS="$prefix/config" XDG_DATA_HOME="$prefix/share" XDG_DATA_DIRS="$prefix/share" \
    xdg-mime query default application/x-spectrum-tzx)
  [ "$handler" = org.vantro.Vantro.desktop ] || fail "xdg-mime names '$handler' for TZX files"
fi
echo "install check: all in place under a temporary prefix"
