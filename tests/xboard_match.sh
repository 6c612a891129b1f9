#!/usr/bin/env bash
# Plays one full game of Quorlix against Quorlix under the real XBoard GUI
# (on a virtual X display) and checks that the game finished and that the
# recorded moves are exactly the ones the engines announced.
#
# Usage: tests/xboard_match.sh [ENGINE] [OUTDIR]
#   ENGINE  engine binary (default: build/quorlix in the repo)
#   OUTDIR  where game.pgn, xboard.debug and logs are left
#           (default: build/xboard-match in the repo)
# Environment: MATCH_TIMEOUT (seconds for the whole game, default 1200),
#   STALL_TIMEOUT (seconds without any engine/XBoard traffic, default 300),
#   DRAW_AFTER_MOVES (XBoard declares a draw after this many moves, default 60),
#   SCREENSHOT (a PNG file: a picture of XBoard showing the game's final
#   position is saved there),
#   EXPECT_LISTED (an engine command that XBoard must list among its installed
#   engines, as it does for the plugin files of installed packages),
#   UCI (non-empty: ENGINE speaks UCI, like quorlix-uci, and XBoard runs it
#   through the polyglot adapter; then XBoard also calls flags, and a side
#   that oversteps its time loses and fails the test),
#   TIME_CONTROL (XBoard's -timeControl: minutes, or minutes:seconds, for
#   the game; default 60),
#   START_FEN (a position to start from; XBoard sends it with setboard,
#   which only the UCI program's adapter knows)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
engine=${1:-$repo/build/quorlix}
out=${2:-$repo/build/xboard-match}
match_timeout=${MATCH_TIMEOUT:-1200}
stall_timeout=${STALL_TIMEOUT:-300}
draw_after=${DRAW_AFTER_MOVES:-60}
screenshot=${SCREENSHOT:-}
expect_listed=${EXPECT_LISTED:-}
uci=${UCI:-}
time_control=${TIME_CONTROL:-60}
start_fen=${START_FEN:-}

say() { echo "xboard_match: $*"; }
fail() { echo "xboard_match: FAIL: $*" >&2; exit 1; }

[[ -f $engine && -x $engine ]] || fail "engine binary not found or not executable: $engine"
engine=$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")

# --- tools -----------------------------------------------------------------
# XBoard's Debian package installs to /usr/games, which is often not on PATH.
find_xboard() { command -v xboard || { [[ -x /usr/games/xboard ]] && echo /usr/games/xboard; } || true; }
missing=()
[[ -n $(find_xboard) ]] || missing+=(xboard)
command -v Xvfb >/dev/null || missing+=(xvfb)
[[ -z $screenshot ]] || command -v import >/dev/null || missing+=(imagemagick-6.q16)
# XBoard starts polyglot by name, and Debian puts it in /usr/games.
PATH=$PATH:/usr/games
[[ -z $uci ]] || command -v polyglot >/dev/null || missing+=(polyglot)
if ((${#missing[@]})); then
    [[ $(id -u) == 0 ]] || fail "need root to install: ${missing[*]}"
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # No recommends: xboard recommends a chess engine (fairymax), which must
    # not play in this test.
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
xboard=$(find_xboard)
[[ -n $xboard ]] || fail "xboard still not available"
command -v python3 >/dev/null || fail "python3 is needed for checking the game"

# --- helpers ---------------------------------------------------------------
# Engines that exited but were not reaped. XBoard 4.9 (GTK) does not notice
# a dead engine and then waits forever, so look for them from outside.
dead_engines() {
    { ps -o pid=,stat= --ppid "$xboard_pid" 2>/dev/null || true; } | awk '$2 ~ /^Z/ {print $1}'
}

# How a not-yet-reaped process ended (exit_code, field 52 of /proc/PID/stat).
exit_reason() {
    local rest code
    rest=$(cat "/proc/$1/stat" 2>/dev/null) || { echo "status unknown"; return; }
    rest=${rest##*) }    # drop "pid (comm) ", comm may contain spaces
    code=$(echo "$rest" | awk '{print $50}')
    if [[ -z $code ]]; then echo "status unknown"
    elif ((code & 127)); then echo "killed by signal $((code & 127))"
    else echo "exit status $((code >> 8))"
    fi
}

game_over() { grep -q -E 'GameEnds\([0-9]+, [^(]' "$debug" 2>/dev/null; }

stop_xboard() {
    [[ -n $xboard_pid ]] || return 0
    # Its own process group holds XBoard and both engines.
    kill -TERM -- "-$xboard_pid" 2>/dev/null || true
    for _ in $(seq 100); do
        kill -0 "$xboard_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL -- "-$xboard_pid" 2>/dev/null || true
    wait "$xboard_pid" 2>/dev/null || true
    xboard_pid=
}

# XBoard quits the moment a match ends, before it draws the last move, so
# the picture comes from a second XBoard replaying the saved game: it steps
# through the moves (which also clears the hint it shows on a first start)
# and stops at the end. Without a window manager its window sits at the top
# left of a black screen, so trimming the black leaves the window.
take_screenshot() {
    local viewer shot=$tmp/shot.png last= sum same=0 i
    HOME=$tmp/home DISPLAY=$display setsid "$xboard" -ncp -lgf "$pgn" -td 0.05 \
        -animateMoving false -autoDisplayTags false -autoDisplayComment false \
        -saveSettingsOnExit false -popupExitMessage false >>"$out/xboard.log" 2>&1 &
    viewer=$!
    for i in $(seq 60); do
        sleep 1
        DISPLAY=$display import -window root -trim +repage -strip "$shot" 2>/dev/null || continue
        # A bare screen trims to a pixel or so; XBoard's window is hundreds wide.
        (($(identify -format %w "$shot") > 100)) || continue
        # The replay is over when the picture stays the same for two seconds.
        sum=$(md5sum <"$shot")
        if [[ $sum == "$last" ]]; then
            ((++same < 2)) || break
        else
            same=0
            last=$sum
        fi
    done
    kill -TERM -- "-$viewer" 2>/dev/null || true
    wait "$viewer" 2>/dev/null || true
    ((same >= 2)) || fail "XBoard's replay of the game did not settle"
    mv "$shot" "$screenshot"
}

# --- files -----------------------------------------------------------------
[[ -z $screenshot ]] || screenshot=$(cd "$(dirname "$screenshot")" && pwd)/$(basename "$screenshot")
mkdir -p "$out"
out=$(cd "$out" && pwd)
pgn=$out/game.pgn
debug=$out/xboard.debug
rm -f "$pgn" "$debug" "$out"/{xboard.log,xvfb.log,summary.txt}   # -sgf appends

tmp=$(mktemp -d /tmp/xboard-match.XXXXXX)
mkdir "$tmp/home" "$tmp/engine"
engine_cmd=$engine
if [[ $engine == *[[:space:]]* ]]; then
    # XBoard splits the engine command at spaces.
    ln -s "$engine" "$tmp/engine/quorlix"
    engine_cmd=$tmp/engine/quorlix
fi

xvfb_pid=
xboard_pid=
cleanup() {
    stop_xboard
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

# --- virtual display ---------------------------------------------------------
display=
for n in $(seq 90 150); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        [[ -S /tmp/.X11-unix/X$n ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [[ -S /tmp/.X11-unix/X$n ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
        display=:$n
        break
    fi
    # Lost a race for this display number (or Xvfb failed): try the next.
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
done
[[ -n $display ]] || fail "could not start Xvfb (see $out/xvfb.log)"
say "Xvfb on display $display (pid $xvfb_pid)"

# --- the match ---------------------------------------------------------------
# Option notes:
#  - HOME is a scratch dir and settings are not saved, so no ~/.xboardrc
#    from this machine leaks in and none is written.
#  - quorlix has no clock handling: give each side an hour and never call a
#    flag, so only the moves decide the game. quorlix-uci keeps time, so its
#    flag is called.
#  - No pondering and no book: every move must come from the engine.
#  - The engine never claims repetition or 50-move draws, so XBoard applies
#    those rules, and ends long games as a draw after $draw_after moves.
#  - testClaims/checkMates make XBoard verify the engines' result claims.
#  - No exit popup and no sound, so XBoard quits by itself after the game.
call_flag=false
[[ -z $uci ]] || call_flag=true
xboard_args=(
    -fcp "$engine_cmd" -fd "$tmp/engine" -fn "Quorlix 1"
    -scp "$engine_cmd" -sd "$tmp/engine" -sn "Quorlix 2"
    -matchGames 1
    -timeControl "$time_control" -timeIncrement 0 -autoCallFlag $call_flag
    -ponderNextMove false -usePolyglotBook false
    -adjudicateDrawMoves "$draw_after" -repeatsToDraw 3 -ruleMoves 50
    -testClaims true -checkMates true -testLegality true
    -saveGameFile "$pgn" -pgnExtendedInfo true
    -debugMode true -nameOfDebugFile "$debug" -engineDebugOutput 1
    -saveSettingsOnExit false -popupExitMessage false -popupMoveErrors false
    -soundProgram ""
)
if [[ -n $uci ]]; then
    xboard_args+=(-firstIsUCI true -secondIsUCI true)
fi
if [[ -n $start_fen ]]; then
    echo "$start_fen" >"$tmp/start.fen"
    xboard_args+=(-loadPositionFile "$tmp/start.fen" -loadPositionIndex 1)
fi
# XBoard adds the engines of newly found plugin files to its list of engines,
# which only shows in the settings it saves on exit.
settings=$tmp/home/.xboardrc
if [[ -n $expect_listed ]]; then
    xboard_args+=(-saveSettingsOnExit true -settingsFile "$settings" -saveSettingsFile "$settings")
fi

say "playing Quorlix vs Quorlix ($engine), timeout ${match_timeout}s"
start=$SECONDS
HOME=$tmp/home DISPLAY=$display setsid "$xboard" "${xboard_args[@]}" >"$out/xboard.log" 2>&1 &
xboard_pid=$!

problem=
last_size=-1
last_change=$SECONDS
dead_seen=0
while kill -0 "$xboard_pid" 2>/dev/null; do
    sleep 1
    if ! game_over; then
        dead=$(dead_engines | head -1)
        if [[ -n $dead ]]; then
            # Give XBoard a moment to reap it in case the game is ending.
            if ((++dead_seen >= 3)); then
                problem="engine process $dead died during the game ($(exit_reason "$dead"))"
                break
            fi
        else
            dead_seen=0
        fi
    fi
    size=$(stat -c %s "$debug" 2>/dev/null || echo 0)
    if [[ $size != "$last_size" ]]; then
        last_size=$size
        last_change=$SECONDS
    elif ((SECONDS - last_change >= stall_timeout)); then
        problem="no progress for ${stall_timeout}s (engine or XBoard hangs)"
        break
    fi
    if ((SECONDS - start >= match_timeout)); then
        problem="game did not finish within ${match_timeout}s"
        break
    fi
done
rc=0
if [[ -n $problem ]]; then
    stop_xboard
else
    wait "$xboard_pid" || rc=$?
    xboard_pid=
fi
elapsed=$((SECONDS - start))

# --- checks ------------------------------------------------------------------
[[ -z $problem ]] || fail "$problem (see $debug)"
[[ -s $debug ]] || fail "XBoard wrote no debug log (exit status $rc, see $out/xboard.log)"
[[ -s $pgn ]] || fail "XBoard saved no game (exit status $rc, see $out/xboard.log)"

# Lines XBoard logs when a move was refused, by it or by an engine, or a
# flag fell.
if grep -n -i 'illegal move\|forfeit\|flag fell\|on time' "$debug" >"$tmp/illegal"; then
    head -5 "$tmp/illegal" >&2
    fail "illegal move or time forfeit in the game (see $debug)"
fi
# How XBoard reports an engine that died during the game.
if grep -n -i -E 'exited unexpectedly|terminated|crash|died|core dumped|segmentation' \
        "$debug" "$out/xboard.log" >"$tmp/dead"; then
    head -5 "$tmp/dead" >&2
    fail "an engine died during the game (see $debug)"
fi
# The engine rejecting a move or a command it is meant to understand means
# XBoard and the engine do not speak the same dialect.
if grep -n -E '<(first|second) *: Error \(unknown command\): ([a-h][1-8][a-h][1-8][qrbn]?|new|white|black|force|go|time -?[0-9]+|otim -?[0-9]+) *$' \
        "$debug" >"$tmp/misunderstood"; then
    head -5 "$tmp/misunderstood" >&2
    fail "engine did not understand what XBoard sent (see $debug)"
fi
# A result claim XBoard found to be wrong: the engine's game-end detection erred.
if grep -n 'False .* claim' "$debug" >"$tmp/claims"; then
    head -5 "$tmp/claims" >&2
    fail "engine made a false result claim (see $debug)"
fi

summary=$out/summary.txt
python3 "$here/xboard_match_check.py" "$pgn" "$debug" >"$summary" || {
    cat "$summary" >&2
    fail "the saved game does not match what the engines played"
}
[[ $rc == 0 ]] || fail "XBoard exited with status $rc (see $out/xboard.log)"
if [[ -n $expect_listed ]]; then
    [[ -s $settings ]] || fail "XBoard saved no settings"
    cp "$settings" "$out/xboardrc"
    sed -n '/^-firstChessProgramNames {/,/^}/p' "$settings" | sed 's/^-firstChessProgramNames {//' |
        grep -qxF "$expect_listed" ||
        fail "XBoard does not list $expect_listed among its engines (see $out/xboardrc)"
fi
[[ -z $screenshot ]] || take_screenshot

say "game finished in ${elapsed}s"
sed 's/^/  /' "$summary"
say "PGN:        $pgn"
say "debug log:  $debug"
[[ -z $screenshot ]] || say "screenshot: $screenshot"
[[ -z $expect_listed ]] || say "XBoard lists the installed engine $expect_listed"
say "PASS"
