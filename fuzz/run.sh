#!/usr/bin/env bash
# fuzz/run.sh [SECONDS]: builds the libFuzzer targets with clang in build-fuzz and runs each for
# SECONDS (default 30) over a scratch copy of its seeds plus every recorded regression.
# FUZZ_JOBS sets the build's parallelism, FUZZ_PARALLEL how many targets run at once (both
# default to the number of cores). Fails on any crash.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ORN_TOP=$(pwd)
SECONDS_EACH=${1:-30}
BUILD="$ORN_TOP/build-fuzz"
TARGETS=(fuzz_reply_frames fuzz_profile_reader fuzz_layout fuzz_skin_archive fuzz_firmware_image
    fuzz_filter_text)

# shellcheck source=tools/setup.sh
. tools/setup.sh
orn_install_packages
# Instrumentation for every library the targets link; the targets add the fuzzer runtime.
cmake -S "$ORN_TOP" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    -DORN_FUZZ=ON -DORN_WERROR=ON -DORN_BUILD_TESTS=OFF -DORN_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "${FUZZ_JOBS:-$(nproc)}" --target "${TARGETS[@]}"

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

# One target: its exit status goes to $SCRATCH/<target>.rc, its output to <target>.log.
fuzz_one() {
    local target=$1 corpus="$SCRATCH/$1" rc=0
    mkdir -p "$corpus" "$SCRATCH/artifacts-$target"
    cp -r "fuzz/corpus/$target/." "$corpus/"
    # New inputs go to the scratch copy only; the regressions are read, never written.
    QT_QPA_PLATFORM=offscreen "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$SCRATCH/artifacts-$target/" \
        "$corpus" "fuzz/regressions/$target" >"$SCRATCH/$target.log" 2>&1 || rc=$?
    echo "$rc" >"$SCRATCH/$target.rc"
}

# As many targets at once as there are cores, so CI waits for a few rounds, not six.
PARALLEL=${FUZZ_PARALLEL:-$(nproc)}
running=0
for target in "${TARGETS[@]}"; do
    fuzz_one "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$PARALLEL" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

failed=()
for target in "${TARGETS[@]}"; do
    log="$SCRATCH/$target.log"
    if [ "$(cat "$SCRATCH/$target.rc")" = 0 ]; then
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
        printf '%-22s %8s exec/s\n' "$target" "${rate:-?}"
        continue
    fi
    echo "$target FAILED; its output:"
    tail -n 60 "$log"
    for artifact in "$SCRATCH/artifacts-$target"/*; do
        [ -e "$artifact" ] || continue
        mkdir -p "$BUILD/failed/$target"
        cp "$artifact" "$BUILD/failed/$target/"
        echo "failing input kept in build-fuzz/failed/$target/$(basename "$artifact")"
    done
    failed+=("$target")
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzing failed: ${failed[*]} (add the failing inputs to fuzz/regressions/<target>/)"
    exit 1
fi
