#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test.
set -euo pipefail
ORN_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/setup.sh
. "$ORN_TOP/tools/setup.sh"
# Warnings are errors for developers and CI; a packager's plain build only reports them.
orn_setup "$ORN_TOP/build" -DORN_WERROR=ON "$@"
export QT_QPA_PLATFORM=offscreen
cd "$ORN_TOP/build"
ctest --output-on-failure -j "$(nproc)"
