#!/bin/bash
# valgrind memcheck over a whole console game (the engine taking each side in
# turn until the game ends) and a whole xboard game, at a shallow depth so
# that it runs in minutes; the engine's own depth is covered by the sessions.
set -euo pipefail
build=${1:-build}
log=$(mktemp)
input=$(mktemp)
trap 'rm -f "$log" "$input"' EXIT

check() {
  if ! grep -q "ERROR SUMMARY: 0 errors" "$log" || ! grep -q "All heap blocks were freed\|in use at exit: 0 bytes" "$log"; then
    cat "$log"
    echo "memcheck: $1 is not clean" >&2
    exit 1
  fi
  grep -E "total heap usage|ERROR SUMMARY" "$log" | sed "s/^==[0-9]*==/$1:/"
}

# "switch" hands the engine the side to move, so it plays both sides.
for _ in $(seq 400); do echo switch; done >"$input"
valgrind --error-exitcode=3 --leak-check=full "$build/quorlix-tool" play 2 \
  <"$input" >/dev/null 2>"$log"
check "console game"

# "go" does the same in the xboard mode.
{ echo xboard; echo new; for _ in $(seq 400); do echo go; done; } >"$input"
valgrind --error-exitcode=3 --leak-check=full "$build/quorlix-tool" play 2 \
  <"$input" >/dev/null 2>"$log"
check "xboard game"
