#!/bin/bash
# The rating run behind the README's Strength section: quorlix-uci's levels
# against their neighbours and Stockfish's limited levels, full strength at
# two clocks against Stockfish and at one against the installed xboard
# engines; a few games at a minute a side for the time left at that clock;
# then the fit over all the games and its picture.
#
#   tools/rating/strength.sh [QUORLIX_UCI [OUT]]
#
# QUORLIX_UCI defaults to build/quorlix-uci, OUT to doc/strength (its PGN
# files, ratings.json; the picture goes to doc/strength.png). PARTS chooses
# what to play, of "levels full10 full30 xboard clock60" (all by default);
# the fit always runs over every PGN file in OUT (clock60's games, too few
# for a rating, go to OUT/time-left). Each match appends to its file, so
# delete OUT's files for a fresh run. On a two-core machine: levels about an
# hour, full10 half an hour, full30 an hour and a quarter, xboard half an
# hour, clock60 ten minutes.
set -euo pipefail
cd "$(dirname "$0")/../.."
quorlix=$(realpath "${1:-build/quorlix-uci}")
out=${2:-doc/strength}
parts=${PARTS:-levels full10 full30 xboard clock60}
mkdir -p "$out" "$out/time-left"
(cd tools/rating && npm ci --no-audit --no-fund --loglevel=error)

level() { echo "name=Quorlix $1,cmd=$quorlix,proto=uci,option.UCI_LimitStrength=true,option.UCI_Elo=$1"; }
full() { echo "name=Quorlix${1:+ ($1)},cmd=$quorlix,proto=uci"; }
# Limited, Stockfish spends much of its clock early and then runs short; a
# tenth of a second's margin keeps it from losing on time.
stockfish() {
  echo "name=Stockfish $1,cmd=/usr/games/stockfish,proto=uci,option.UCI_LimitStrength=true,option.UCI_Elo=$1,option.Move Overhead=100"
}
match() {  # ENGINE ENGINE GAMES SEED CLOCK FILE
  echo "== $6: $3 games at $5"
  nice node tools/rating/match.mjs --engine "$1" --engine "$2" --games "$3" --seed "$4" --tc "$5" \
    --concurrency 2 --pgn "$out/$6.pgn" | tail -4
}
has() { [[ " $parts " == *" $1 "* ]]; }

if has levels; then
  match "$(level 800)" "$(level 1000)" 100 101 10+0.1 level-800-1000
  match "$(level 1000)" "$(level 1200)" 60 102 10+0.1 level-1000-1200
  match "$(level 1200)" "$(stockfish 1350)" 60 103 10+0.1 level-1200-stockfish-1350
  match "$(level 1400)" "$(stockfish 1350)" 60 104 10+0.1 level-1400-stockfish-1350
  match "$(level 1600)" "$(stockfish 1700)" 60 105 10+0.1 level-1600-stockfish-1700
  match "$(level 1400)" "$(stockfish 1700)" 40 106 10+0.1 level-1400-stockfish-1700
  match "$(level 1600)" "$(stockfish 1350)" 40 107 10+0.1 level-1600-stockfish-1350
fi
if has full10; then
  match "$(full)" "$(stockfish 1700)" 100 201 10+0.1 full-stockfish-1700
fi
if has full30; then
  match "$(full 30+0.3)" "$(stockfish 1700)" 60 301 30+0.3 full-30-stockfish-1700
  match "$(full 30+0.3)" "$(stockfish 2000)" 40 302 30+0.3 full-30-stockfish-2000
fi
if has xboard; then
  match "$(full)" "name=Fairy-Max,cmd=/usr/games/fairymax,proto=xboard" 20 401 10+0.1 full-fairymax
  match "$(full)" "name=Phalanx,cmd=/usr/games/phalanx,proto=xboard" 20 402 10+0.1 full-phalanx
  match "$(full)" "name=GNU Chess,cmd=/usr/games/gnuchess,proto=xboard" 20 403 10+0.1 full-gnuchess
  match "$(full)" "name=HoiChess,cmd=/usr/games/hoichess -x,proto=xboard" 20 404 10+0.1 full-hoichess
fi
if has clock60; then
  match "$(full 60+0.6)" "$(stockfish 1700)" 10 501 60+0.6 time-left/full-60-stockfish-1700
fi

node tools/rating/rate.mjs "$out"/*.pgn --anchor "Stockfish 1350=1350" --anchor "Stockfish 1700=1700" \
  --anchor "Stockfish 2000=2000" --json "$out/ratings.json"
node tools/rating/plot.mjs "$out/ratings.json" doc/strength.png --title "Quorlix's levels and full strength, on the scale of Stockfish 15.1's UCI_Elo"
