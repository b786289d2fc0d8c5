#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts orn-dsp: against the amplifier when
# one is plugged in, else against the virtual amplifier. Arguments are passed on to the program.
set -euo pipefail
ORN_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/setup.sh
. "$ORN_TOP/tools/setup.sh"
orn_setup "$ORN_TOP/build"

amplifier_plugged_in() {
  local d
  for d in /sys/bus/usb/devices/*; do
    [ -r "$d/idVendor" ] || continue
    if [ "$(cat "$d/idVendor")" = 0483 ] && [ "$(cat "$d/idProduct" 2>/dev/null)" = 5750 ]; then
      return 0
    fi
  done
  return 1
}

if [ $# -eq 0 ] && ! amplifier_plugged_in; then
  echo "No amplifier plugged in: starting with the virtual amplifier (--simulate)."
  set -- --simulate
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found; set QT_QPA_PLATFORM=offscreen to run headless (e.g. with --screenshot FILE)." >&2
fi
exec "$ORN_TOP/build/src/app/orn-dsp" "$@"
