#!/bin/sh
# Runs one libFuzzer target on a fresh corpus made of its kept seeds (tests/fuzz/seeds/KIND)
# and of the project's drawings or scripts; for drawings also the real drawings of the shared
# corpus beside the project, read at run time. A crash, timeout or out-of-memory input is
# kept as a regression seed of the target.
# Usage: fuzz_run.sh FUZZER KIND WORKDIR SECONDS RUNS   (KIND: dxf or script; 0 seconds or -1
# runs: no limit of that kind)
set -eu
fuzzer=$1
kind=$2
work=$3
seconds=$4
runs=$5
here=$(cd "$(dirname "$0")/.." && pwd)
seeds=$here/tests/fuzz/seeds/$kind
corpus=$work/$kind-corpus
# A fresh corpus each run keeps the run to the time asked.
rm -rf "$corpus"
mkdir -p "$corpus"
cp "$seeds"/* "$corpus"/
max_len=65536
case $kind in
dxf)
    cp "$here"/examples/*.dxf "$here"/tests/dxf/*.dxf "$corpus"/
    shared=$here/../shared/corpus/files
    if [ -d "$shared" ]; then
        # Drawings up to the longest input; longer ones would be cut short.
        find "$shared" -type f -size -$((max_len + 1))c -exec cp {} "$corpus"/ \;
    else
        echo "fuzz_run.sh: no shared corpus at $shared; seeds of the project only"
    fi
    ;;
script)
    max_len=4096
    cp "$here"/examples/*.script "$here"/tests/scripts/*.script "$here"/tests/dxf/*.script "$corpus"/
    ;;
esac
echo "fuzz_run.sh: $kind from $(ls "$corpus" | wc -l) seeds, for ${seconds}s (0: no limit) or $runs runs (-1: no limit)"
# A small quarantine of freed memory (plenty for one input's lifetime) halves the page
# faults of the address sanitizer's allocator.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"
status=0
"$fuzzer" -max_total_time="$seconds" -runs="$runs" -max_len=$max_len -timeout=10 \
    -rss_limit_mb=2048 -dict="$here/tests/fuzz/$kind.dict" -print_final_stats=1 \
    -artifact_prefix="$work/$kind-" "$corpus" || status=$?
for artifact in "$work/$kind-"crash-* "$work/$kind-"timeout-* "$work/$kind-"oom-* "$work/$kind-"leak-*; do
    if [ -f "$artifact" ]; then
        cp "$artifact" "$seeds/"
        echo "fuzz_run.sh: kept $(basename "$artifact") as a regression seed in tests/fuzz/seeds/$kind"
    fi
done
exit $status
