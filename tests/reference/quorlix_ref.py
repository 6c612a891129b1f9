#!/usr/bin/env python3
"""Quorlix reference checker: an independent model of the whole engine.

It keeps the engine's state in the same shapes as the C++ program (one
128-entry 0x88 board that also holds the piece list, 32-bit Move words, one
512-entry move stack, killers, pv_line, material, mobility, node_count), so
that node counts, progress lines and console/xboard transcripts can be
compared byte for byte.

Usage:
  quorlix_ref.py perft DEPTH [FEN...]
  quorlix_ref.py divide DEPTH [FEN...]
  quorlix_ref.py gen MODE [FEN...]        (MODE 255 = all moves, 0 = captures)
  quorlix_ref.py think DEPTH [FEN...]
  quorlix_ref.py play DEPTH               (the whole program on standard input)
"""

import os
import signal
import sys

# ---------------------------------------------------------------------------
# Board representation
#
# board[] has 128 entries indexed by 0x88 square number (16 * rank + file).
# Indexes with (i & 0x88) == 0 are the 64 squares and hold 0 (empty) or the
# slot number of the piece standing there.  The other 64 entries (bit 3 of
# the index set) are the piece list: board[slot] is the square of that piece
# (0xFF when it is off the board) and board[slot + 32] its piece type (0xFF
# for a slot that was never filled).  White slots are 8..15 and 24..31, Black
# slots 72..79 and 88..95; the king always sits in slot 8 / 72.
# ---------------------------------------------------------------------------

OFF_BOARD = 0xFF
TYPE_OFFSET = 32
WHITE, BLACK = 0, 1
WHITE_KING_SLOT = 8
BLACK_KING_SLOT = 72
FIRST_BLACK_SLOT = 72            # a slot is Black exactly when it is >= 72

PAWN, KNIGHT, KING, BISHOP, ROOK, QUEEN = 1, 2, 3, 5, 6, 7
SLIDER = 4
DIAGONAL_BIT = 1
ORTHOGONAL_BIT = 2

A1, B1, C1, D1, E1, F1, G1, H1 = range(8)
A8, B8, C8, D8, E8, F8, G8, H8 = range(0x70, 0x78)

ALL_MOVES = 255
CAPTURES = 0
STACK_SIZE = 512
MAX_PLY = 10
INFINITY = 10000
MATE_SCORE = 10000
QUIESCE_MATE = 9999
QUIESCE_FLOOR = -10
EVAL_LIMIT = 9000
NULL_MOVE_MATERIAL = 400

START_POSITION = (
    [6, 2, 5, 7, 3, 5, 2, 6]
    + [1] * 8
    + [0] * 32
    + [0x41] * 8
    + [0x46, 0x42, 0x45, 0x47, 0x43, 0x45, 0x42, 0x46]
)
START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"

KNIGHT_STEPS = (31, 33, 14, 18, -18, -14, -33, -31)
# The king list's first four steps are orthogonal, the last four diagonal;
# square_attacked relies on that order.
KING_STEPS = (16, -16, -1, 1, 15, 17, -17, -15)
PIECE_DIRECTIONS = {
    KNIGHT: KNIGHT_STEPS,
    KING: KING_STEPS,
    4: (),
    BISHOP: (15, 17, -17, -15),
    ROOK: (16, -1, 1, -16),
    QUEEN: (15, 16, 17, -1, 1, -17, -16, -15),
}

PIECE_LETTERS = ".PNK.BRQ"
PIECE_VALUE = (0, 100, 300, 0, 0, 300, 500, 900)
PROMOTION_LETTER = {QUEEN: "q", ROOK: "r", BISHOP: "b", KNIGHT: "n"}
PROMOTION_TYPE = {"q": QUEEN, "r": ROOK, "b": BISHOP, "n": KNIGHT}


def _side_slots(king_slot):
    slots = []
    slot = king_slot
    for _ in range(16):
        slots.append(slot)
        slot = (slot + 1) | 8
    return tuple(slots)


# Slot visiting order: king first, then next = (slot + 1) | 8.
SIDE_SLOTS = (_side_slots(WHITE_KING_SLOT), _side_slots(BLACK_KING_SLOT))
# Material is summed over every slot but the king's.
MATERIAL_SLOTS = (SIDE_SLOTS[WHITE][1:], SIDE_SLOTS[BLACK][1:])


class PvLine:
    __slots__ = ("length", "moves")

    def __init__(self):
        self.length = 0
        self.moves = [0] * MAX_PLY


def _ray(square, step):
    squares = []
    t = square + step
    while (t & 0x88) == 0:
        squares.append(t)
        t += step
    return tuple(squares)


# For each on-board square: the squares met walking each king step (in the
# king list's order, nearest first), and the on-board knight jumps.
RAYS = [None] * 128
KNIGHT_TARGETS = [None] * 128
for _square in range(128):
    if (_square & 0x88) == 0:
        RAYS[_square] = tuple(_ray(_square, step) for step in KING_STEPS)
        KNIGHT_TARGETS[_square] = tuple(_square + step for step in KNIGHT_STEPS
                                        if ((_square + step) & 0x88) == 0)


# ---------------------------------------------------------------------------
# Global state
# ---------------------------------------------------------------------------

board = [OFF_BOARD] * 128
side_to_move = WHITE
castle_rights = 15
ep_slot = 0
in_check = 0
move_stack = [0] * STACK_SIZE
move_top = 0
killers = [0] * MAX_PLY
pv_line = PvLine()
follow_pv = 0
material = [0, 0]
mobility = [0, 0]
node_count = 0
# Total of pushes dropped on a full stack; a node compares it before and
# after its own generation to learn whether its list is incomplete.
dropped_pushes = 0
think_depth = 7


# ---------------------------------------------------------------------------
# Position setup
# ---------------------------------------------------------------------------

def place_pieces(codes):
    white_next, black_next = 9, 73
    for i, code in enumerate(codes):
        square = 16 * (i // 8) + (i % 8)
        if code == 0:
            board[square] = 0
            continue
        ptype = code & 7
        black = code & 0x40
        if ptype == KING:
            slot = 8 + black
        elif black:
            slot = black_next
            black_next = (black_next + 1) | 8
        else:
            slot = white_next
            white_next = (white_next + 1) | 8
        board[square] = slot
        board[slot] = square
        board[slot + TYPE_OFFSET] = ptype


def setup_position():
    global move_top, side_to_move, in_check, ep_slot, castle_rights
    for i in range(128):
        board[i] = OFF_BOARD
    for i in range(MAX_PLY):
        killers[i] = 0
    place_pieces(START_POSITION)
    move_top = 0
    side_to_move = WHITE
    in_check = 0
    ep_slot = 0
    castle_rights = 15


def square_number(text):
    return 16 * (ord(text[1]) - ord("1")) + (ord(text[0]) - ord("a"))


def setup_fen(fen):
    """Sets up a FEN position and resets every search record as at start."""
    global side_to_move, castle_rights, ep_slot, in_check, move_top
    global follow_pv, node_count
    fields = fen.split()
    codes = [0] * 64
    letters = {"p": PAWN, "n": KNIGHT, "k": KING, "b": BISHOP, "r": ROOK, "q": QUEEN}
    rank, file = 7, 0
    for ch in fields[0]:
        if ch == "/":
            rank -= 1
            file = 0
        elif ch.isdigit():
            file += int(ch)
        else:
            code = letters[ch.lower()]
            if ch.islower():
                code |= 0x40
            codes[rank * 8 + file] = code
            file += 1
    for i in range(128):
        board[i] = OFF_BOARD
    place_pieces(codes)
    side_to_move = BLACK if len(fields) > 1 and fields[1] == "b" else WHITE
    castle_rights = 0
    rights = fields[2] if len(fields) > 2 else "-"
    for ch, bit in (("Q", 1), ("K", 2), ("q", 4), ("k", 8)):
        if ch in rights:
            castle_rights |= bit
    ep_slot = 0
    ep = fields[3] if len(fields) > 3 else "-"
    if ep != "-":
        target = square_number(ep)
        # The pawn that just double-stepped stands beyond the passed square.
        pawn_square = target - 16 if side_to_move == WHITE else target + 16
        ep_slot = board[pawn_square]
    in_check = king_attacked(1 - side_to_move)
    for i in range(MAX_PLY):
        killers[i] = 0
    move_top = 0
    pv_line.length = 0
    pv_line.moves = [0] * MAX_PLY
    follow_pv = 0
    material[0] = material[1] = 0
    mobility[0] = mobility[1] = 0
    node_count = 0


# ---------------------------------------------------------------------------
# Attacks and legality
# ---------------------------------------------------------------------------

def square_attacked(mode, side, square):
    b = board
    near_pieces = mode & 2
    rays = RAYS[square]
    for d in range(8):
        ray = rays[d]
        for t in ray:
            occupant = b[t]
            if occupant:
                break
        else:
            continue                    # the walk left the board
        if (occupant >= FIRST_BLACK_SLOT) != side:
            continue
        ptype = b[occupant + TYPE_OFFSET]
        if ptype & SLIDER:
            if ptype & (ORTHOGONAL_BIT if d < 4 else DIAGONAL_BIT):
                return 1
        elif near_pieces and t == ray[0]:
            if ptype == KING:
                return 1
            if ptype == PAWN:
                diff = square - t if side == WHITE else t - square
                if diff == 15 or diff == 17:
                    return 1
    if not near_pieces:
        return 0
    for t in KNIGHT_TARGETS[square]:
        occupant = b[t]
        if (occupant and (occupant >= FIRST_BLACK_SLOT) == side
                and b[occupant + TYPE_OFFSET] == KNIGHT):
            return 1
    return 0


def king_attacked(side):
    king_square = board[BLACK_KING_SLOT] if side == WHITE else board[WHITE_KING_SLOT]
    return square_attacked(255, side, king_square)


def move_is_legal(move):
    b = board
    frm = move & 0xFF
    to = (move >> 8) & 0xFF
    mover = b[frm]
    captured = b[to]
    if mover < FIRST_BLACK_SLOT:
        attacker = BLACK
        king_square = b[WHITE_KING_SLOT]
    else:
        attacker = WHITE
        king_square = b[BLACK_KING_SLOT]
    king_move = frm == king_square
    target = to if king_move else king_square
    if king_move and (to - frm == 2 or to - frm == -2):
        # The crossed square is tested on the unchanged board.
        if square_attacked(2, attacker, frm + (to - frm) // 2):
            return 0
    # An en passant capture takes a pawn that is not on the to-square; lift
    # it too, or lines through its square (and its own check) are misjudged.
    lifted_square = -1
    if captured == 0 and (to - frm) & 1 and b[mover + TYPE_OFFSET] == PAWN:
        lifted_square = b[ep_slot]
        b[lifted_square] = 0
    b[mover] = to
    b[to] = mover
    b[frm] = 0
    if captured:
        b[captured] = OFF_BOARD
    mode = 2 if (king_move or in_check) else 0
    attacked = square_attacked(mode, attacker, target)
    b[mover] = frm
    b[frm] = mover
    b[to] = captured
    if captured:
        b[captured] = to
    if lifted_square >= 0:
        b[lifted_square] = ep_slot
    return 0 if attacked else 1


# ---------------------------------------------------------------------------
# Move generation
# ---------------------------------------------------------------------------

def push_move(move):
    global move_top, dropped_pushes
    to = (move >> 8) & 0xFF
    move = (move & 0xFFFFFF) | (board[to] << 24)
    if move_top < STACK_SIZE:
        move_stack[move_top] = move
        move_top += 1
    else:
        dropped_pushes += 1


def push_pawn_move(move, push_quiet):
    if not move_is_legal(move):
        return 0
    to = (move >> 8) & 0xFF
    rank_bits = to & 0xF0
    if rank_bits == 0x70 or rank_bits == 0:
        for promo in (QUEEN, ROOK, BISHOP, KNIGHT):
            push_move(move | (promo << 16))
    elif push_quiet:
        push_move(move)
    return 1


def _capturable(occupant, enemy_is_black):
    """An enemy piece other than the king: a king is never captured, though
    it is a contact."""
    return ((occupant >= FIRST_BLACK_SLOT) == enemy_is_black
            and occupant != WHITE_KING_SLOT and occupant != BLACK_KING_SLOT)


def generate_moves(mode, side):
    b = board
    all_moves = mode & 1
    count = 0
    contacts = 0
    enemy_is_black = side == WHITE
    for slot in SIDE_SLOTS[side]:
        frm = b[slot]
        if frm & 0x80:
            continue
        ptype = b[slot + TYPE_OFFSET]
        if ptype == PAWN:
            if side == WHITE:
                fwd = 16
                on_start_rank = (frm & 0xF0) == 0x10
            else:
                fwd = -16
                on_start_rank = (frm & 0xF0) == 0x60
            ahead = frm + fwd
            if b[ahead] == 0:
                if on_start_rank and b[ahead + fwd] == 0:
                    move = frm | ((ahead + fwd) << 8)
                    if move_is_legal(move):
                        count += 1
                        if all_moves:
                            push_move(move)
                count += push_pawn_move(frm | (ahead << 8), all_moves)
            for t in (ahead + 1, ahead - 1):
                if not (t & 0x88):
                    occupant = b[t]
                    if occupant:
                        contacts += 1
                        if _capturable(occupant, enemy_is_black):
                            count += push_pawn_move(frm | (t << 8), all_moves)
            if ep_slot:
                e = b[ep_slot]
                if ((e == frm + 1 or e == frm - 1)
                        and (ep_slot >= FIRST_BLACK_SLOT) == enemy_is_black
                        and b[e + fwd] == 0):
                    move = frm | ((e + fwd) << 8)
                    if move_is_legal(move):
                        count += 1
                        push_move(move)
            continue
        slider = ptype & SLIDER
        for step in PIECE_DIRECTIONS[ptype]:
            t = frm + step
            while not (t & 0x88):
                occupant = b[t]
                if occupant:
                    contacts += 1
                    if _capturable(occupant, enemy_is_black):
                        move = frm | (t << 8)
                        if move_is_legal(move):
                            count += 1
                            push_move(move)
                    break
                move = frm | (t << 8)
                if move_is_legal(move):
                    count += 1
                    if all_moves:
                        push_move(move)
                    if not slider:
                        break
                elif not slider or not in_check:
                    # Not in check, a piece that exposes its king on one
                    # square of a ray is pinned across it: the rest is
                    # illegal too.  In check a farther square may block.
                    break
                t += step
    if in_check or not all_moves:
        return count + contacts
    # Castling is pushed but not counted.  A set right guarantees the king on
    # its square and the own rook in its corner.
    # Black's squares are White's moved up seven ranks, its rights two bits up.
    home = 0 if side == WHITE else 0x70
    rights = castle_rights >> (2 * side)
    for right, corner, between, target in ((1, A1, (B1, C1, D1), C1), (2, H1, (F1, G1), G1)):
        corner += home
        if (rights & right and all(b[square + home] == 0 for square in between)
                and b[corner] and b[b[corner] + TYPE_OFFSET] == ROOK):
            move = (E1 + home) | ((target + home) << 8)
            if move_is_legal(move):
                push_move(move)
    return count + contacts


# ---------------------------------------------------------------------------
# Making and unmaking moves
# ---------------------------------------------------------------------------

CORNER_RIGHT = {A1: 1, H1: 2, A8: 4, H8: 8}


def _move_rook(src, dst):
    """The castling rook's move, and its taking back."""
    rook = board[src]
    board[rook] = dst
    board[dst] = rook
    board[src] = 0


def make_move(move):
    """Plays move; returns (gives_check, previous_ep)."""
    global ep_slot, castle_rights, in_check, side_to_move
    b = board
    frm = move & 0xFF
    to = (move >> 8) & 0xFF
    mover = b[frm]
    captured = b[to]
    previous_ep = ep_slot
    ep_slot = 0
    promo = (move >> 16) & 0xFF
    if promo:
        b[mover + TYPE_OFFSET] = promo
    ptype = b[mover + TYPE_OFFSET]
    if ptype == KING:
        if to - frm == 2:
            _move_rook(frm + 3, frm + 1)
        elif to - frm == -2:
            _move_rook(frm - 4, frm - 1)
        castle_rights &= ~(12 if mover >= FIRST_BLACK_SLOT else 3)
    elif ptype == PAWN:
        distance = abs(to - frm)
        if distance == 32:
            ep_slot = mover
        elif distance & 1 and (move >> 24) == 0:
            taken_square = b[previous_ep]
            b[taken_square] = 0
            b[previous_ep] = OFF_BOARD
    elif ptype == ROOK:
        castle_rights &= ~CORNER_RIGHT.get(frm, 0)
    # A move into a corner kills that corner's right: whatever stood there
    # is gone, so the right can never again name the side's own unmoved rook.
    castle_rights &= ~CORNER_RIGHT.get(to, 0)
    b[mover] = to
    b[to] = mover
    b[frm] = 0
    if captured:
        b[captured] = OFF_BOARD
    in_check = king_attacked(side_to_move)
    side_to_move = 1 - side_to_move
    return in_check, previous_ep


def unmake_move(move, previous_ep):
    global side_to_move, ep_slot, in_check
    b = board
    frm = move & 0xFF
    to = (move >> 8) & 0xFF
    mover = b[to]
    captured = move >> 24
    side_to_move = 1 - side_to_move
    ep_slot = previous_ep
    if (move >> 16) & 0xFF:
        b[mover + TYPE_OFFSET] = PAWN
    ptype = b[mover + TYPE_OFFSET]
    if ptype == KING:
        if to - frm == 2:
            _move_rook(frm + 1, frm + 3)
        elif to - frm == -2:
            _move_rook(frm - 1, frm - 4)
    elif ptype == PAWN:
        if captured == 0 and (to - frm) & 1:
            p = to - 16 if to > frm else to + 16
            b[p] = previous_ep
            b[previous_ep] = p
    b[mover] = frm
    b[frm] = mover
    b[to] = captured
    if captured:
        b[captured] = to
    in_check = 0


def play_move(move):
    for i in range(MAX_PLY - 1):
        killers[i] = killers[i + 1]
    gives_check, _ = make_move(move)
    return gives_check


# ---------------------------------------------------------------------------
# Evaluation and ordering
# ---------------------------------------------------------------------------

def evaluate():
    b = board
    totals = [0, 0]
    for side in (WHITE, BLACK):
        total = 0
        for slot in MATERIAL_SLOTS[side]:
            if b[slot] < 0x80:
                total += PIECE_VALUE[b[slot + TYPE_OFFSET]]
        totals[side] = total
    material[0] = totals[0]
    material[1] = totals[1]
    score = totals[side_to_move] - totals[1 - side_to_move]
    score += mobility[side_to_move]
    if castle_rights & (3 << (2 * side_to_move)) == 0:
        score += 10
    # Static scores must stay clear of the mate range.
    if score > EVAL_LIMIT:
        score = EVAL_LIMIT
    elif score < -EVAL_LIMIT:
        score = -EVAL_LIMIT
    return score


def capture_key(move):
    captured = move >> 24
    if captured == 0:
        return 0
    victim = board[captured + TYPE_OFFSET]
    attacker = board[board[move & 0xFF] + TYPE_OFFSET]
    return 8 * victim + 8 - attacker


def pick_best(first, end):
    best = first
    best_key = capture_key(move_stack[first])
    for i in range(first + 1, end):
        key = capture_key(move_stack[i])
        if key > best_key:
            best_key = key
            best = i
    return best


def find_pv_or_killer(first, end, ply):
    global follow_pv
    if follow_pv:
        if first < end:
            wanted = pv_line.moves[ply]
            for i in range(first, end):
                if move_stack[i] == wanted:
                    return i
        follow_pv = 0
    if first >= end:
        return None
    killer = killers[ply]
    for i in range(first, end):
        if move_stack[i] == killer:
            return i
    return None


# ---------------------------------------------------------------------------
# Searches
# ---------------------------------------------------------------------------

def quiesce(alpha, beta, depth):
    global node_count, move_top, castle_rights
    node_count += 1
    start = move_top
    dropped_before = dropped_pushes
    mobility[side_to_move] = generate_moves(ALL_MOVES if in_check else CAPTURES,
                                            side_to_move)
    end = move_top
    incomplete = dropped_pushes != dropped_before
    search_moves = end != start and depth >= QUIESCE_FLOOR
    best = -INFINITY
    if not in_check:
        best = evaluate()
        if best > alpha:
            if best >= beta:
                move_top = start
                return best
            alpha = best
    if search_moves:
        p = start
        while p < end:
            q = pick_best(p, end)
            if q != p:
                move_stack[p], move_stack[q] = move_stack[q], move_stack[p]
            move = move_stack[p]
            saved_rights = castle_rights
            _, previous_ep = make_move(move)
            score = -quiesce(-beta, -alpha, depth - 1)
            castle_rights = saved_rights
            unmake_move(move, previous_ep)
            if score > best:
                best = score
                if score > alpha:
                    if score >= beta:
                        break
                    alpha = score
            p += 1
            end = move_top
    move_top = start
    if in_check:
        # A list cut short by a full stack proves nothing about mate.
        if incomplete and end == start:
            return evaluate()
        return -QUIESCE_MATE
    return best


def search(alpha, beta, depth, root_depth, null_state, pv_node, pv):
    global node_count, move_top, castle_rights, side_to_move, in_check
    pv.length = 0
    if depth <= 0:
        return quiesce(alpha, beta, depth)
    node_count += 1
    start = move_top
    best = -INFINITY
    ply = root_depth - depth
    alpha_raised = 0
    child_pv = PvLine()

    if (ply > 0 and depth > 2 and not in_check and not (null_state & 1)
            and material[side_to_move] >= NULL_MOVE_MATERIAL):
        side_to_move = 1 - side_to_move
        score = -search(-beta, 1 - beta, depth - 3, root_depth, null_state + 1, 0, child_pv)
        side_to_move = 1 - side_to_move
        if score >= beta:
            return score

    dropped_before = dropped_pushes
    mobility[side_to_move] = generate_moves(ALL_MOVES, side_to_move)
    end = move_top
    if end == start:
        if dropped_pushes != dropped_before:
            # A list cut short by a full stack proves neither mate nor stalemate.
            best = evaluate()
        elif in_check:
            best = ply - MATE_SCORE
        else:
            best = 0
        move_top = start
        return best

    p = start
    while p < end:
        q = None
        if null_state == 0:
            q = find_pv_or_killer(p, end, ply)
        if q is None:
            q = pick_best(p, end)
        if q != p:
            move_stack[p], move_stack[q] = move_stack[q], move_stack[p]
        move = move_stack[p]
        saved_rights = castle_rights
        gives_check, previous_ep = make_move(move)
        if null_state:
            null_state = (null_state + 2) & ~1
        if depth > 2 and pv_node and alpha_raised:
            score = -search(-alpha - 1, -alpha, depth - 1, root_depth, null_state, 0, child_pv)
            if alpha < score < beta:
                # The probe's own unmakes cleared the flag.
                in_check = gives_check
                score = -search(-beta, -alpha, depth - 1, root_depth, null_state, 1, child_pv)
        else:
            score = -search(-beta, -alpha, depth - 1, root_depth, null_state, pv_node, child_pv)
        castle_rights = saved_rights
        unmake_move(move, previous_ep)
        if score > best:
            best = score
            if score > alpha:
                if score >= beta:
                    if (move >> 24) == 0 and ply < MAX_PLY and null_state == 0:
                        killers[ply] = move
                    break
                pv.moves[0] = move
                n = child_pv.length
                if n == MAX_PLY:
                    n = MAX_PLY - 1
                pv.moves[1:n + 1] = child_pv.moves[0:n]
                pv.length = n + 1
                alpha_raised = 1
                alpha = score
        p += 1
        end = move_top
    move_top = start
    return best


def think():
    global node_count, follow_pv, in_check, move_top, side_to_move
    saved_check = in_check
    depth_limit = think_depth + 1 if saved_check else think_depth
    node_count = 0
    pv_line.length = 0
    for i in range(MAX_PLY):
        pv_line.moves[i] = 0
    score = 0
    for d in range(1, depth_limit + 1):
        follow_pv = 1
        in_check = saved_check
        move_top = 0
        score = search(-INFINITY, INFINITY, d, d, 0, 1, pv_line)
        text = "%d %d %d %d" % (d, score, d, node_count)
        for i in range(pv_line.length):
            text += " " + format_move(pv_line.moves[i])
        out(text + "\n")
        flush()
    if score < -QUIESCE_MATE:
        out("1-0 {White mates}\n" if side_to_move == BLACK else "0-1 {Black mates}\n")
        side_to_move = 1 - side_to_move
        return -1
    if pv_line.length == 0:
        # No legal move and not in check: the game is drawn.
        out("1/2-1/2 {Stalemate}\n")
        side_to_move = 1 - side_to_move
        return -1
    out("move %s\n" % format_move(pv_line.moves[0]))
    play_move(pv_line.moves[0])
    # Did our move end the game?
    move_top = 0
    generate_moves(ALL_MOVES, side_to_move)
    replies = move_top
    move_top = 0
    if replies == 0:
        if in_check:
            out("1-0 {White mates}\n" if side_to_move == BLACK else "0-1 {Black mates}\n")
        else:
            out("1/2-1/2 {Stalemate}\n")
        return -1
    return 0


# ---------------------------------------------------------------------------
# Notation and display
# ---------------------------------------------------------------------------

def square_text(square):
    return chr(ord("a") + (square & 7)) + chr(ord("1") + (square >> 4))


def format_move(move):
    text = square_text(move & 0xFF) + square_text((move >> 8) & 0xFF)
    promo = (move >> 16) & 0xFF
    if promo:
        text += PROMOTION_LETTER[promo]
    return text


def parse_move(text):
    """Returns (from, to, promotion type) or None when text is no move."""
    def char(i):
        return text[i] if i < len(text) else "\0"

    if not ("a" <= char(0) <= "h" and "1" <= char(1) <= "8"):
        return None
    frm = square_number(text[0:2])
    i = 3 if char(2) in ("-", "x") else 2
    if not ("a" <= char(i) <= "h" and "1" <= char(i + 1) <= "8"):
        return None
    to = square_number(text[i:i + 2])
    promo = PROMOTION_TYPE.get(char(i + 2), 0)
    return frm, to, promo


def find_typed_move(typed):
    """First generated move matching the typed squares (and promotion piece)."""
    frm, to, promo = typed
    wanted_promo = promo or QUEEN
    for i in range(move_top):
        move = move_stack[i]
        if (move & 0xFF) == frm and ((move >> 8) & 0xFF) == to:
            move_promo = (move >> 16) & 0xFF
            if move_promo == 0 or move_promo == wanted_promo:
                return move
    return None


def print_board():
    lines = []
    for rank in range(7, -1, -1):
        row = ""
        for file in range(8):
            slot = board[16 * rank + file]
            if slot == 0:
                row += "."
            else:
                letter = PIECE_LETTERS[board[slot + TYPE_OFFSET]]
                if slot > 71:
                    letter = letter.lower()
                row += letter
        lines.append(row + "\n")
    out("".join(lines))


# ---------------------------------------------------------------------------
# Input and output (bytes are carried through unchanged as latin-1)
# ---------------------------------------------------------------------------

_stdout = sys.stdout.buffer


def out(text):
    _stdout.write(text.encode("latin-1"))


def flush():
    _stdout.flush()


C_SPACE = b" \t\n\v\f\r"


class InputReader:
    """One buffered view of standard input shared by both front ends, so a
    word read by the console leaves the rest of its line for the xboard
    mode, as a C stdio stream would."""

    def __init__(self, fd=0):
        self.fd = fd
        self.buffer = b""
        self.pos = 0
        self.eof = False

    def _fill(self):
        if self.eof:
            return False
        try:
            data = os.read(self.fd, 65536)
        except OSError:
            data = b""
        if not data:
            self.eof = True
            return False
        self.buffer = self.buffer[self.pos:] + data
        self.pos = 0
        return True

    def peek(self):
        if self.pos >= len(self.buffer) and not self._fill():
            return None
        return self.buffer[self.pos]

    def read_word(self):
        """A whitespace-delimited word of any length; None at end of input.
        The delimiter after the word stays unread."""
        while True:
            c = self.peek()
            if c is None:
                return None
            if c not in C_SPACE:
                break
            self.pos += 1
        word = bytearray()
        while True:
            c = self.peek()
            if c is None or c in C_SPACE:
                break
            word.append(c)
            self.pos += 1
        return word.decode("latin-1")

    def read_line(self, limit):
        """Like fgets with room for limit characters: up to and including a
        line feed, at most limit characters; None when nothing is left."""
        line = bytearray()
        while len(line) < limit:
            c = self.peek()
            if c is None:
                break
            line.append(c)
            self.pos += 1
            if c == 10:
                break
        if not line:
            return None
        return line.decode("latin-1")


def c_string(text):
    """The text as a C string sees it: up to the first zero byte."""
    zero = text.find("\0")
    return text if zero < 0 else text[:zero]


# ---------------------------------------------------------------------------
# Front ends
# ---------------------------------------------------------------------------

def xboard_loop(reader):
    global side_to_move, in_check, move_top
    # A front end interrupts the engine before relaying moves.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    setup_position()
    computer_side = 1
    out("\n")
    while True:
        flush()
        if computer_side == side_to_move:
            think()
            continue
        raw = reader.read_line(255)
        if raw is None:
            return 0
        if raw[0] == "\n":
            continue
        line = c_string(raw)
        if line.endswith("\n"):
            line = line[:-1]
        if line == "xboard":
            pass
        elif line == "new":
            setup_position()
            computer_side = 1
        elif line == "white":
            side_to_move = WHITE
            in_check = king_attacked(BLACK)
            computer_side = 1
        elif line == "force":
            computer_side = -1
        elif line == "black":
            side_to_move = BLACK
            in_check = king_attacked(WHITE)
            computer_side = 0
        elif line == "go":
            computer_side = side_to_move
        elif line in ("time", "otim") or line.startswith("time ") or line.startswith("otim "):
            pass
        else:
            typed = parse_move(line)
            if typed is None:
                out("Error (unknown command): %s\n" % line)
                continue
            move_top = 0
            generate_moves(ALL_MOVES, side_to_move)
            move = find_typed_move(typed)
            if move is None:
                out("Illegal move: %s\n" % line)
            else:
                play_move(move)


def console_main(reader):
    global side_to_move, in_check, move_top
    out("Quorlix 1.4\n")
    setup_position()
    computer_side = 1
    step = 2
    while True:
        if step == 2:
            print_board()
            if in_check:
                out("Check!\n")
            if computer_side == side_to_move:
                if think() != 0:
                    return 0
                continue
            step = 3
        if step == 3:
            move_top = 0
            generate_moves(ALL_MOVES, side_to_move)
            step = 4
        out("> ")
        flush()
        word = reader.read_word()
        if word is None:
            return 0
        word = c_string(word)
        if word == "xboard":
            return xboard_loop(reader)
        elif word == "switch":
            computer_side = 1 if computer_side == 0 else 0
            out("computer is %s\n" % ("White" if computer_side == 0 else "Black"))
            step = 2
        elif word == "off":
            computer_side = -1
            step = 4
        elif word == "on":
            computer_side = side_to_move
            step = 2
        elif word == "black":
            side_to_move = BLACK
            in_check = king_attacked(WHITE)
            computer_side = 0
            step = 3
        else:
            typed = parse_move(word)
            if typed is None:
                out("move syntax e2e4 etc.\n")
                step = 4
                continue
            move = find_typed_move(typed) if move_top > 0 else None
            if move is None:
                out("illegal move.\n")
                step = 4
            else:
                play_move(move)
                step = 2


# ---------------------------------------------------------------------------
# Checking tools: perft, divide, gen
# ---------------------------------------------------------------------------

def perft(depth):
    global move_top, castle_rights
    if depth == 0:
        return 1
    start = move_top
    generate_moves(ALL_MOVES, side_to_move)
    end = move_top
    if depth == 1:
        move_top = start
        return end - start
    total = 0
    for i in range(start, end):
        move = move_stack[i]
        saved_rights = castle_rights
        _, previous_ep = make_move(move)
        total += perft(depth - 1)
        castle_rights = saved_rights
        unmake_move(move, previous_ep)
    move_top = start
    return total


def divide(depth):
    global move_top, castle_rights
    start = move_top
    generate_moves(ALL_MOVES, side_to_move)
    end = move_top
    total = 0
    for i in range(start, end):
        move = move_stack[i]
        saved_rights = castle_rights
        _, previous_ep = make_move(move)
        nodes = perft(depth - 1)
        castle_rights = saved_rights
        unmake_move(move, previous_ep)
        out("%s: %d\n" % (format_move(move), nodes))
        total += nodes
    move_top = start
    out("%d\n" % total)


def main(argv):
    global think_depth, move_top
    sys.setrecursionlimit(10000)
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    command, number = argv[1], int(argv[2])
    fen = " ".join(argv[3:]) or START_FEN
    if command == "play":
        think_depth = number
        status = console_main(InputReader())
        flush()
        return status
    setup_fen(fen)
    if command == "perft":
        out("%d\n" % perft(number))
    elif command == "divide":
        divide(number)
    elif command == "gen":
        move_top = 0
        count = generate_moves(number, side_to_move)
        out("count %d\n" % count)
        for i in range(move_top):
            out("%s %08x\n" % (format_move(move_stack[i]), move_stack[i]))
    elif command == "think":
        think_depth = number
        think()
    else:
        sys.stderr.write(__doc__)
        return 2
    flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
