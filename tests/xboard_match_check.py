#!/usr/bin/env python3
"""Checks the outcome of an XBoard match: the PGN game must be finished,
legal, and identical to the moves the engines announced in XBoard's debug log.

Usage: xboard_match_check.py GAME.pgn XBOARD.debug
Exit status 0 when all checks pass, 1 otherwise.

Standard library only: the check must not depend on any chess library or
engine, so it carries its own minimal board (enough to resolve SAN).
"""

import re
import sys

FILES = "abcdefgh"
KNIGHT = ((1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2))
KING = ((1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1))
ROOK = ((1, 0), (-1, 0), (0, 1), (0, -1))
BISHOP = ((1, 1), (1, -1), (-1, 1), (-1, -1))


def sq(name):
    return FILES.index(name[0]) + 8 * (int(name[1]) - 1)


def sqname(s):
    return FILES[s % 8] + str(s // 8 + 1)


class Board:
    """Squares 0..63 (a1=0, h8=63); white pieces upper case, black lower."""

    def __init__(self, fen=None):
        if fen:
            self.set_fen(fen)
            return
        back = "RNBQKBNR"
        self.sq = [None] * 64
        for f in range(8):
            self.sq[f] = back[f]
            self.sq[8 + f] = "P"
            self.sq[48 + f] = "p"
            self.sq[56 + f] = back[f].lower()
        self.white = True
        self.castle = set("KQkq")
        self.ep = None  # square a pawn may capture onto en passant

    def set_fen(self, fen):
        """A game that XBoard started from a position (its FEN tag)."""
        fields = fen.split()
        self.sq = [None] * 64
        for row, text in enumerate(fields[0].split("/")):
            f = 0
            for c in text:
                if c.isdigit():
                    f += int(c)
                else:
                    self.sq[8 * (7 - row) + f] = c
                    f += 1
        self.white = fields[1] == "w"
        self.castle = set(fields[2]) - {"-"}
        self.ep = sq(fields[3]) if fields[3] != "-" else None

    def own(self, p):
        return p is not None and p.isupper() == self.white

    def attacked(self, s, by_white):
        """Is square s attacked by the side given?"""
        f, r = s % 8, s // 8

        def piece_at(df, dr):
            nf, nr = f + df, r + dr
            if 0 <= nf < 8 and 0 <= nr < 8:
                return self.sq[nf + 8 * nr]
            return None

        def theirs(p, kind):
            return p is not None and p.upper() == kind and p.isupper() == by_white

        pawn_dr = -1 if by_white else 1
        if theirs(piece_at(-1, pawn_dr), "P") or theirs(piece_at(1, pawn_dr), "P"):
            return True
        if any(theirs(piece_at(df, dr), "N") for df, dr in KNIGHT):
            return True
        if any(theirs(piece_at(df, dr), "K") for df, dr in KING):
            return True
        for dirs, kinds in ((ROOK, "RQ"), (BISHOP, "BQ")):
            for df, dr in dirs:
                nf, nr = f + df, r + dr
                while 0 <= nf < 8 and 0 <= nr < 8:
                    p = self.sq[nf + 8 * nr]
                    if p is not None:
                        if p.isupper() == by_white and p.upper() in kinds:
                            return True
                        break
                    nf, nr = nf + df, nr + dr
        return False

    def pseudo_moves(self):
        """Yields (from, to, promotion) for the side to move."""
        fwd = 1 if self.white else -1
        start_rank = 1 if self.white else 6
        last_rank = 7 if self.white else 0
        for s, p in enumerate(self.sq):
            if not self.own(p):
                continue
            f, r = s % 8, s // 8
            kind = p.upper()
            targets = []
            if kind == "P":
                one = s + 8 * fwd
                if self.sq[one] is None:
                    targets.append(one)
                    two = s + 16 * fwd
                    if r == start_rank and self.sq[two] is None:
                        targets.append(two)
                for df in (-1, 1):
                    if 0 <= f + df < 8:
                        t = s + 8 * fwd + df
                        q = self.sq[t]
                        if (q is not None and not self.own(q)) or t == self.ep:
                            targets.append(t)
                for t in targets:
                    if t // 8 == last_rank:
                        for promo in "qrbn":
                            yield s, t, promo
                    else:
                        yield s, t, None
                continue
            if kind in "NK":
                for df, dr in KNIGHT if kind == "N" else KING:
                    nf, nr = f + df, r + dr
                    if 0 <= nf < 8 and 0 <= nr < 8 and not self.own(self.sq[nf + 8 * nr]):
                        yield s, nf + 8 * nr, None
            else:
                dirs = {"R": ROOK, "B": BISHOP, "Q": ROOK + BISHOP}[kind]
                for df, dr in dirs:
                    nf, nr = f + df, r + dr
                    while 0 <= nf < 8 and 0 <= nr < 8:
                        t = nf + 8 * nr
                        if self.own(self.sq[t]):
                            break
                        yield s, t, None
                        if self.sq[t] is not None:
                            break
                        nf, nr = nf + df, nr + dr
            if kind == "K":
                yield from self.castling_moves(s)

    def castling_moves(self, s):
        home = 4 if self.white else 60
        if s != home or self.attacked(s, not self.white):
            return
        k, q = ("K", "Q") if self.white else ("k", "q")
        rook = "R" if self.white else "r"
        if (k in self.castle and self.sq[s + 3] == rook
                and self.sq[s + 1] is None and self.sq[s + 2] is None
                and not self.attacked(s + 1, not self.white)):
            yield s, s + 2, None  # landing square is checked by legality test
        if (q in self.castle and self.sq[s - 4] == rook
                and self.sq[s - 1] is None and self.sq[s - 2] is None
                and self.sq[s - 3] is None
                and not self.attacked(s - 1, not self.white)):
            yield s, s - 2, None

    def make(self, move):
        """Plays a move; returns state needed to take it back."""
        s, t, promo = move
        saved = (list(self.sq), self.white, set(self.castle), self.ep)
        p = self.sq[s]
        kind = p.upper()
        if kind == "P" and t == self.ep:
            self.sq[t - 8 if self.white else t + 8] = None
        if kind == "K" and abs(t - s) == 2:
            rook_from, rook_to = (s + 3, s + 1) if t > s else (s - 4, s - 1)
            self.sq[rook_to] = self.sq[rook_from]
            self.sq[rook_from] = None
        self.sq[t] = (promo.upper() if self.white else promo) if promo else p
        self.sq[s] = None
        self.ep = (s + t) // 2 if kind == "P" and abs(t - s) == 16 else None
        for corner, right in ((0, "Q"), (7, "K"), (56, "q"), (63, "k"), (4, "KQ"), (60, "kq")):
            if s == corner or t == corner:
                self.castle -= set(right)
        self.white = not self.white
        return saved

    def undo(self, saved):
        self.sq, self.white, self.castle, self.ep = saved

    def legal_moves(self):
        moves = []
        for m in list(self.pseudo_moves()):
            saved = self.make(m)
            king = self.sq.index("k" if self.white else "K")
            if not self.attacked(king, self.white):
                moves.append(m)
            self.undo(saved)
        return moves

    def in_check(self):
        return self.attacked(self.sq.index("K" if self.white else "k"), not self.white)


SAN_RE = re.compile(r"^([NBRQK])?([a-h])?([1-8])?x?([a-h][1-8])(?:=?([NBRQ]))?$")


def san_to_move(board, san):
    """Resolves one SAN move on the board; raises ValueError if it fits no
    legal move or more than one."""
    text = re.sub(r"[+#!?]+$", "", san).replace("0", "O")
    legal = board.legal_moves()
    if text in ("O-O", "O-O-O"):
        home = 4 if board.white else 60
        target = home + (2 if text == "O-O" else -2)
        found = [m for m in legal if m[0] == home and m[1] == target
                 and board.sq[home].upper() == "K"]
    else:
        m = SAN_RE.match(text)
        if not m:
            raise ValueError("unreadable move %r" % san)
        kind, from_file, from_rank, target, promo = m.groups()
        kind = kind or "P"
        t = sq(target)
        found = [mv for mv in legal
                 if mv[1] == t
                 and board.sq[mv[0]].upper() == kind
                 and (from_file is None or sqname(mv[0])[0] == from_file)
                 and (from_rank is None or sqname(mv[0])[1] == from_rank)
                 and (mv[2] or "") == (promo or "").lower()]
    if len(found) != 1:
        raise ValueError("%r matches %d legal moves" % (san, len(found)))
    return found[0]


def coord(move):
    s, t, promo = move
    return sqname(s) + sqname(t) + (promo or "")


RESULTS = ("1-0", "0-1", "1/2-1/2", "*")


def read_pgn(path):
    """Returns (tags, SAN moves, result token) of the first game in the file."""
    with open(path, encoding="utf-8", errors="replace") as fh:
        text = fh.read()
    tags = dict(re.findall(r'^\[(\w+)\s+"(.*)"\]\s*$', text, re.M))
    body = "\n".join(line for line in text.splitlines() if not line.startswith("["))
    body = re.sub(r"\{[^}]*\}", " ", body)   # comments (XBoard puts eval/time here)
    body = re.sub(r";[^\n]*", " ", body)
    while re.search(r"\([^()]*\)", body):   # variations, innermost first
        body = re.sub(r"\([^()]*\)", " ", body)
    moves, result = [], None
    for tok in body.split():
        tok = re.sub(r"^\d+\.+", "", tok)
        if not tok or tok.startswith("$"):
            continue
        if tok in RESULTS:
            result = tok
            break
        moves.append(tok)
    return tags, moves, result


ENGINE_MOVE_RE = re.compile(r"<(first|second)\s*:\s*move\s+(\S+)")
# XBoard also logs GameEnds(0, (null), ...) while merely resetting the board;
# only a call that carries a reason ends a game.
GAME_END_RE = re.compile(r"GameEnds\(\d+, (?!\(null\))")


def read_engine_moves(path):
    """Returns (moves announced before the game ended, moves announced after)."""
    before, after = [], []
    ended = False
    with open(path, encoding="utf-8", errors="replace") as fh:
        for line in fh:
            if GAME_END_RE.search(line):
                ended = True
            m = ENGINE_MOVE_RE.search(line)
            if m:
                (after if ended else before).append((m.group(1), m.group(2).lower()))
    return before, after


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    pgn_path, log_path = argv[1], argv[2]
    problems = []

    tags, sans, result = read_pgn(pgn_path)
    board = Board(tags.get("FEN"))
    coords = []
    for i, san in enumerate(sans):
        try:
            move = san_to_move(board, san)
        except ValueError as err:
            problems.append("PGN ply %d: %s" % (i + 1, err))
            break
        coords.append(coord(move))
        board.make(move)

    if result not in ("1-0", "0-1", "1/2-1/2"):
        problems.append("PGN has no final result (got %r)" % result)
    elif tags.get("Result") not in (None, result):
        problems.append("PGN Result tag %r differs from movetext result %r"
                        % (tags.get("Result"), result))

    announced, late = read_engine_moves(log_path)
    announced_moves = [mv for _, mv in announced]
    if announced_moves != coords:
        for i in range(max(len(coords), len(announced_moves))):
            a = announced_moves[i] if i < len(announced_moves) else "(none)"
            b = coords[i] if i < len(coords) else "(none)"
            if a != b:
                problems.append("ply %d: engines announced %s, PGN has %s"
                                % (i + 1, a, b))
                break
        if len(announced_moves) != len(coords):
            problems.append("engines announced %d moves, PGN has %d"
                            % (len(announced_moves), len(coords)))
    # The two engines must take turns: a side moving twice means XBoard
    # mixed up who was to move.
    for i in range(1, len(announced)):
        if announced[i][0] == announced[i - 1][0]:
            problems.append("engine '%s' moved twice in a row at ply %d"
                            % (announced[i][0], i + 1))
            break

    termination = re.findall(r"\{([^}]*)\}\s*(?:1-0|0-1|1/2-1/2|\*)\s*$",
                             open(pgn_path, encoding="utf-8", errors="replace").read())
    print("moves: %d (%d plies)" % ((len(coords) + 1) // 2, len(coords)))
    print("result: %s%s" % (result, " {%s}" % termination[-1] if termination else ""))
    if late:
        print("ignored after game end: %s" % " ".join(mv for _, mv in late))
    for p in problems:
        print("FAIL: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
