#!/usr/bin/env python3
"""Self-play soak: Quorlix plays whole games against itself, one engine
process per side, talking the xboard protocol over pipes.

usage: soak.py ENGINE [--games N] [--max-plies 150] [--seed S]
                      [--timeout-per-move 60]

Each game starts from a few random legal moves (the same seed gives the same
openings), then processes A and B play it out; A moves first in even games,
B in odd ones.  Every announced move must be legal in the reference model
(tests/reference/quorlix_ref.py) and accepted by the other process, every
progress line must carry a legal principal variation that the played move
starts, and every result line must match what the model says about the
position.  The soak itself declares a draw at --max-plies plies (opening
included), on insufficient material, threefold repetition or the 50-move
rule, since the engine never claims those.  One line per game, then exactly
"N passed, M failed"; the exit status is 0 only when every game passed and
both processes exit cleanly with status 0 when their input closes.

Protocol, per process:
  start-up      xboard, new, force
  each game     new, force, then the opening moves (no reply allowed)
  its first turn  "go" (A), or the opponent's move then "go" (B)
  later turns   the opponent's move alone: a process that has had "go"
                keeps its side and answers a relayed move at once
Every batch of commands ends with a line the engine does not know
("soak-sync-N").  The engine handles input strictly in order and only when
it is not thinking, so its "Error (unknown command): soak-sync-N" reply
marks the end of everything the batch caused: a reply is read up to that
line, with no guessing whether a result line may still follow a move.
"""

import argparse
import os
import queue
import random
import re
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "reference"))
import quorlix_ref as ref  # noqa: E402

WHITE_MATES = "1-0 {White mates}"
BLACK_MATES = "0-1 {Black mates}"
STALEMATE = "1/2-1/2 {Stalemate}"
RESULTS = (WHITE_MATES, BLACK_MATES, STALEMATE)
PROGRESS = re.compile(r"(\d+) (-?\d+) (\d+) (\d+)((?: [a-h][1-8][a-h][1-8][qrbn]?)*)")
START_TIMEOUT = 60          # a rebuild may leave the binary missing briefly
EXIT_TIMEOUT = 5


class Fault(Exception):
    def __init__(self, message, engine=None, lines=None):
        super().__init__(message)
        self.engine = engine
        self.lines = lines or []


# ---------------------------------------------------------------------------
# Engine processes
# ---------------------------------------------------------------------------

def spawn(path):
    deadline = time.monotonic() + START_TIMEOUT
    while True:
        try:
            return subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE)
        except OSError:
            # Missing, being written (ETXTBSY) or half-written (ENOEXEC)
            # while another developer relinks it.
            if time.monotonic() > deadline:
                raise
            time.sleep(1)


class Engine:
    def __init__(self, name, path):
        self.name = name
        self.proc = spawn(path)
        self.lines = queue.Queue()
        self.stderr = []
        self.markers = 0
        self.log = []           # commands since the last "new", for reproducers
        self.playing = False    # has had "go" this game
        self.depth = None       # search depth seen when not in check
        self.threads = [threading.Thread(target=self._read_stdout, daemon=True),
                        threading.Thread(target=self._read_stderr, daemon=True)]
        for thread in self.threads:
            thread.start()

    def _read_stdout(self):
        for raw in iter(self.proc.stdout.readline, b""):
            self.lines.put(raw.decode("latin-1").rstrip("\n"))
        self.lines.put(None)

    def _read_stderr(self):
        for raw in iter(self.proc.stderr.readline, b""):
            self.stderr.append(raw.decode("latin-1").rstrip("\n"))

    def _status(self):
        try:
            code = self.proc.wait(timeout=1)
        except subprocess.TimeoutExpired:
            return "still running"
        return "exit status %d" % code if code >= 0 else "killed by signal %d" % -code

    def exchange(self, commands, timeout):
        """Sends commands and returns every line they caused."""
        self.markers += 1
        marker = "soak-sync-%d" % self.markers
        echo = "Error (unknown command): " + marker
        self.log.extend(commands)
        data = "".join(c + "\n" for c in list(commands) + [marker]).encode()
        try:
            self.proc.stdin.write(data)
            self.proc.stdin.flush()
        except OSError:
            raise Fault("%s cannot take input (%s)" % (self.name, self._status()), self)
        deadline = time.monotonic() + timeout
        lines = []
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Fault("%s gave no complete answer within %gs" % (self.name, timeout),
                            self, lines)
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if line is None:
                raise Fault("%s died (%s)" % (self.name, self._status()), self, lines)
            if line == echo:
                return lines
            lines.append(line)

    def close(self):
        """Closes input and returns a fault message, or None on a clean exit."""
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            code = self.proc.wait(timeout=EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.kill()
            return "%s did not exit within %ds of its input closing" % (self.name, EXIT_TIMEOUT)
        for thread in self.threads:
            thread.join(timeout=EXIT_TIMEOUT)
        extra = []
        while not self.lines.empty():
            line = self.lines.get()
            if line is not None:
                extra.append(line)
        if code != 0:
            return "%s exited with status %d" % (self.name, code)
        if extra:
            return "%s printed at exit: %r" % (self.name, extra)
        if self.stderr:
            return "%s wrote to stderr: %r" % (self.name, self.stderr)
        return None

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()


def start_pair(path, timeout, attempts=3):
    # A binary caught half-relinked can start and die; a real start-up fault
    # survives the retries.
    for attempt in range(attempts):
        try:
            return try_start_pair(path, timeout)
        except Fault:
            if attempt == attempts - 1:
                raise
            time.sleep(2)


def try_start_pair(path, timeout):
    engines = []
    try:
        for name in ("A", "B"):
            engine = Engine(name, path)
            engines.append(engine)
            lines = engine.exchange(["xboard", "new", "force"], timeout)
            # Banner, board and the console prompt ended by xboard's newline.
            if not lines or not lines[0].startswith("Quorlix") or lines[-1] != "> ":
                raise Fault("%s started oddly" % name, engine, lines)
    except Exception:
        for engine in engines:
            engine.kill()
        raise
    return engines


# ---------------------------------------------------------------------------
# Reference model
# ---------------------------------------------------------------------------

def legal_moves():
    ref.move_top = 0
    ref.generate_moves(ref.ALL_MOVES, ref.side_to_move)
    moves = {ref.format_move(m): m for m in ref.move_stack[:ref.move_top]}
    ref.move_top = 0
    return moves


def snapshot():
    return (ref.board[:], ref.side_to_move, ref.castle_rights, ref.ep_slot, ref.in_check,
            ref.killers[:])


def restore(saved):
    ref.board[:] = saved[0]
    ref.side_to_move, ref.castle_rights, ref.ep_slot, ref.in_check = saved[1:5]
    ref.killers[:] = saved[5]
    ref.move_top = 0


def piece_at(square):
    slot = ref.board[square]
    if slot == 0:
        return None
    letter = ref.PIECE_LETTERS[ref.board[slot + ref.TYPE_OFFSET]]
    return letter.lower() if slot >= ref.FIRST_BLACK_SLOT else letter


def fen():
    rows = []
    for rank in range(7, -1, -1):
        row, empty = "", 0
        for file in range(8):
            piece = piece_at(16 * rank + file)
            if piece is None:
                empty += 1
                continue
            row += (str(empty) if empty else "") + piece
            empty = 0
        rows.append(row + (str(empty) if empty else ""))
    rights = "".join(c for c, bit in (("K", 2), ("Q", 1), ("k", 8), ("q", 4))
                     if ref.castle_rights & bit)
    return "%s %s %s" % ("/".join(rows), "wb"[ref.side_to_move], rights or "-")


def ending_in_model():
    """The result line the engine owes for the side to move, or None."""
    if legal_moves():
        return None
    if not ref.in_check:
        return STALEMATE
    return WHITE_MATES if ref.side_to_move == ref.BLACK else BLACK_MATES


class Game:
    """The model board plus what draw adjudication needs."""

    def __init__(self):
        ref.setup_position()
        self.moves = []
        self.quiet_plies = 0
        self.seen = {}
        self.rare = {"castling": 0, "en passant": 0, "promotion": 0}
        self._remember()

    def _key(self):
        # En passant only matters to repetition when a capture is possible.
        ep = any(ref.board[ref.board[m & 0xFF] + ref.TYPE_OFFSET] == ref.PAWN
                 and (((m >> 8) & 0xFF) - (m & 0xFF)) & 1 and (m >> 24) == 0
                 for m in legal_moves().values())
        squares = "".join(piece_at(16 * r + f) or "." for r in range(8) for f in range(8))
        return squares, ref.side_to_move, ref.castle_rights, ep and ref.ep_slot

    def _remember(self):
        key = self._key()
        self.seen[key] = self.seen.get(key, 0) + 1

    def play(self, text, engine=None):
        move = legal_moves().get(text)
        if move is None:
            raise Fault("%s is illegal in the reference model at %s" % (text, fen()), engine)
        kind = ref.board[ref.board[move & 0xFF] + ref.TYPE_OFFSET]
        pawn = kind == ref.PAWN
        capture = (move >> 24) != 0
        sideways = ((move >> 8) & 0xFF) - (move & 0xFF)
        if kind == ref.KING and abs(sideways) == 2:
            self.rare["castling"] += 1
        elif pawn and sideways & 1 and not capture:
            self.rare["en passant"] += 1
        elif pawn and (move >> 16) & 0xFF:
            self.rare["promotion"] += 1
        ref.play_move(move)
        self.moves.append(text)
        self.quiet_plies = 0 if pawn or capture else self.quiet_plies + 1
        self._remember()

    def draw(self, max_plies):
        pieces = [ref.board[s + ref.TYPE_OFFSET] for side in ref.MATERIAL_SLOTS
                  for s in side if ref.board[s] < 0x80]
        if all(p in (ref.KNIGHT, ref.BISHOP) for p in pieces):
            colours = {((ref.board[s] >> 4) + (ref.board[s] & 7)) & 1
                       for side in ref.MATERIAL_SLOTS for s in side if ref.board[s] < 0x80}
            if len(pieces) <= 1 or (ref.KNIGHT not in pieces and len(colours) == 1):
                return "insufficient material"
        if max(self.seen.values()) >= 3:
            return "threefold repetition"
        if self.quiet_plies >= 100:
            return "50-move rule"
        if len(self.moves) >= max_plies:
            return "%d plies" % max_plies
        return None


def random_opening(rng):
    ref.setup_position()
    moves = []
    for _ in range(rng.randint(2, 8)):
        legal = sorted(legal_moves())
        if not legal:
            break
        moves.append(rng.choice(legal))
        ref.play_move(legal_moves()[moves[-1]])
    return moves


# ---------------------------------------------------------------------------
# Checking replies
# ---------------------------------------------------------------------------

def check_pv(engine, pv, lines):
    saved = snapshot()
    try:
        for i, text in enumerate(pv):
            move = legal_moves().get(text)
            if move is None:
                raise Fault("%s: move %d (%s) of a principal variation is illegal at %s"
                            % (engine.name, i + 1, text, fen()), engine, lines)
            ref.play_move(move)
    finally:
        restore(saved)


def read_turn(engine, lines):
    """Checks one thinking turn; returns (move or None, result line or None)."""
    depths, move, result = [], None, None
    last_pv = []
    for line in lines:
        if result is not None:
            raise Fault("%s printed after its result line: %r" % (engine.name, line), engine, lines)
        progress = PROGRESS.fullmatch(line)
        if progress and move is None:
            depth, _, depth_again, _, pv = progress.groups()
            if depth != depth_again:
                raise Fault("%s: progress line with two depths" % engine.name, engine, lines)
            depths.append(int(depth))
            last_pv = pv.split()
            check_pv(engine, last_pv, lines)
        elif line.startswith("move ") and move is None:
            move = line[5:]
        elif line in RESULTS:
            result = line
        else:
            raise Fault("%s printed an unexpected line: %r" % (engine.name, line), engine, lines)
    if depths != list(range(1, len(depths) + 1)):
        raise Fault("%s: progress depths %s do not count up from 1" % (engine.name, depths),
                    engine, lines)
    if move is None and result is None:
        raise Fault("%s neither moved nor ended the game" % engine.name, engine, lines)
    if move is not None and move not in legal_moves():
        raise Fault("%s played %s, illegal in the reference model at %s"
                    % (engine.name, move, fen()), engine, lines)
    if move is not None and last_pv[:1] != [move]:
        raise Fault("%s played %s but its last principal variation is %s"
                    % (engine.name, move, " ".join(last_pv) or "empty"), engine, lines)
    # The engine searches a fixed depth, one ply more in check.
    if engine.depth is None and not ref.in_check:
        engine.depth = len(depths)
    elif engine.depth is not None and len(depths) != engine.depth + (1 if ref.in_check else 0):
        raise Fault("%s searched %d plies, expected %d%s"
                    % (engine.name, len(depths), engine.depth,
                       " + 1 in check" if ref.in_check else ""), engine, lines)
    return move, result


def play_game(game, a, b, opening, first, args):
    """Returns how the game ended; raises Fault on anything wrong."""
    for text in opening:
        game.play(text)
    for engine in (a, b):
        engine.log = []
        engine.playing = False
        lines = engine.exchange(["new", "force"] + opening, args.timeout_per_move)
        if lines:
            raise Fault("%s answered the opening" % engine.name, engine, lines)
    mover, other = (a, b) if first == 0 else (b, a)
    colour = {mover.name: "wb"[ref.side_to_move], other.name: "wb"[1 - ref.side_to_move]}
    commands = ["go"]
    slowest = 0.0
    while True:
        mover.playing = True
        started = time.monotonic()
        lines = mover.exchange(commands, args.timeout_per_move)
        slowest = max(slowest, time.monotonic() - started)
        move, result = read_turn(mover, lines)
        if move is None:
            # Only possible when the opening already ended the game.
            owed = ending_in_model()
            if result != owed:
                raise Fault("%s announced %r, the model says %s at %s"
                            % (mover.name, result, owed or "play on", fen()), mover, lines)
            return colour, "%s, announced by %s" % (result, mover.name), slowest
        game.play(move, mover)
        owed = ending_in_model()
        if result != owed:
            raise Fault("%s played %s and announced %r; the model says %s at %s"
                        % (mover.name, move, result, owed or "play on", fen()), mover, lines)
        commands = [move] if other.playing else [move, "go"]
        if result is not None:
            # The other side, on its turn, must see the same end.
            lines = other.exchange(commands, args.timeout_per_move)
            reply, reply_result = read_turn(other, lines)
            if reply is not None or reply_result != result:
                raise Fault("after %s ended the game with %r, %s answered otherwise"
                            % (mover.name, result, other.name), other, lines)
            return colour, "%s, announced by both" % result, slowest
        draw = game.draw(args.max_plies)
        if draw:
            return colour, "1/2-1/2 adjudicated by the soak: %s" % draw, slowest
        mover, other = other, mover


def reproducer(engine, path):
    commands = ["xboard"] + engine.log
    return "printf '%s\\n' | %s" % ("\\n".join(commands), path)


def main(argv):
    parser = argparse.ArgumentParser(description="Quorlix self-play soak over xboard.")
    parser.add_argument("engine")
    parser.add_argument("--games", type=int, default=4)
    parser.add_argument("--max-plies", type=int, default=150)
    parser.add_argument("--seed", type=int, default=None,
                        help="opening seed (default: from the clock, printed)")
    parser.add_argument("--timeout-per-move", type=float, default=60)
    args = parser.parse_args(argv[1:])
    path = os.path.abspath(args.engine)
    seed = args.seed if args.seed is not None else int(time.time()) % 1000000
    print("soak: %s, %d games, seed %d, draw at %d plies"
          % (path, args.games, seed, args.max_plies), flush=True)

    passed = failed = 0
    last_passed = False
    engines = []
    try:
        for index in range(args.games):
            rng = random.Random("%d:%d" % (seed, index))
            opening = random_opening(rng)
            started = time.monotonic()
            game = Game()
            last_passed = False
            try:
                if not engines:
                    engines = start_pair(path, args.timeout_per_move)
                colour, how, slowest = play_game(game, engines[0], engines[1], opening,
                                                 index % 2, args)
                for engine in engines:
                    if engine.stderr:
                        raise Fault("%s wrote to stderr: %r" % (engine.name, engine.stderr),
                                    engine)
            except Fault as fault:
                failed += 1
                print("game %d: FAIL, opening %s: %s" % (index + 1, " ".join(opening), fault))
                print("  moves: %s" % " ".join(game.moves))
                print("  position: %s" % fen())
                if fault.engine is not None:
                    print("  %s's output:" % fault.engine.name)
                    for line in fault.lines:
                        print("    " + line)
                    print("  reproduce: " + reproducer(fault.engine, path))
                sys.stdout.flush()
                # A faulty pair may be mid-search or dead; start afresh.
                for engine in engines:
                    engine.kill()
                engines = []
                continue
            passed += 1
            last_passed = True
            white = [name for name, c in colour.items() if c == "w"][0]
            seen = ", ".join("%s %d" % item for item in game.rare.items())
            print("game %d: %s White, opening %s, %d plies, %s; %.1fs, slowest move %.2fs (%s)"
                  % (index + 1, white, " ".join(opening), len(game.moves), how,
                     time.monotonic() - started, slowest, seen), flush=True)
        shutdown_ok = True
        for engine in engines:
            problem = engine.close()
            if problem:
                print("shutdown: FAIL: " + problem)
                shutdown_ok = False
        engines = []
        if not shutdown_ok and last_passed:
            # Charged to the last game, which these processes played.
            passed -= 1
            failed += 1
    finally:
        for engine in engines:
            engine.kill()
    print("%d passed, %d failed" % (passed, failed), flush=True)
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
