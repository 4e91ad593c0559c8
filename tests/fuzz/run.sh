#!/usr/bin/env bash
# Runs one fuzzer from its seed corpus: run.sh <bin dir> <name> [seconds] [libFuzzer options...]
# New inputs it finds go to a work folder in the bin dir, never into the
# committed seeds; a crash leaves its input there too and fails the run.
set -euo pipefail
bin=$(cd "$1" && pwd) name=$2 seconds=${3:-30}
shift $(( $# < 3 ? $# : 3 ))
here=$(cd "$(dirname "$0")" && pwd)
work="$bin/work/$name"
mkdir -p "$work"
cd "$bin"
exec "./${name}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$work/" "$@" "$work" "$here/corpus/$name"
