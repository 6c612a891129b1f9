#!/bin/bash
# Builds Quorlix and runs its tests, stage by stage: every stage with no
# arguments (what CI runs, through .ci/run), or only the stages named, in
# the order of the list below. `tests/run_all.sh --help` lists them.
#
# It installs with apt-get what a fresh Debian machine lacks for the chosen
# stages, so it needs root when something is missing, and always for the
# package stage; without root it says so before it starts. FUZZ_SECONDS sets
# each fuzz target's time. The first stage that fails stops the script with
# its status.
set -euo pipefail
cd "$(dirname "$0")/.."

all_stages=(release sanitizers tsan memcheck reference fuzz soak xboard uci rating windows web package)

describe() {
  case $1 in
    release) echo "release build (preset release): unit, session, perft and bench tests" ;;
    sanitizers) echo "the same tests built with AddressSanitizer and UBSan (preset sanitize)" ;;
    tsan) echo "quorlix-uci's sessions and threads under ThreadSanitizer (preset tsan)" ;;
    memcheck) echo "valgrind memcheck over a console game and an xboard game" ;;
    reference) echo "the engine against the reference model in Python, random positions" ;;
    fuzz) echo "the libFuzzer targets (preset fuzz), FUZZ_SECONDS each (default 45)" ;;
    soak) echo "self-play soak: two engine processes over the xboard protocol" ;;
    xboard) echo "one game of the engine against itself in XBoard, under Xvfb" ;;
    uci) echo "quorlix-uci in real clients: games through polyglot, and one in XBoard" ;;
    rating) echo "the match runner's tests, short matches against Stockfish, at a level and over xboard, the fit" ;;
    windows) echo "the Windows build (preset windows): its tests under wine, and its zip" ;;
    web) echo "the web build (preset web): its tests under node, a game in headless Chromium" ;;
    package) echo "the Debian package: lintian, install, a game in XBoard, removal" ;;
  esac
}

usage() {
  echo "usage: tests/run_all.sh [STAGE...]    (no stage: all of them)"
  echo
  echo "stages, in the order they run:"
  for s in "${all_stages[@]}"; do printf '  %-11s %s\n' "$s" "$(describe "$s")"; done
  echo
  echo "Missing Debian packages are installed first, which needs root; the"
  echo "package stage always needs root, as it installs and removes the engine."
}

chosen=()
for arg in "$@"; do
  case $arg in
    -h | --help | help) usage; exit 0 ;;
  esac
  if [[ " ${all_stages[*]} " != *" $arg "* ]]; then
    echo "tests/run_all.sh: no stage '$arg'" >&2
    usage >&2
    exit 2
  fi
done
for s in "${all_stages[@]}"; do
  if [ $# -eq 0 ] || [[ " $* " == *" $s "* ]]; then chosen+=("$s"); fi
done

have() { command -v "$1" >/dev/null || [ -x "/usr/games/$1" ]; }

# The Debian packages a stage needs that this machine lacks.
missing_for() {
  local m=()
  have cmake || m+=(cmake)
  have ninja || m+=(ninja-build)
  have g++ || m+=(g++)
  case $1 in
    release | sanitizers | tsan)
      [ -e /usr/include/gtest/gtest.h ] || m+=(libgtest-dev)
      have python3 || m+=(python3) ;;
    memcheck) have valgrind || m+=(valgrind) ;;
    reference | soak) have python3 || m+=(python3) ;;
    fuzz)
      have clang++ || m+=(clang)
      # Debian ships the sanitizer and libFuzzer runtimes in a package of their own.
      { have clang++ && [ -e "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a)" ]; } ||
        m+=(libclang-rt-dev) ;;
    xboard | uci | package)
      have xboard || m+=(xboard)
      have Xvfb || m+=(xvfb)
      have python3 || m+=(python3) ;;&
    uci) have polyglot || m+=(polyglot) ;;
    rating)
      have stockfish || m+=(stockfish)
      have gnuplot || m+=(gnuplot-nox)
      have node || m+=(nodejs)
      have npm || m+=(npm) ;;
    package)
      have dpkg-shlibdeps || m+=(dpkg-dev)
      have file || m+=(file)
      have lintian || m+=(lintian)
      have man || m+=(man-db) ;;
    windows)
      have x86_64-w64-mingw32-g++-posix || m+=(g++-mingw-w64-x86-64-posix)
      # Debian's wine64 keeps its loader out of PATH unless the wine package is there.
      have wine64 || [ -x /usr/lib/wine/wine64 ] || m+=(wine64) ;;
    web)
      have clang++ || m+=(clang)
      have wasm-ld || m+=(lld)
      [ -e /usr/lib/wasm32-wasi/libc.a ] || m+=(wasi-libc)
      [ -e /usr/lib/wasm32-wasi/libc++.a ] || m+=(libc++-dev-wasm32)
      { have clang++ && [ -e "$(clang++ --target=wasm32-wasi -print-libgcc-file-name)" ]; } ||
        m+=(libclang-rt-dev-wasm32)
      have node || m+=(nodejs)
      have npm || m+=(npm)
      have chromium || m+=(chromium) ;;
  esac
  echo "${m[@]}"
}

missing=()
for s in "${chosen[@]}"; do
  for p in $(missing_for "$s"); do
    [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
  done
done

if [ "$(id -u)" != 0 ]; then
  why=()
  [ ${#missing[@]} -eq 0 ] || why+=("it installs what is missing with apt-get: ${missing[*]}")
  [[ " ${chosen[*]} " != *" package "* ]] || why+=("the package stage installs and removes the engine's Debian package")
  if [ ${#why[@]} -gt 0 ]; then
    echo "tests/run_all.sh needs root here:" >&2
    printf '  - %s\n' "${why[@]}" >&2
    echo "Run it with sudo, install the packages yourself, or choose other stages (--help lists them)." >&2
    exit 2
  fi
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 update -qq
  # No recommends: xboard's would bring a chess engine that must not play here.
  apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The release build, which later stages run; built once per run.
release_built=no
release_build() {
  if [ $release_built = no ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release
    release_built=yes
  fi
}

stage_release() {
  release_build
  ctest --preset release
}

stage_sanitizers() {
  cmake --preset sanitize >/dev/null
  cmake --build --preset sanitize
  ctest --preset sanitize
}

stage_tsan() {
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan
  ctest --preset tsan -R 'session\.uci_|uci\.threads'
}

stage_memcheck() {
  release_build
  tests/memcheck.sh build
}

stage_reference() {
  release_build
  python3 tests/reference/compare.py build/quorlix-tool --positions 40 --depth 3 --seed "$RANDOM"
}

stage_fuzz() { tests/fuzz/run.sh "${FUZZ_SECONDS:-45}"; }

stage_soak() {
  release_build
  python3 tests/soak.py build/quorlix --games 2 --seed "$RANDOM"
}

stage_xboard() {
  release_build
  bash tests/xboard_match.sh build/quorlix build/xboard-match
}

stage_uci() {
  release_build
  python3 tests/uci_polyglot.py build/quorlix-uci --log build/uci-polyglot --seed "$RANDOM"
  UCI=1 TIME_CONTROL=0:20 START_FEN="r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1" \
    bash tests/xboard_match.sh build/quorlix-uci build/xboard-uci-match
}

# tools/rating: its tests, then short matches that must end with no game
# lost by forfeit (a flag, an illegal move, a crash), the fit and its plot.
stage_rating() {
  release_build
  (cd tools/rating && npm ci --no-audit --no-fund --loglevel=error)
  nice node --test tools/rating/test/*.test.mjs
  local out=build/rating stockfish
  stockfish=$(command -v stockfish || echo /usr/games/stockfish)
  rm -rf "$out" && mkdir -p "$out"
  # One game at a time, five seconds a side and Stockfish's own margin for
  # the pipes: flags fall at two seconds on a busy two-core machine.
  # A level as well, so that the options are set as a GUI sets them.
  nice node tools/rating/match.mjs --strict --seed "$RANDOM" --games 2 --tc 5+0.1 \
    --engine "name=Quorlix,cmd=$PWD/build/quorlix-uci" \
    --engine "name=Quorlix 1000,cmd=$PWD/build/quorlix-uci,option.UCI_LimitStrength=true,option.UCI_Elo=1000" \
    --engine "name=Stockfish 1350,cmd=$stockfish,option.UCI_LimitStrength=true,option.UCI_Elo=1350,option.Move Overhead=100" \
    --pgn "$out/stockfish.pgn" --log "$out/stockfish.log"
  # quorlix searches 7 plies whatever its clock says, hence the longer clock and the move limit.
  nice node tools/rating/match.mjs --strict --seed "$RANDOM" --games 2 --tc 60+1 --max-moves 30 --concurrency 2 \
    --engine "name=Quorlix UCI,cmd=$PWD/build/quorlix-uci" \
    --engine "name=Quorlix xboard,cmd=$PWD/build/quorlix,proto=xboard" \
    --pgn "$out/xboard.pgn" --log "$out/xboard.log"
  # Chess960 from two random start positions: UCI_Chess960, a Shredder-FEN
  # and castling as the king taking its rook, both ways through the runner.
  nice node tools/rating/match.mjs --strict --variant chess960 --seed "$RANDOM" --games 2 --tc 5+0.1 \
    --engine "name=Quorlix,cmd=$PWD/build/quorlix-uci" \
    --engine "name=Stockfish 1350,cmd=$stockfish,option.UCI_LimitStrength=true,option.UCI_Elo=1350,option.Move Overhead=100" \
    --pgn "$out/chess960.pgn" --log "$out/chess960.log"
  node tools/rating/rate.mjs "$out"/*.pgn --anchor "Stockfish 1350=1350" --json "$out/ratings.json"
  node tools/rating/plot.mjs "$out/ratings.json" "$out/ratings.png"
}

stage_windows() {
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  cmake --build --preset windows --target emulator-start
  ctest --preset windows
  rm -f build-windows/quorlix-*-win64.zip
  (cd build-windows && cpack -G ZIP >/dev/null)
  local zip listing
  zip=$(cd build-windows && echo quorlix-*-win64.zip)
  listing=$(cd build-windows && cmake -E tar tf "$zip" | LC_ALL=C sort | tr '\n' ' ')
  if [ "$listing" != "README.txt quorlix-tool.exe quorlix-uci.exe quorlix.exe " ]; then
    echo "$zip holds: $listing" >&2
    return 1
  fi
  echo "$zip: $listing"
}

# The site in build-web/site; ctest runs the transcripts and bench under
# node, the WASI shim's test and the browser game.
stage_web() {
  cmake --preset web >/dev/null
  cmake --build --preset web
  ctest --preset web
}

stage_package() {
  release_build
  bash tests/package_check.sh build
}

ran=()
for s in "${chosen[@]}"; do
  echo "== $s: $(describe "$s")"
  started=$SECONDS
  "stage_$s"
  ran+=("$s")
  echo "== $s passed in $((SECONDS - started)) s"
done
# Reached only when every stage has passed: set -e stops at the first failure.
echo "== all ${#ran[@]} stages passed: ${ran[*]}"
