#!/usr/bin/env bash
# Whole-process SHA-256 throughput against sha256sum on the same file in the same run.
#   bench/sha256_vs_sha256sum.sh [BUILD_DIR] [MIB]
# BUILD_DIR should be a Release build with bench_sha256_file built (default build-release).
set -euo pipefail
build=${1:-build-release}
mib=${2:-256}
prog="$build/bench/bench_sha256_file"
[ -x "$prog" ] || { echo "missing $prog (cmake --build $build --target bench_sha256_file)" >&2; exit 2; }

file=$(mktemp "${TMPDIR:-/tmp}/tx-sha-bench.XXXXXX")
trap 'rm -f "$file"' EXIT
head -c $((mib * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null  # into the page cache for both

# Best of three wall-clock nanoseconds of a command.
best() {
  local best_ns=0
  for _ in 1 2 3; do
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null
    e=$(date +%s%N)
    if [ "$best_ns" -eq 0 ] || [ $((e - s)) -lt "$best_ns" ]; then best_ns=$((e - s)); fi
  done
  echo "$best_ns"
}

ours=$("$prog" "$file" | cut -d' ' -f1)
theirs=$(sha256sum "$file" | cut -d' ' -f1)
[ "$ours" = "$theirs" ] || { echo "digest mismatch: $ours vs $theirs" >&2; exit 1; }

t_sum=$(best sha256sum "$file")
t_ours=$(best "$prog" "$file")
t_port=$(best "$prog" --portable "$file")
awk -v mib="$mib" -v sum="$t_sum" -v ours="$t_ours" -v port="$t_port" 'BEGIN {
  printf "file: %d MiB, digests agree\n", mib
  printf "sha256sum          %6.3f s  %5d MiB/s\n", sum / 1e9, mib / (sum / 1e9)
  printf "ours (auto)        %6.3f s  %5d MiB/s  ratio to sha256sum %.2f\n", ours / 1e9, mib / (ours / 1e9), sum / ours
  printf "ours (portable)    %6.3f s  %5d MiB/s  ratio to sha256sum %.2f\n", port / 1e9, mib / (port / 1e9), sum / port
}'
