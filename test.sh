#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test.
set -euo pipefail
ORN_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/setup.sh
. "$ORN_TOP/tools/setup.sh"
orn_setup "$ORN_TOP/build" "$@"
export QT_QPA_PLATFORM=offscreen
cd "$ORN_TOP/build"
ctest --output-on-failure -j "$(nproc)"
