#!/bin/bash
# Instructions per node under callgrind, which counts the same on a busy
# machine as on an idle one: for White's first move (think 7), for each
# bench position, and for bench as a whole.
#   tools/instructions_per_node.sh [TOOL] [N ...]   (default build/quorlix-tool, every position)
set -euo pipefail
tool=${1:-build/quorlix-tool}
shift || true
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Prints "instructions nodes" for one run of the tool.
measure() {
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" "$tool" "$@" > "$out/stdout" 2> "$out/stderr"
  local instructions nodes
  instructions=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$out/stderr")
  if [ "$1" = think ]; then
    nodes=$(awk 'NF >= 4 && $1 ~ /^[0-9]+$/ {n = $4} END {print n}' "$out/stdout")
  else
    nodes=$(sed -n 's/^nodes \([0-9]*\) .*/\1/p' "$out/stdout")
  fi
  echo "$instructions $nodes"
}
per_node() { awk '{printf "%14.0f instructions %9d nodes %6.0f per node\n", $1, $2, $1 / $2}'; }

positions=("$@")
if [ ${#positions[@]} -eq 0 ]; then
  echo "think 7 from the start: $(measure think 7 | per_node)"
  positions=($(seq 1 26))
  all=yes
fi
for n in "${positions[@]}"; do
  printf 'bench %2d: %s\n' "$n" "$(measure bench "$n" | per_node)"
done
if [ "${all:-}" = yes ]; then echo "bench:    $(measure bench | per_node)"; fi
