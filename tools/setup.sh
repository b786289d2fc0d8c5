# Sourced by run.sh and test.sh: installs what is missing, then configures and builds.
# Usage: orn_setup BUILD_DIR [extra cmake arguments...]

orn_missing_packages() {
  local pkg missing=()
  while read -r pkg; do
    case "$pkg" in '' | '#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done <"$ORN_TOP/tools/debian-packages.txt"
  echo "${missing[@]}"
}

orn_install_packages() {
  local missing
  missing=$(orn_missing_packages)
  [ -z "$missing" ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: $missing"
  "${sudo[@]}" apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq $missing
}

orn_setup() {
  local build_dir=$1
  shift
  orn_install_packages
  cmake -S "$ORN_TOP" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$build_dir" -j "$(nproc)"
}
