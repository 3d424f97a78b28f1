#!/bin/sh
# Runs the drawing-file reader's fuzz target for a bounded time on a corpus seeded with small
# drawings of every kind the reader models. Usage: fuzz_dxf.sh FUZZER WORKDIR [SECONDS]
set -eu
fuzzer=$1
work=$2
seconds=${3:-30}
here=$(cd "$(dirname "$0")/.." && pwd)
# A fresh corpus each run keeps the run as short as asked.
rm -rf "$work/corpus"
mkdir -p "$work/corpus"
cp "$here"/tests/fuzz/seeds/*.dxf "$work/corpus/"
exec "$fuzzer" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/" "$work/corpus"
