#!/usr/bin/env bash
# Runs a test program on a private X server (Xvfb) under the openbox window
# manager, as a desktop user meets the programs: full screen, maximising
# and menu focus are the window manager's business, which the offscreen
# platform has none of. Exit code 77 (CTest's skip) with a message when no
# X server or window manager can start here; otherwise the program's own.
# Usage: with_window_manager.sh PROGRAM [ARGS...]
set -u

skip() {
  echo "SKIPPED: $*"
  exit 77
}

for tool in Xvfb openbox xprop xdotool xdpyinfo; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/setup.sh installs it)"
done

work=$(mktemp -d)
xvfb_pid=""
openbox_pid=""
cleanup_servers() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null && wait "$openbox_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  openbox_pid=""
  xvfb_pid=""
}
cleanup() {
  cleanup_servers
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display itself and writes its number: no race with
# another test starting a server at the same moment. A first start on a
# fresh machine can fail (the server's keymap compiled for the first time):
# it is tried three times before the test is skipped.
start_desktop() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] || { why="no X server could start: $(tail -n 3 "$work/xvfb.log" | tr '\n' ' ')"; return 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  xdpyinfo >/dev/null 2>&1 || { why="the X server on $DISPLAY does not answer"; return 1; }

  # openbox keeps its session files under a private home for the run.
  HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
  openbox_pid=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$openbox_pid" 2>/dev/null || break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
    { why="the window manager did not start: $(tail -n 3 "$work/openbox.log" | tr '\n' ' ')"; return 1; }
}

why=""
started=false
for attempt in 1 2 3; do
  if start_desktop; then
    started=true
    break
  fi
  echo "attempt $attempt: $why" >&2
  cleanup_servers
  sleep 1
done
$started || skip "$why"

QT_QPA_PLATFORM=xcb "$@"
