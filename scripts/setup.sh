#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Vantro and
# Kelbrin. Safe to run again: it only touches apt when a package is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libgl-dev
  libsdl2-dev libpng-dev zlib1g-dev
  libgtest-dev
  spectrum-roms
  libz80ex-dev
  # SZX and RZX files; snapconv and rzxdump for their tests
  libspectrum-dev fuse-emulator-utils
  # install, manual pages, the Debian package and their checks
  help2man dpkg-dev file
  desktop-file-utils appstream libxml2-utils shared-mime-info xdg-utils
  # the window-manager tests: an X server, a window manager and X tools
  xvfb openbox x11-utils xdotool xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The Sinclair ROM lives in Debian's non-free component; enable it once, for
# the same archive the machine already uses (its mirror or proxy included).
if ! grep -rqsE '^[^#]*\bnon-free\b([^-]|$)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  entry="$(bash scripts/non_free_entry.sh)" || {
    echo "Cannot enable Debian's non-free component: no Debian main entry found in the apt sources" >&2
    exit 1
  }
  echo "Enabling Debian's non-free component for the spectrum-roms package"
  printf '%s\n' "$entry" | $SUDO tee /etc/apt/sources.list.d/vantro-non-free.sources >/dev/null
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
