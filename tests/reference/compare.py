#!/usr/bin/env python3
"""Compares quorlix-tool with the Python reference model, byte for byte.

Positions come from random games played from a few seeds; for each one the
generated lists (both modes, with their words and counts) and shallow think
output must agree, and so must whole console/xboard sessions.

usage: compare.py TOOL [--positions N] [--depth D] [--seed S]
"""
import argparse
import io
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import quorlix_ref as ref  # noqa: E402

SEEDS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "4k3/1P6/8/3pP3/8/8/6p1/4K2R w K d6 0 1",
]

SESSIONS = [
    b"e2e4\nd2d4\nhello\nE2E4\ne2e5\nswitch\noff\ng1f3\ng8f6\non\n",
    b"black\ne7e5\noff\ne7e5 d2d4\nxboard\nnew\ne2e4\nforce\nd7d5\ngo\nprotover 2\n\ntime 100\notim 9\nquit\n",
    b"f2f3\ne2e4\ng2g4\n",
    b"xboard\nxboard\nprotover 2\nnew\nrandom\nlevel 40 5 0\npost\nhard\ntime 30000\notim 30000\ne2e4\n"
    + b"a" * 300 + b"\nwhite\nblack\ngo\ne9e4\nh7h5\n",
    b"off\ne2e4\nd7d5\ne4e5\nf7f5\ne5f6\ng7f6\nd2d4\nh7h5\nd4d5\nh5h4\nd5d6\nh4h3\nd6c7\nh3g2\nc7b8n\ng2h1r\n"
    + b"x" * 40 + b"\nswitch\n",
]


WORDS = [b"switch", b"off", b"on", b"black", b"white", b"new", b"force", b"go", b"time 5",
         b"otim 7", b"time", b"protover 2", b"quit", b"xboard", b"e2e4", b"e7e5", b"d2d4",
         b"d7d5", b"g1f3", b"b8c6", b"e1g1", b"e8g8", b"e7e8q", b"a7a8n", b"e2-e4", b"e2xe4",
         b"E2E4", b"e9e4", b"e2", b"", b" ", b"\t", b"new\r", b"e2e4\x00junk", b"a" * 300,
         b"x" * 20]


def random_session(rng):
    """Random command words and lines, console and xboard mixed."""
    parts = []
    for _ in range(rng.randrange(5, 40)):
        if rng.random() < 0.4:
            files, ranks = "abcdefgh", "12345678"
            word = (rng.choice(files) + rng.choice(ranks) + rng.choice(files) + rng.choice(ranks)).encode()
        else:
            word = rng.choice(WORDS)
        parts.append(word + rng.choice([b"\n", b"\n", b" ", b"\n\n"]))
    return b"".join(parts)


def fen_of_reference():
    rows = []
    for rank in range(7, -1, -1):
        row, empty = "", 0
        for file in range(8):
            slot = ref.board[16 * rank + file]
            if slot == 0:
                empty += 1
                continue
            if empty:
                row += str(empty)
                empty = 0
            letter = ref.PIECE_LETTERS[ref.board[slot + 32]]
            row += letter.lower() if slot >= 72 else letter
        rows.append(row + (str(empty) if empty else ""))
    rights = "".join(c for c, bit in (("K", 2), ("Q", 1), ("k", 8), ("q", 4)) if ref.castle_rights & bit)
    ep = "-"
    if ref.ep_slot:
        square = ref.board[ref.ep_slot] + (-16 if ref.side_to_move == ref.BLACK else 16)
        ep = "abcdefgh"[square & 7] + str((square >> 4) + 1)
    return "%s %s %s %s 0 1" % ("/".join(rows), "wb"[ref.side_to_move], rights or "-", ep)


def random_positions(count, rng):
    positions = []
    while len(positions) < count:
        ref.setup_fen(rng.choice(SEEDS))
        for _ in range(rng.randrange(0, 80)):
            ref.move_top = 0
            ref.generate_moves(ref.ALL_MOVES, ref.side_to_move)
            if ref.move_top == 0:
                break
            ref.play_move(ref.move_stack[rng.randrange(ref.move_top)])
        positions.append(fen_of_reference())
    return positions


def reference_output(action):
    buffer = io.BytesIO()
    ref._stdout = buffer
    action()
    return buffer.getvalue().decode("latin-1")


def reference_gen(fen, mode):
    def run():
        ref.setup_fen(fen)
        ref.move_top = 0
        count = ref.generate_moves(mode, ref.side_to_move)
        ref.out("count %d\n" % count)
        for i in range(ref.move_top):
            ref.out("%s %08x\n" % (ref.format_move(ref.move_stack[i]), ref.move_stack[i]))
    return reference_output(run)


def reference_think(fen, depth):
    def run():
        ref.setup_fen(fen)
        ref.think_depth = depth
        ref.think()
    return reference_output(run)


def tool(tool_path, *args, stdin=b""):
    return subprocess.run([tool_path, *args], input=stdin, capture_output=True, check=True).stdout.decode("latin-1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool")
    parser.add_argument("--positions", type=int, default=150)
    parser.add_argument("--depth", type=int, default=3)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--sessions", type=int, default=20, help="random sessions at depth 2")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = checks = 0

    def check(what, mine, theirs):
        nonlocal failures, checks
        checks += 1
        if mine != theirs:
            failures += 1
            print("MISMATCH %s\n--- quorlix-tool\n%s--- reference\n%s" % (what, mine, theirs))

    for fen in random_positions(args.positions, rng):
        for mode in (255, 0):
            check("gen %d %s" % (mode, fen), tool(args.tool, "gen", str(mode), fen), reference_gen(fen, mode))
        check("think %d %s" % (args.depth, fen), tool(args.tool, "think", str(args.depth), fen),
              reference_think(fen, args.depth))
    for script in SESSIONS:
        mine = tool(args.tool, "play", "3", stdin=script)
        theirs = subprocess.run([sys.executable, ref.__file__, "play", "3"], input=script,
                                capture_output=True, check=True).stdout.decode("latin-1")
        check("session %r" % script[:40], mine, theirs)
    for _ in range(args.sessions):
        script = random_session(rng)
        mine = tool(args.tool, "play", "2", stdin=script)
        theirs = subprocess.run([sys.executable, ref.__file__, "play", "2"], input=script,
                                capture_output=True, check=True).stdout.decode("latin-1")
        check("random session %r" % script, mine, theirs)
    print("%d passed, %d failed" % (checks - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
