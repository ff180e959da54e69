# Gives the calling script an X display: the one it has, or a virtual X
# server of its own on the first free number from the given one, stopped
# when the script exits.
# Usage: . scripts/display.sh; ensure_display FIRST_NUMBER
xvfb_pid=""
stop_virtual_display() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  trap stop_virtual_display EXIT
  local n
  for n in $(seq "$1" $(($1 + 39))); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  [ -n "${DISPLAY:-}" ] || { echo "no free X display number from :$1"; exit 1; }
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && return 0; sleep 0.1; done
  echo "the virtual X server on $DISPLAY did not start"; exit 1
}
