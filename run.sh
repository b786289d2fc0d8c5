#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the program against
# the virtual amplifier. Arguments are passed on to the program.
set -euo pipefail
ORN_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/setup.sh
. "$ORN_TOP/tools/setup.sh"
orn_setup "$ORN_TOP/build"
if [ $# -eq 0 ]; then
  set -- --simulate --trace info
fi
exec "$ORN_TOP/build/src/dspctl/orn-dspctl" "$@"
