#!/usr/bin/env python3
"""Writes tests/chess960_perft.txt: Chess960 perft counts taken from Stockfish
(UCI_Chess960, "go perft"), an oracle independent of our move generator.

Each line is "<FEN> ; <count at depth 1> ... <count at depth N>"; '#' lines
are comments. The same seed gives the same file. Every hand-made position's
castling move is checked to be in, or not in, Stockfish's move list as its
comment says, and the script stops if the oracle disagrees with us.

usage: tools/chess960_perft.py [--seed N] [--stockfish PATH] [--out FILE]
"""
import argparse
import os
import random
import subprocess
import sys
import time

# The deepest count of a position stays under this (the file also runs in a
# sanitizer build); positions that can afford it go a ply deeper only while
# their count stays small.
BUDGET = 5_000_000
SMALL = 1_000_000

FILES = "abcdefgh"


class Stockfish:
    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, bufsize=1)
        self.send("uci")
        self.name = next(line[8:] for line in self.until("uciok") if line.startswith("id name "))
        self.send("setoption name UCI_Chess960 value true")
        self.sync()
        self.nodes = 0

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def until(self, prefix):
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("stockfish quit (it does on some bad FENs)")
            lines.append(line.rstrip("\n"))
            if lines[-1].startswith(prefix):
                return lines

    def sync(self):
        self.send("isready")
        return self.until("readyok")

    def position(self, fen, moves=()):
        self.send("position fen " + fen + (" moves " + " ".join(moves) if moves else ""))

    def perft(self, fen, depth, moves=()):
        """(leaf count, {move: count}). "go perft" runs beside the command
        loop, so nothing is sent until it has printed its total."""
        self.position(fen, moves)
        self.send(f"go perft {depth}")
        lines = self.until("Nodes searched:")
        divide = {}
        for line in lines[:-1]:
            move, sep, count = line.partition(": ")
            if sep and len(move) in (4, 5):
                divide[move] = int(count)
        total = int(lines[-1].split(":")[1])
        assert total == sum(divide.values()), (fen, depth)
        self.nodes += total
        return total, divide

    def moves(self, fen, moves=()):
        return sorted(self.perft(fen, 1, moves)[1])

    def show(self, fen, moves=()):
        """Stockfish's own FEN of the position and whether the side to move is in check."""
        self.position(fen, moves)
        self.send("d")
        lines = self.sync()
        shown = next(line[5:] for line in lines if line.startswith("Fen: "))
        checkers = next(line[9:] for line in lines if line.startswith("Checkers:")).strip()
        return shown, bool(checkers)

    def close(self):
        self.send("quit")
        self.proc.wait()


# --- FEN helpers --------------------------------------------------------------------

def board_of(fen):
    board = {}
    for r, row in enumerate(fen.split()[0].split("/")):
        f = 0
        for c in row:
            if c.isdigit():
                f += int(c)
            else:
                board[FILES[f] + str(8 - r)] = c
                f += 1
    return board


def castling_moves(fen, moves):
    """Chess960 castling as Stockfish writes it: the king takes its own rook."""
    board = board_of(fen)
    king, rook = ("K", "R") if fen.split()[1] == "w" else ("k", "r")
    return [m for m in moves if board.get(m[:2]) == king and board.get(m[2:4]) == rook]


def resolve_rights(fen):
    """The castling rooks' squares, checked: Stockfish takes any castling field
    without a look (a right with no rook becomes a castling move onto an empty
    square; "K" with no rook on the king's side makes it quit)."""
    board = board_of(fen)
    field = fen.split()[2]
    squares = []
    if field == "-":
        return squares
    for c in field:
        white = c.isupper()
        rank = "1" if white else "8"
        king, rook = ("K", "R") if white else ("k", "r")
        kings = [f for f in FILES if board.get(f + rank) == king]
        assert len(kings) == 1, f"{fen}: castling right {c} but no king on its first rank"
        kf = kings[0]
        if c in "Kk":
            side = [f for f in FILES if f > kf and board.get(f + rank) == rook]
            assert side, f"{fen}: {c} but no rook on the king's side"
            rf = side[-1]
        elif c in "Qq":
            side = [f for f in FILES if f < kf and board.get(f + rank) == rook]
            assert side, f"{fen}: {c} but no rook on the queen's side"
            rf = side[0]
        else:
            rf = c.lower()
            assert board.get(rf + rank) == rook and rf != kf, f"{fen}: {c} but no rook there"
        squares.append(rf + rank)
    return squares


def to_xfen(fen):
    """The castling field in X-FEN: K/Q for the outermost rook, the file letter
    only for an inner rook."""
    board = board_of(fen)
    parts = fen.split()
    out = ""
    for c in parts[2].replace("-", ""):
        white = c.isupper()
        rank = "1" if white else "8"
        king, rook = ("K", "R") if white else ("k", "r")
        kf = next(f for f in FILES if board.get(f + rank) == king)
        f = c.lower()
        same_side = [g for g in FILES if (g > kf) == (f > kf) and g != kf
                     and board.get(g + rank) == rook]
        outer = same_side[-1] if f > kf else same_side[0]
        letter = c if f != outer else ("K" if f > kf else "Q")
        out += letter if white else letter.lower()
    parts[2] = out or "-"
    return " ".join(parts)


def mirror(fen):
    """The same position with the colours swapped and the board turned over."""
    parts = fen.split()
    parts[0] = "/".join(reversed(parts[0].split("/"))).swapcase()
    parts[1] = "b" if parts[1] == "w" else "w"
    parts[2] = "-" if parts[2] == "-" else "".join(sorted(parts[2].swapcase(), key=str.islower))
    if parts[3] != "-":
        parts[3] = parts[3][0] + ("6" if parts[3][1] == "3" else "3")
    return " ".join(parts)


def mirror_move(m):
    return "".join(c if c.isalpha() else str(9 - int(c)) for c in m)


def start_rank(n):
    """Back rank of Chess960 start position n in the usual numbering (518 is
    the standard one)."""
    rank = [None] * 8
    n, b = divmod(n, 4)
    rank[2 * b + 1] = "B"
    n, b = divmod(n, 4)
    rank[2 * b] = "B"
    n, q = divmod(n, 6)
    rank[[i for i in range(8) if rank[i] is None][q]] = "Q"
    knights = [(0, 1), (0, 2), (0, 3), (0, 4), (1, 2), (1, 3), (1, 4), (2, 3), (2, 4), (3, 4)][n]
    empty = [i for i in range(8) if rank[i] is None]
    for k in knights:
        rank[empty[k]] = "N"
    for i, p in zip([i for i in range(8) if rank[i] is None], "RKR"):
        rank[i] = p
    return "".join(rank)


def start_fen(n):
    rank = start_rank(n)
    kf = rank.index("K")
    rooks = [FILES[i] for i, p in enumerate(rank) if p == "R"]
    rights = rooks[1].upper() + rooks[0].upper() + rooks[1] + rooks[0]
    return f"{rank.lower()}/pppppppp/8/8/8/8/PPPPPPPP/{rank} w {rights} - 0 1"


# --- the file -----------------------------------------------------------------------

class Writer:
    def __init__(self, sf):
        self.sf = sf
        self.lines = []
        self.positions = 0
        self.deepest = []

    def comment(self, text):
        self.lines.append("# " + text if text else "#")

    def blank(self):
        self.lines.append("")

    def check(self, fen):
        """The FEN reads back as written and the side that just moved is not in check."""
        resolve_rights(fen)
        shown, _ = self.sf.show(fen)
        assert shown == fen, f"stockfish reads {fen!r} as {shown!r}"
        parts = fen.split()
        parts[1] = "b" if parts[1] == "w" else "w"
        parts[3] = "-"
        assert not self.sf.show(" ".join(parts))[1], f"{fen}: the side not to move is in check"

    def counts(self, fen, least, most, deeper_while=SMALL):
        counts = []
        for depth in range(1, most + 1):
            n = self.sf.perft(fen, depth)[0]
            if depth > least and n > deeper_while:
                break
            counts.append(n)
        assert counts[-1] <= BUDGET or len(counts) == 1, (fen, counts)
        return counts

    def add(self, fen, counts):
        self.lines.append(f"{fen} ; " + " ".join(map(str, counts)))
        self.positions += 1
        self.deepest.append(counts[-1])
        return counts


def castle_note(sf, fen, move, present):
    legal = sf.moves(fen)
    assert move in castling_moves(fen, legal) or move not in legal, (fen, move)
    assert (move in legal) == present, f"{fen}: {move} {'missing' if present else 'allowed'}"
    return f"{move} {'legal' if present else 'illegal'}"


# (what it tests, FEN, castling move, whether it is legal). White castles in
# all; several come again with the colours swapped.
HANDMADE = [
    ("Castling blocked", [
        ("own knight between the king and its square g1", "4k3/8/8/8/8/8/8/1K2N2R w H - 0 1",
         "b1h1", False),
        ("enemy bishop between the king and its square c1", "4k3/8/8/8/8/8/8/R2b2K1 w A - 0 1",
         "g1a1", False),
        ("knight on b1, which only the rook crosses", "4k3/8/8/8/8/8/8/RN2K3 w A - 0 1",
         "e1a1", False),
        ("bishop on d1, the rook's square; the king's path c1 is clear",
         "4k3/8/8/8/8/8/8/RK1B4 w A - 0 1", "b1a1", False),
        ("king on g1 already, bishop on f1 in the rook's way", "4k3/8/8/8/8/8/8/5BKR w H - 0 1",
         "g1h1", False),
        ("king on c1 already, knight on b1 in the rook's way", "4k3/8/8/8/8/8/8/RNK5 w A - 0 1",
         "c1a1", False),
    ]),
    ("Attacked squares", [
        ("through e1, attacked by the rook on e8", "4r1k1/8/8/8/8/8/8/1K5R w H - 0 1",
         "b1h1", False),
        ("through e1, attacked by the bishop on h4", "4k3/8/8/8/7b/8/8/R5K1 w A - 0 1",
         "g1a1", False),
        ("through c1, the castling rook's own square, attacked by the bishop on a3",
         "4k3/8/8/8/8/b7/8/1KR5 w C - 0 1", "b1c1", False),
        ("onto g1, attacked by the rook on g7", "6k1/6r1/8/8/8/8/8/1K5R w H - 0 1",
         "b1h1", False),
        ("onto c1, attacked by the knight on b3", "4k3/8/8/8/8/1n6/8/1R3K2 w B - 0 1",
         "f1b1", False),
        ("out of check from the rook on d8", "3rk3/8/8/8/8/8/8/3K3R w H - 0 1", "d1h1", False),
        ("the rook lands on f1, attacked; the king stays on g1", "5rk1/8/8/8/8/8/8/6KR w H - 0 1",
         "g1h1", True),
        ("the rook lands on d1, attacked; the king only crosses to c1",
         "3rk3/8/8/8/8/8/8/RK6 w A - 0 1", "b1a1", True),
        ("the rook's square h1 is attacked, the king does not cross it",
         "4k2r/8/8/8/8/8/8/1K5R w Hh - 0 1", "b1h1", True),
        ("b1, which only the rook crosses, is attacked by the knight on a3",
         "4k3/8/8/8/8/n7/8/R2K4 w A - 0 1", "d1a1", True),
    ]),
    ("King already on its square", [
        ("king g1, rook h1", "4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1h1", True),
        ("king c1, rook a1", "4k3/8/8/8/8/8/8/R1K5 w A - 0 1", "c1a1", True),
        ("king c1, rook b1", "4k3/8/8/8/8/8/8/1RK5 w B - 0 1", "c1b1", True),
        ("king g1, rook h1, in check from g8", "6r1/4k3/8/8/8/8/8/6KR w H - 0 1", "g1h1", False),
    ]),
    ("Rook already on its square", [
        ("king e1, rook f1", "4k3/8/8/8/8/8/8/4KR2 w F - 0 1", "e1f1", True),
        ("king e1, rook d1", "4k3/8/8/8/8/8/8/3RK3 w D - 0 1", "e1d1", True),
        ("king g1 crosses the rook on d1", "4k3/8/8/8/8/8/8/3R2K1 w D - 0 1", "g1d1", True),
        ("king e1, rook f1, knight on g1", "4k3/8/8/8/8/8/8/4KRN1 w F - 0 1", "e1f1", False),
    ]),
    ("King and rook swap squares", [
        ("king d1, rook c1", "4k3/8/8/8/8/8/8/2RK4 w C - 0 1", "d1c1", True),
        ("king f1, rook g1", "4k3/8/8/8/8/8/8/5KR1 w G - 0 1", "f1g1", True),
        ("king f1, rook g1, g1 attacked by the rook on g8", "4k1r1/8/8/8/8/8/8/5KR1 w G - 0 1",
         "f1g1", False),
        ("king d1, rook c1, c1 attacked by the bishop on a3", "4k3/8/8/8/8/b7/8/2RK4 w C - 0 1",
         "d1c1", False),
        ("king d1, rook a1: the rook lands where the king stood",
         "4k3/8/8/8/8/8/8/R2K4 w A - 0 1", "d1a1", True),
    ]),
    ("The castling rook shields the king's square from along the rank", [
        ("king d1, rook b1, enemy rook a1", "4k3/8/8/8/8/8/8/rR1K4 w B - 0 1", "d1b1", False),
        ("king c1, rook b1, enemy queen a1", "4k3/8/8/8/8/8/8/qRK5 w B - 0 1", "c1b1", False),
        ("king e1, rook b1, enemy queen a1", "4k3/8/8/8/8/8/8/qR2K3 w B - 0 1", "e1b1", False),
        ("king d1, rook b1, enemy rook a2, off the rank", "4k3/8/8/8/8/8/r7/1R1K4 w B - 0 1",
         "d1b1", True),
        ("king b1, rook g1, enemy rook h1 next to g1", "4k3/8/8/8/8/8/8/1K4Rr w G - 0 1",
         "b1g1", False),
    ]),
    ("Both rooks on one side of the king, one right left", [
        ("king b1, rooks c1 and h1, the h1 rook's right, c1 in its way",
         "4k3/8/8/8/8/8/8/1KR4R w H - 0 1", "b1h1", False),
        ("king b1, rooks c1 and h1, the c1 rook's right", "4k3/8/8/8/8/8/8/1KR4R w C - 0 1",
         "b1c1", True),
        ("king g1, rooks a1 and b1, the a1 rook's right, b1 in its way",
         "4k3/8/8/8/8/8/8/RR4K1 w A - 0 1", "g1a1", False),
        ("king g1, rooks a1 and b1, the b1 rook's right", "4k3/8/8/8/8/8/8/RR4K1 w B - 0 1",
         "g1b1", True),
    ]),
]

# Played from a position with the right: (what, FEN, moves, castling field after,
# castling move after, legal).
CAPTURES = [
    ("knight takes the rook on h1: only A is left", "4k3/8/8/8/8/6n1/8/RK5R b HA - 0 1",
     ["g3h1"], "A", "b1a1", True),
    ("rook takes rook on b8: B and b go, G and g stay", "1rb1k1r1/6p1/8/8/8/8/6P1/1R2K1R1 w GBgb - 0 1",
     ["b1b8"], "Gg", "e8g8", True),
    ("pawn takes h8 and becomes a rook there: the right does not come back",
     "1kn4r/6P1/8/8/8/8/8/1K5R w Hh - 0 1", ["g7h8r"], "H", None, None),
    ("bishop takes the inner rook c1 that had the right; the h1 rook never had it",
     "4k3/8/8/8/8/b7/8/1KR4R b C - 0 1", ["a3c1"], "-", None, None),
]

# Double steps into positions with rights: (FEN, moves, castling moves legal after).
EN_PASSANT = [
    ("1k5r/3p4/8/4P3/8/8/8/1K5R b Hh - 0 1", ["d7d5"], ["b1h1"], "e5d6"),
    ("r3k1r1/6p1/8/8/1p6/8/P5P1/R3K1R1 w GAga - 0 1", ["a2a4"], ["e8a8", "e8g8"], "b4a3"),
]

MIRRORED = ["4k3/8/8/8/8/8/8/1K2N2R w H - 0 1", "4k3/8/8/8/8/b7/8/1KR5 w C - 0 1",
            "4k3/8/8/8/8/8/8/6KR w H - 0 1", "4k3/8/8/8/8/8/8/4KR2 w F - 0 1",
            "4k3/8/8/8/8/8/8/2RK4 w C - 0 1", "4k1r1/8/8/8/8/8/8/5KR1 w G - 0 1",
            "4k3/8/8/8/8/8/8/rR1K4 w B - 0 1", "4k3/8/8/8/8/8/8/1KR4R w H - 0 1"]

# X-FEN and its Shredder-FEN.
XFEN = [
    ("h1 is the outermost rook: K", "4k3/8/8/8/8/8/8/1KR4R w K - 0 1"),
    ("c1 is the only king's-side rook: K", "4k3/8/8/8/8/b7/8/1KR5 w K - 0 1"),
    ("a1 is the outermost rook: Q", "4k3/8/8/8/8/8/8/RR4K1 w Q - 0 1"),
    ("the inner b1 rook needs its letter beside K and k", "4k2r/8/8/8/8/8/8/RR1K3R w KBk - 0 1"),
]


def walk(sf, rng, start, least, most, stop):
    """Random legal moves from start, mostly not of the king or rooks so that
    rights last; the first position from ply `least` on that still has a right
    and satisfies stop."""
    moves = []
    for ply in range(most):
        fen = sf.show(start, moves)[0]
        legal = sf.moves(fen)
        if not legal:
            return None
        if ply >= least and fen.split()[2] != "-" and stop(fen, legal):
            return fen, moves
        board = board_of(fen)
        quiet = [m for m in legal if board[m[:2]] not in "KRkr"]
        moves.append(rng.choice(quiet if quiet and rng.random() < 0.9 else legal))
    return None


def walks(sf, rng, count, least, stop):
    """count walks from random start positions, each of at least a number of
    plies drawn from the range least."""
    found = []
    while len(found) < count:
        n = rng.randrange(960)
        got = walk(sf, rng, start_fen(n), rng.randint(*least), 40, stop)
        if got and got[0] not in [f for f, _, _ in found]:
            found.append((got[0], n, got[1]))
    return found


def wrap(words, width=88):
    lines, line = [], ""
    for w in words:
        if line and len(line) + 1 + len(w) > width:
            lines.append(line)
            line = w
        else:
            line = f"{line} {w}" if line else w
    return lines + ([line] if line else [])


def build(sf, seed):
    rng = random.Random(seed)
    out = Writer(sf)
    c, add = out.comment, out.add

    c("Chess960 perft: <FEN> ; <leaf count at depth 1> <depth 2> ...")
    c(f"Made by tools/chess960_perft.py --seed {seed} from {sf.name} with UCI_Chess960.")
    c("Castling rights are Shredder-FEN rook files (king's side first) outside the")
    c("X-FEN group. A castling move is written as the king taking its own rook.")
    out.blank()

    c("The standard start position as a Chess960 one")
    fen = start_fen(518)
    assert fen == "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1"
    out.check(fen)
    assert add(fen, out.counts(fen, 5, 5)) == [20, 400, 8902, 197281, 4865609]
    out.blank()

    numbers = rng.sample([n for n in range(960) if n != 518], 44)
    c("Start positions drawn at random, by number, in this order; the smallest few to depth 5:")
    for line in wrap(map(str, numbers)):
        c(line)
    rows = []
    for n in numbers:
        fen = start_fen(n)
        out.check(fen)
        rows.append((fen, out.counts(fen, 4, 4)))
    deeper = sorted(range(len(rows)), key=lambda i: rows[i][1][-1])[:4]
    for i, (fen, counts) in enumerate(rows):
        if i in deeper:
            n5 = sf.perft(fen, 5)[0]
            if n5 <= BUDGET:
                counts = counts + [n5]
        add(fen, counts)
    out.blank()

    swaps = [n for n in range(960) if start_rank(n)[2:4] == "RK" or start_rank(n)[5:7] == "KR"]
    picked = rng.sample([n for n in swaps if n not in numbers], 3)
    c("Start positions with king and rook on each other's castling squares, so castling")
    c("is a legal first move: numbers " + " ".join(map(str, picked)))
    for n in picked:
        fen = start_fen(n)
        out.check(fen)
        assert len(castling_moves(fen, sf.moves(fen))) == 1, fen
        add(fen, out.counts(fen, 4, 4))
    out.blank()

    c("A few random moves from random start positions, some castling rights left;")
    c("each comment: start number and moves")
    for fen, n, moves in walks(sf, rng, 6, (2, 8), lambda f, m: True):
        c(f"{n}: {' '.join(moves)}")
        add(fen, out.counts(fen, 3, 4, BUDGET))
    out.blank()
    c("Random moves until the side to move can castle; each comment: start number, moves,")
    c("castling moves at the root")
    for fen, n, moves in walks(sf, rng, 10, (4, 4), lambda f, m: castling_moves(f, m)):
        c(f"{n}: {' '.join(moves)}; {' '.join(castling_moves(fen, sf.moves(fen)))}")
        add(fen, out.counts(fen, 3, 4, BUDGET))
    out.blank()

    c("Hand-made, white to castle; each comment says what it tests and whether the castling")
    c("move is legal")
    for heading, cases in HANDMADE:
        c(heading)
        for what, fen, move, present in cases:
            out.check(fen)
            c(f"  {what}: {castle_note(sf, fen, move, present)}")
            add(fen, out.counts(fen, 4, 5))
    out.blank()

    c("Rights lost when a rook is taken on its square: the position before the capture")
    c("(the capture is inside the tree), then the one after")
    for what, fen, moves, rights, move, present in CAPTURES:
        out.check(fen)
        after = sf.show(fen, moves)[0]
        assert after.split()[2] == rights, (after, rights)
        out.check(after)
        if move:
            note = castle_note(sf, after, move, present)
        else:
            assert not castling_moves(after, sf.moves(after)), after
            note = "no castling move"
        c(f"  {what} ({' '.join(moves)}); after it {note}")
        add(fen, out.counts(fen, 4, 5))
        add(after, out.counts(after, 4, 5))
    out.blank()

    c("En passant and castling together: a double step with rights on the board, the")
    c("position before it and after it; then from random play")
    for fen, moves, castles, ep in EN_PASSANT:
        out.check(fen)
        after = sf.show(fen, moves)[0]
        assert after.split()[3] != "-", after
        legal = sf.moves(after)
        assert ep in legal and sorted(castling_moves(after, legal)) == castles, (after, legal)
        c(f"  {' '.join(moves)}; after it {ep} and {' '.join(castles)} legal")
        add(fen, out.counts(fen, 4, 5))
        add(after, out.counts(after, 4, 5))
    has_ep = lambda f, m: f.split()[3] != "-" and any(x[2:4] == f.split()[3] for x in m)
    for fen, n, moves in walks(sf, rng, 3, (2, 2), has_ep):
        c(f"  {n}: {' '.join(moves)}")
        add(fen, out.counts(fen, 3, 4, BUDGET))
    out.blank()

    c("Black to castle: hand-made positions above with the colours swapped; the counts")
    c("must match the white ones")
    for fen in MIRRORED:
        what, move, present = next((w, m, p) for _, cases in HANDMADE
                                   for w, f, m, p in cases if f == fen)
        black = mirror(fen)
        out.check(black)
        c(f"  {what}, colours swapped: {castle_note(sf, black, mirror_move(move), present)}")
        counts = out.counts(black, 4, 5)
        assert counts == out.counts(fen, 4, 5), (fen, black)
        add(black, counts)
    out.blank()

    c("X-FEN castling fields (K and Q for the outermost rook, a file letter for an inner")
    c("one), each followed by the same position in Shredder-FEN; both read to the same counts")
    xfen = [(what, fen, (4, 5, SMALL)) for what, fen in XFEN]
    for i in sorted(rng.sample(range(len(rows)), 2)):
        xfen.append((f"start position {numbers[i]}", to_xfen(rows[i][0]), (4, 4, BUDGET)))
    for fen, n, moves in walks(sf, rng, 2, (6, 6), lambda f, m: castling_moves(f, m)):
        xfen.append((f"{n}: {' '.join(moves)}", to_xfen(fen), (3, 4, BUDGET)))
    for what, fen, depths in xfen:
        shredder = sf.show(fen)[0]
        assert shredder != fen and resolve_rights(fen) == resolve_rights(shredder), fen
        out.check(shredder)
        c(f"  {what}")
        counts = out.counts(shredder, *depths)
        assert out.counts(fen, len(counts), len(counts)) == counts, fen
        add(fen, counts)
        add(shredder, counts)
    return out


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seed", type=int, default=960)
    ap.add_argument("--stockfish", default="/usr/games/stockfish")
    ap.add_argument("--out", default=os.path.join(root, "tests", "chess960_perft.txt"))
    args = ap.parse_args()

    began = time.monotonic()
    sf = Stockfish(args.stockfish)
    out = build(sf, args.seed)
    sf.close()
    with open(args.out, "w") as f:
        f.write("\n".join(out.lines) + "\n")
    print(f"{args.out}: {out.positions} positions, deepest counts {sum(out.deepest)} nodes in all,"
          f" at most {max(out.deepest)}; stockfish walked {sf.nodes} leaves"
          f" in {time.monotonic() - began:.1f} s", file=sys.stderr)


if __name__ == "__main__":
    main()
