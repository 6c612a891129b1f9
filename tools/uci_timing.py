#!/usr/bin/env python3
"""How quickly quorlix-uci answers, in wall-clock milliseconds: start-up to
uciok, stop to bestmove, and go to bestmove at a fixed move time and at a
few clocks in busy middlegames; then, with --depths, how deep it gets and
how long it takes at "go movetime 1000" and at a minute on the clock in ten
middlegames; with --multipv, what three lines cost against one at "go depth
7" there. A benchmark, not a test: the figures depend on the machine and
its load; the median and the worst of several runs are printed.

usage: tools/uci_timing.py [QUORLIX_UCI] [--runs N] [--depths | --multipv]
"""
import argparse
import os
import select
import statistics
import subprocess
import time

MIDDLEGAMES = [
    "r1bqk2r/ppp2ppp/2n2n2/3pp3/1bPP4/2N1PN2/PP3PPP/R1BQKB1R w KQkq - 0 5",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
]


# Ten middlegames for the depth a clock buys: six of bench's and four from
# main lines of common openings, twelve moves in.
TEN_MIDDLEGAMES = MIDDLEGAMES + [
    "2kr3r/ppp2ppp/2n1b3/2b1p3/4P3/2N1BN2/PPP2PPP/2KR1B1R w - - 4 11",
    "3r1rk1/p4ppp/1pn1p3/2p5/2P1P3/P1N1B3/1P3PPP/3R1RK1 w - - 0 18",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r1b2rk1/2q1bppp/p2p1n2/npp1p3/3PP3/2P2N1P/PPB2PP1/RNBQR1K1 w - - 1 12",
    "rn3rk1/p1p1qpp1/1p2b2p/3p4/3P4/4PN2/PP3PPP/2RQKB1R w K - 2 12",
    "r2q1rk1/3nbppp/p2pbn2/1p2p3/4P1P1/1NN1BP2/PPPQ3P/2KR1B1R w - - 0 12",
    "r1bq1rk1/ppp1n1bp/3p1np1/3Ppp2/2P1P3/2NN4/PP1BBPPP/R2Q1RK1 w - - 2 12",
]


class Uci:
    def __init__(self, program):
        self.started = time.monotonic()
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, bufsize=0)
        self.pending = b""

    def send(self, line):
        self.process.stdin.write((line + "\n").encode())

    def until(self, prefix, seen=None):
        """The time the first line starting with prefix came; the lines
        before it go into seen."""
        while True:
            while b"\n" not in self.pending:
                select.select([self.process.stdout], [], [], 60)
                chunk = os.read(self.process.stdout.fileno(), 65536)
                if not chunk:
                    raise RuntimeError("quorlix-uci ended")
                self.pending += chunk
            line, self.pending = self.pending.split(b"\n", 1)
            if line.decode().startswith(prefix):
                return time.monotonic()
            if seen is not None:
                seen.append(line.decode())

    def close(self):
        self.send("quit")
        self.process.wait(10)

    def fresh(self, fen):
        """A new game from fen, once the engine is ready for it."""
        self.send("ucinewgame")
        self.send("position fen " + fen)
        self.send("isready")
        self.until("readyok")


def ms(seconds):
    return seconds * 1000


def report(what, samples, limit=None):
    line = "%-52s median %6.1f ms, worst %6.1f ms" % (what, statistics.median(samples),
                                                       max(samples))
    if limit is not None:
        line += "  (%s %d ms)" % ("within" if max(samples) <= limit else "OVER", limit)
    print(line, flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program", nargs="?", default="build/quorlix-uci")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--depths", action="store_true",
                        help="only the depths and times of ten middlegames")
    parser.add_argument("--multipv", action="store_true",
                        help="only what MultiPV 3 costs against 1 at depth 7")
    args = parser.parse_args()
    if args.depths:
        depths(args.program)
        return
    if args.multipv:
        multipv(args.program, args.runs)
        return

    samples = []
    for _ in range(args.runs):
        uci = Uci(args.program)
        uci.send("uci")
        samples.append(ms(uci.until("uciok") - uci.started))
        uci.close()
    report("start-up to uciok", samples, 50)

    uci = Uci(args.program)
    samples = []
    for run in range(args.runs):
        uci.send("position fen " + MIDDLEGAMES[run % len(MIDDLEGAMES)])
        uci.send("go depth 9")
        time.sleep(0.05 + 0.03 * run)
        sent = time.monotonic()
        uci.send("stop")
        samples.append(ms(uci.until("bestmove") - sent))
    report("stop to bestmove, during a depth-9 search", samples, 50)

    samples = []
    for run in range(args.runs):
        uci.send("isready")
        uci.send("position fen " + MIDDLEGAMES[run % len(MIDDLEGAMES)])
        uci.send("go depth 9")
        time.sleep(0.1)
        sent = time.monotonic()
        uci.send("isready")
        samples.append(ms(uci.until("readyok") - sent))
        uci.send("stop")
        uci.until("bestmove")
    report("isready to readyok, during a search", samples)

    def go(command, fens, limit=None, what=None):
        samples = []
        for run in range(args.runs):
            uci.fresh(fens[run % len(fens)])
            sent = time.monotonic()
            uci.send(command)
            samples.append(ms(uci.until("bestmove") - sent))
        report(what or command, samples, limit)

    go("go movetime 100", MIDDLEGAMES, 150)
    go("go movetime 1000", MIDDLEGAMES, 1050)
    go("go wtime 2000 btime 2000", MIDDLEGAMES, 400)
    go("go wtime 500 btime 500", MIDDLEGAMES, 500)
    go("go wtime 100 btime 100", MIDDLEGAMES, 100)
    go("go wtime 10000 btime 10000 winc 100 binc 100", MIDDLEGAMES, 10000)
    go("go wtime 3000 btime 3000 movestogo 2", MIDDLEGAMES, 3000)
    go("go wtime 60000 btime 60000", MIDDLEGAMES, 6000)
    uci.close()


def depths(program):
    uci = Uci(program)
    for command in ("go movetime 1000", "go wtime 60000 btime 60000"):
        reached, took = [], []
        for fen in TEN_MIDDLEGAMES:
            uci.fresh(fen)
            lines = []
            sent = time.monotonic()
            uci.send(command)
            took.append(ms(uci.until("bestmove", lines) - sent))
            reached.append(max(int(line.split()[2]) for line in lines if line.startswith("info depth")))
        print("%-28s depth reached: median %.1f (%d to %d); time used: median %.0f ms (%.0f to %.0f)"
              % (command, statistics.median(reached), min(reached), max(reached),
                 statistics.median(took), min(took), max(took)), flush=True)
    uci.close()


def multipv(program, runs):
    """Time (the best of `runs`, as the machine's load only adds) and nodes
    to depth 7 with one line and with three, per middlegame."""
    uci = Uci(program)
    totals = {1: [0, 0], 3: [0, 0]}
    ratios = []
    for fen in TEN_MIDDLEGAMES:
        cost = {}
        for lines in (1, 3):
            best = None
            for _ in range(runs):
                uci.send("setoption name MultiPV value %d" % lines)
                uci.fresh(fen)
                seen = []
                sent = time.monotonic()
                uci.send("go depth 7")
                took = ms(uci.until("bestmove", seen) - sent)
                nodes = int(seen[-1].split()[seen[-1].split().index("nodes") + 1])
                best = took if best is None else min(best, took)
            cost[lines] = (best, nodes)
            totals[lines][0] += best
            totals[lines][1] += nodes
        ratios.append(cost[3][1] / cost[1][1])
        print("%6.0f ms %8d nodes -> %6.0f ms %8d nodes (x%.1f)  %s" % (
            cost[1][0], cost[1][1], cost[3][0], cost[3][1], cost[3][1] / cost[1][1], fen), flush=True)
    print("ten middlegames, MultiPV 1 -> 3: %.0f ms -> %.0f ms (x%.1f), %d -> %d nodes (x%.1f; median x%.1f)"
          % (totals[1][0], totals[3][0], totals[3][0] / totals[1][0], totals[1][1], totals[3][1],
             totals[3][1] / totals[1][1], statistics.median(ratios)))
    uci.close()


if __name__ == "__main__":
    main()
