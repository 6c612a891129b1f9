#!/usr/bin/env python3
"""quorlix-uci behind polyglot, the UCI adapter that XBoard runs for UCI
engines: whole games as a person plays them in a GUI that speaks the xboard
protocol (version 2, as XBoard does) to polyglot, which speaks UCI to the
engine. The person's moves are random legal ones.

Three games at fast time controls: from the start, from a FEN (setboard),
and with an increment; each with take-backs ("remove", after which polyglot
sends the engine a shorter position). Every engine move must be legal in
the reference model, and the engine must never overstep its time on the
GUI's own clock. The person is another quorlix-uci, asked for shallow
searches straight over UCI, with a random move now and then. Prints the time each game's engine used against what it
had.

usage: uci_polyglot.py QUORLIX_UCI [--polyglot PATH] [--seed S] [--log DIR]
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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "reference"))
import quorlix_ref as ref  # noqa: E402
# Game.play raises soak's Fault for a move the model finds illegal.
from soak import Fault, Game, legal_moves  # noqa: E402

WAIT = 30  # seconds for any one answer; the clock checks are much tighter
MAX_PLIES = 160


class Polyglot:
    def __init__(self, polyglot, engine, log):
        self.proc = subprocess.Popen(
            [polyglot, "-noini", "-ec", engine, "-ed", os.path.dirname(engine),
             "-log", "true", "-lf", log],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.send("xboard", "protover 2")
        self.expect(lambda line: line == "feature done=1")

    def _read(self):
        for raw in iter(self.proc.stdout.readline, b""):
            self.lines.put(raw.decode("latin-1").rstrip("\r\n"))
        self.lines.put(None)

    def send(self, *lines):
        for line in lines:
            self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()

    def expect(self, wanted):
        deadline = time.monotonic() + WAIT
        while True:
            try:
                line = self.lines.get(timeout=max(deadline - time.monotonic(), 0))
            except queue.Empty:
                raise Fault("polyglot said nothing for %d s" % WAIT)
            if line is None:
                raise Fault("polyglot ended")
            if line.startswith(("Illegal move", "Error")):
                raise Fault("polyglot: " + line)
            if wanted(line):
                return line

    def sync(self, n):
        self.send("ping %d" % n)
        self.expect(lambda line: line == "pong %d" % n)

    def close(self):
        self.send("quit")
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        self.proc.wait(WAIT)


def is_move_or_result(line):
    return line.startswith("move ") or line.split(" ")[0] in ("1-0", "0-1", "1/2-1/2", "resign")


class Clock:
    """The engine's clock as the GUI keeps it, in milliseconds."""

    def __init__(self, base_ms, increment_ms, moves_per_session):
        self.base, self.increment, self.session = base_ms, increment_ms, moves_per_session
        self.left = base_ms
        self.moves = 0
        self.used = 0
        self.slowest = 0

    def spend(self, ms):
        self.left -= ms
        self.used += ms
        self.slowest = max(self.slowest, ms)
        if self.left < 0:
            raise Fault("the engine overstepped its time by %d ms" % -self.left)
        self.moves += 1
        self.left += self.increment
        if self.session and self.moves % self.session == 0:
            self.left += self.base

    def level(self):
        minutes, seconds = divmod(self.base / 1000, 60)
        return "level %d %d:%02d %g" % (self.session, minutes, seconds, self.increment / 1000)


class Person:
    """The other side: quorlix-uci at depth 2, or a random move."""

    def __init__(self, engine):
        self.proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def choose(self, rng, fen, moves):
        if rng.random() < 0.25:
            return rng.choice(sorted(legal_moves()))
        start = "fen " + fen if fen else "startpos"
        self.proc.stdin.write(("position %s moves %s\ngo depth 2\n" % (start, " ".join(moves)))
                              .encode())
        self.proc.stdin.flush()
        for raw in iter(self.proc.stdout.readline, b""):
            if raw.startswith(b"bestmove "):
                return raw.split()[1].decode()
        raise Fault("the person's engine ended")

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(WAIT)


def play(polyglot, engine, rng, fen, engine_white, clock, takebacks, ponder, log):
    """One game; returns how it ended and the number of plies."""
    p = Polyglot(polyglot, engine, log)
    person = Person(engine)
    ticks = [0]

    def sync():
        ticks[0] += 1
        p.sync(ticks[0])

    def replay(moves):
        game = Game()
        if fen:
            ref.setup_fen(fen)
            game.seen = {}
            game._remember()
        for move in moves:
            game.play(move)
        return game

    def engine_moves():
        started = time.monotonic()
        line = p.expect(is_move_or_result)
        clock.spend(int((time.monotonic() - started) * 1000))
        if not line.startswith("move "):
            raise Fault("the engine answered %r instead of a move" % line)
        game.play(line.split()[1])

    def over():
        if not legal_moves():
            return "mate" if ref.in_check else "stalemate"
        return game.draw(MAX_PLIES)

    try:
        game = replay([])
        # After "new" the engine plays Black; "go" gives it the side to move.
        # "hard" lets polyglot ponder: go ponder after each engine move, then
        # ponderhit when the person plays the expected reply, else stop.
        p.send("new", "hard" if ponder else "easy", "post", clock.level())
        if fen:
            p.send("force", "setboard " + fen)
        engine_side = ref.WHITE if engine_white else ref.BLACK
        if ref.side_to_move == engine_side:
            p.send("time %d" % (clock.left // 10), "otim 100000", "go")
            engine_moves()
        elif fen:
            raise Fault("a game from a FEN starts with the engine to move")
        took_back = 0
        while not over():
            # The person's turn: now and then a take-back of the engine's
            # move and the person's own, then a move.
            if took_back < takebacks and len(game.moves) >= 8 * (took_back + 1):
                p.send("remove")
                sync()
                game = replay(game.moves[:-2])
                took_back += 1
            move = person.choose(rng, fen, game.moves)
            game.play(move)
            if over():
                p.send("usermove " + move)
                sync()
                break
            p.send("time %d" % (clock.left // 10), "otim 100000", "usermove " + move)
            engine_moves()
        return over(), len(game.moves), took_back
    finally:
        p.close()
        person.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("engine")
    parser.add_argument("--polyglot", default="/usr/games/polyglot")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--log", default=".")
    args = parser.parse_args()
    engine = os.path.abspath(args.engine)
    rng = random.Random(args.seed)
    os.makedirs(args.log, exist_ok=True)
    games = [
        # what, start, engine plays White, clock (base, increment, moves per session), take-backs,
        # pondering
        ("2 s a game", None, True, Clock(2000, 0, 0), 2, False),
        ("3 s for 40 moves, from a FEN", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
         False, Clock(3000, 0, 40), 1, False),
        ("1 s + 0.1 s a move", None, False, Clock(1000, 100, 0), 2, False),
        ("2 s + 0.1 s a move, pondering", None, True, Clock(2000, 100, 0), 1, True),
    ]
    failed = 0
    for index, (what, fen, engine_white, clock, takebacks, ponder) in enumerate(games):
        log = os.path.join(os.path.abspath(args.log), "polyglot-%d.log" % (index + 1))
        try:
            how, plies, took_back = play(args.polyglot, engine, rng, fen, engine_white, clock,
                                         takebacks, ponder, log)
            if ponder:
                with open(log, errors="replace") as text:
                    sent = text.read()
                ponders = len(re.findall(r"Adapter->Engine: go .*\bponder\b", sent))
                if not ponders:
                    raise Fault("polyglot never asked the engine to ponder")
                what += " (%d ponder searches, %d ponderhits)" % (
                    ponders, sent.count("Adapter->Engine: ponderhit"))
            print("ok: %s: %s after %d plies and %d take-backs; the engine used %d ms in %d moves"
                  " (the slowest %d ms) and had %d ms left"
                  % (what, how, plies, took_back, clock.used, clock.moves, clock.slowest,
                     clock.left), flush=True)
        except Fault as fault:
            failed += 1
            print("FAIL: %s: %s (see %s)" % (what, fault, log), flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
