#!/usr/bin/env python3
"""quorlix-uci against quorlix: the same searches from the same positions and
through a whole game, and the parts of the protocol that run beside a search
(isready, stop, quit, end of input).

usage: uci_test.py QUORLIX_UCI QUORLIX QUORLIX_TOOL [--plies N] [--only searches|threads]
"""
import argparse
import os
import select
import subprocess
import time

WAIT = 60  # seconds any one answer may take, even in a sanitizer build


class Uci:
    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, bufsize=0)
        self.pending = b""

    def send(self, *lines):
        for line in lines:
            self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()

    def line(self, timeout=WAIT):
        deadline = time.time() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.time()
            ready, _, _ = select.select([self.process.stdout], [], [], max(left, 0))
            if not ready:
                raise AssertionError("no line within %s s after %r" % (timeout, self.pending))
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise AssertionError("output ended after %r" % self.pending)
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode()

    def search(self, *commands):
        """Sends the commands; returns the info lines and the bestmove."""
        if commands:
            self.send(*commands)
        infos = []
        while True:
            line = self.line()
            if line.startswith("bestmove "):
                return infos, line.split()[1]
            if line.startswith("info depth"):
                infos.append(line)

    def close(self):
        self.process.stdin.close()
        status = self.process.wait(WAIT)
        assert status == 0, "exit status %d" % status


def from_info(line):
    """(depth, score in the engine's centipawns or mate text, nodes, line)."""
    words = line.split()
    assert words[0] == "info" and words[1] == "depth" and words[3] == "score", line
    depth, kind, value = int(words[2]), words[4], int(words[5])
    assert words[6] == "nodes" and words[8] == "nps" and words[10] == "time", line
    pv = words[words.index("pv") + 1:] if "pv" in words else []
    score = value if kind == "cp" else "mate %d" % value
    return depth, score, int(words[7]), pv


def from_progress(line):
    """The same from quorlix's progress line "depth score depth nodes moves"."""
    words = line.split()
    depth, score, nodes = int(words[0]), int(words[1]), int(words[3])
    # A mate in p plies is 10000 - p, and the protocol counts moves.
    if score > 9000:
        score = "mate %d" % ((10000 - score + 1) // 2)
    elif score < -9000:
        score = "mate -%d" % ((10000 + score + 1) // 2)
    return depth, score, nodes, words[4:]


def progress_and_moves(output):
    """quorlix's output cut into its decisions: (progress lines, move)."""
    decisions, lines = [], []
    for line in output.splitlines():
        words = line.split()
        if len(words) >= 4 and all(w.lstrip("-").isdigit() for w in words[:4]):
            lines.append(from_progress(line))
        elif line.startswith("move "):
            decisions.append((lines, words[1]))
            lines = []
    return decisions


def run(program, arguments=(), text=""):
    done = subprocess.run([program, *arguments], input=text.encode(), stdout=subprocess.PIPE,
                          timeout=20 * WAIT)
    assert done.returncode == 0, "%s exited with %d" % (program, done.returncode)
    return done.stdout.decode()


def same(what, expected, actual):
    if expected != actual:
        raise AssertionError("%s:\n  quorlix:     %r\n  quorlix-uci: %r" % (what, expected, actual))


POSITIONS = [
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "4k3/8/8/8/8/8/8/R3K2r w Q - 0 1",  # in check: one iteration more
    "7k/5P2/6K1/8/8/8/8/8 w - - 0 1",  # mate in one
    "8/4P1k1/3q4/8/8/8/8/K7 w - - 0 1",  # a knight's promotion
    "8/8/8/3k4/8/8/2K5/5q2 w - - 0 1",  # the engine's side lost
]


def test_positions(uci_program, tool):
    for fen in POSITIONS:
        (expected_lines, expected_move), = progress_and_moves(run(tool, ["think", "7", fen]))
        uci = Uci(uci_program)
        infos, move = uci.search("position fen " + fen, "go")
        uci.close()
        same(fen, (expected_lines, expected_move), ([from_info(i) for i in infos], move))
    print("ok: the searches of %d positions set up from FEN" % len(POSITIONS))


def test_game(uci_program, engine, plies):
    """The engine plays itself: through the xboard mode, where it plays each
    move and the reply, and through go and growing position commands."""
    expected = progress_and_moves(run(engine, [], "xboard\nnew\n" + "go\n" * plies))
    uci = Uci(uci_program)
    moves = []
    for ply, (expected_lines, expected_move) in enumerate(expected):
        infos, move = uci.search("position startpos" + (" moves " + " ".join(moves) if moves else ""),
                                 "go")
        same("ply %d after %s" % (ply + 1, moves), (expected_lines, expected_move),
             ([from_info(i) for i in infos], move))
        moves.append(move)

    # Taking moves back sets the position up afresh: as a new console game
    # in which a person types them.
    back = moves[:len(moves) // 2]
    infos, move = uci.search("position startpos moves " + " ".join(back), "go")
    uci.close()
    (console_lines, console_move), = progress_and_moves(
        run(engine, [], "off\n" + "\n".join(back) + "\non\n"))[:1]
    same("after taking back to %s" % back, (console_lines, console_move),
         ([from_info(i) for i in infos], move))
    print("ok: a game of %d plies, and a take-back" % len(expected))


KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"


def test_beside_a_search(uci_program):
    uci = Uci(uci_program)
    # isready is answered during a search, and stop ends it with the move of
    # the last iteration it finished.
    uci.send("position fen " + KIWIPETE, "go depth 9")
    last = uci.line()
    uci.send("isready")
    while True:
        line = uci.line()
        assert not line.startswith("bestmove"), "bestmove before readyok"
        if line == "readyok":
            break
        last = line
    uci.send("stop")
    infos, move = uci.search()
    if infos:
        last = infos[-1]
    same("stopped", from_info(last)[3][0], move)
    assert from_info(last)[0] < 9, "the search was not stopped"

    # The stop ended that search only: the next one runs to its depth.
    infos, move = uci.search("go depth 3")
    same("depths after a stop", [1, 2, 3], [from_info(i)[0] for i in infos])

    # go infinite waits for stop, however soon it reaches its depth.
    uci.send("position startpos moves e2e4", "go infinite depth 2")
    for depth in (1, 2):
        same("infinite search", depth, from_info(uci.line())[0])
    ready, _, _ = select.select([uci.process.stdout], [], [], 0.5)
    assert not ready and not uci.pending, "an infinite search answered without stop"
    uci.send("stop")
    same("bestmove after stop", "bestmove e7e6", uci.line().split(" ponder ")[0])

    # quit ends the program at once, also during a search.
    uci.send("position fen " + KIWIPETE, "go depth 9", "quit")
    status = uci.process.wait(WAIT)
    same("exit status after quit", 0, status)
    print("ok: isready, stop and quit beside a search")

    # The end of the input lets the searches sent before it finish.
    uci = Uci(uci_program)
    uci.send("position fen " + KIWIPETE, "go depth 4")
    uci.process.stdin.close()
    infos, move = uci.search()
    same("depths before the end of input", [1, 2, 3, 4], [from_info(i)[0] for i in infos])
    same("exit status at the end of input", 0, uci.process.wait(WAIT))
    print("ok: the end of input")


def test_lines_written_at_once(uci_program, runs):
    """What a GUI or a script writes in one go, without waiting for replies:
    each reply in its place, and each stop heard by the search it meant."""
    for run in range(runs):
        uci = Uci(uci_program)
        uci.send("uci", "position startpos", "go depth 2", "isready")
        # readyok may overtake the search once it runs, never the lines
        # before it.
        replies = []
        while "readyok" not in replies or not any(r.startswith("bestmove") for r in replies):
            replies.append(uci.line())
        assert replies.index("readyok") > replies.index("uciok"), "readyok before uciok: %r" % replies

        # The stop follows a queued go: it ends that search, not the one
        # before it.
        uci.send("go depth 1", "position startpos moves e2e4 e7e5", "go depth 9", "stop")
        uci.search()
        started = time.time()
        infos, _ = uci.search()
        took = time.time() - started
        assert from_info(infos[-1])[0] < 9 and took < 2, \
            "run %d: a stop after a queued go was lost (depth %d, %.1f s)" % (
                run, from_info(infos[-1])[0], took)
        uci.send("go depth 99999999999999999999", "stop")
        infos, _ = uci.search()
        assert len(infos) < 9, "run %d: a stop after go depth 99999... was lost" % run
        uci.close()
    print("ok: readyok in order and stops heard, %d runs of lines written at once" % runs)


def test_ponder_and_endless(uci_program):
    uci = Uci(uci_program)
    # A ponder search answers only after ponderhit, then keeps to the clock
    # its go gave: 3 s left, so well under a second.
    uci.send("position startpos moves e2e4 e7e5", "go ponder wtime 3000 btime 3000")
    silent(uci, 0.5, "go ponder answered before ponderhit")
    uci.send("ponderhit")
    started = time.time()
    _, move = uci.search()
    assert time.time() - started < 1.5, "the ponder search overran its clock after ponderhit"
    # A ponderhit written with its go, before the search has begun.
    uci.send("go ponder wtime 2000 btime 2000", "ponderhit")
    started = time.time()
    uci.search()
    assert time.time() - started < 1.5, "a ponderhit sent with its go was lost"
    # A ponder search that the GUI ends with stop (the move was not played).
    uci.send("go ponder wtime 3000 btime 3000")
    silent(uci, 0.3, "go ponder answered before stop")
    uci.send("stop")
    uci.search()

    # go infinite without a legal move answers only at stop.
    uci.send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go infinite")
    same("stalemate's line", "info depth 0 score cp 0", uci.line())
    silent(uci, 0.5, "go infinite without a legal move answered before stop")
    uci.send("stop")
    same("after stop", "bestmove 0000", uci.line())
    uci.close()
    print("ok: go ponder and go infinite wait for ponderhit or stop")


BACK_RANK = "6k1/5ppp/8/8/8/8/q4PPP/R2R2K1 w - - 0 1"  # d1d8 mates; a1a2 wins the queen


def fields(info):
    """An info line's words by keyword: multipv, score, pv."""
    words = info.split()
    pv = words[words.index("pv") + 1:] if "pv" in words else []
    at = words.index("score")
    multipv = int(words[words.index("multipv") + 1]) if "multipv" in words else 1
    score = (10000 - int(words[at + 2])) if words[at + 1] == "mate" else int(words[at + 2])
    return int(words[2]), multipv, score, pv


def assert_legal_lines(uci, fen, lines):
    for pv in lines:
        uci.send("position fen %s moves %s" % (fen, " ".join(pv)), "isready")
        line = uci.line()
        assert line == "readyok", "line %s is not legal: %s" % (pv, line)


def test_analysis(uci_program):
    uci = Uci(uci_program)
    # Several lines: each iteration's, best first, each its own move's.
    infos, move = uci.search("setoption name MultiPV value 3", "position fen " + BACK_RANK,
                             "go depth 5")
    by_depth = {}
    for info in infos:
        depth, multipv, score, pv = fields(info)
        by_depth.setdefault(depth, []).append((multipv, score, pv))
    same("depths of three lines", list(range(1, 6)), sorted(by_depth))
    for depth, lines in by_depth.items():
        same("line numbers at depth %d" % depth, [1, 2, 3], [n for n, _, _ in lines])
        scores = [score for _, score, _ in lines]
        assert scores == sorted(scores, reverse=True), "lines out of order: %r" % lines
        firsts = [pv[0] for _, _, pv in lines]
        assert len(set(firsts)) == 3, "two lines share a move: %r" % lines
    last = by_depth[5]
    same("the best two", ["d1d8", "a1a2"], [pv[0] for _, _, pv in last[:2]])
    same("bestmove is line 1's", last[0][2][0], move)
    assert_legal_lines(uci, BACK_RANK, [pv for _, _, pv in last])
    # Fewer legal moves than lines: as many lines as moves (a king in check
    # with two, searched a ply deeper).
    infos, _ = uci.search("position fen 7k/8/8/8/8/8/8/K6R b - - 0 1", "go depth 1")
    same("lines of a king with two moves", [(1, 1), (1, 2), (2, 1), (2, 2)],
         [fields(i)[:2] for i in infos])

    # searchmoves: only those, an illegal one said and left out.
    uci.send("setoption name MultiPV value 1", "position fen " + BACK_RANK)
    uci.send("go depth 4 searchmoves a1a2 e2e4")
    assert "e2e4" in uci.line(), "the illegal searchmove was not said"
    infos, move = uci.search()
    same("searchmoves' move", "a1a2", move)
    assert all(fields(i)[3][0] == "a1a2" for i in infos), infos

    # movetime is used to its end, and not beyond.
    uci.send("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5")
    started = time.time()
    uci.search("go movetime 500")
    took = time.time() - started
    assert 0.4 <= took <= 0.55, "go movetime 500 took %.3f s" % took
    uci.close()
    print("ok: MultiPV, searchmoves and movetime")


def silent(uci, seconds, fault):
    """No bestmove for that long (progress lines may come)."""
    deadline = time.time() + seconds
    while True:
        try:
            line = uci.line(timeout=max(deadline - time.time(), 0))
        except AssertionError:
            return
        assert not line.startswith("bestmove"), fault


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("uci")
    parser.add_argument("engine")
    parser.add_argument("tool")
    parser.add_argument("--plies", type=int, default=24)
    parser.add_argument("--runs", type=int, default=40)
    parser.add_argument("--only", choices=["searches", "threads"])
    args = parser.parse_args()
    if args.only != "threads":
        test_positions(args.uci, args.tool)
        test_game(args.uci, args.engine, args.plies)
        test_analysis(args.uci)
    if args.only != "searches":
        test_beside_a_search(args.uci)
        test_lines_written_at_once(args.uci, args.runs)
        test_ponder_and_endless(args.uci)


if __name__ == "__main__":
    main()
