// What the fast move generators share: pushing, pins, king steps, pawn sets
// and pawn moves. Private to their files; the plain generator, which they
// are held to, does not include it.
//
// Every generator must produce the plain generator's list and figure: the
// same moves in the same order (slots in order, steps in list order, the
// nearest square first), and the same count of legal moves plus contacts.
#pragma once

#include <initializer_list>

#include "position/bitboards.hpp"

constexpr Bitboard FILE_A = 0x0101010101010101ull, FILE_H = FILE_A << 7;
constexpr Bitboard RANK_2 = 0xFFull << 8, RANK_3 = 0xFFull << 16;
constexpr Bitboard RANK_6 = 0xFFull << 40, RANK_7 = 0xFFull << 48;

// Ranks as a side sees them: its pawns' first single steps land on the
// third, and they promote from the seventh.
constexpr Bitboard third_rank(int side) { return side == WHITE ? RANK_3 : RANK_6; }
constexpr Bitboard seventh_rank(int side) { return side == WHITE ? RANK_7 : RANK_2; }

// A set moved by STEP in its own numbering, where a rank is 8 and a file 1.
// What leaves the first or last rank falls off; a step across a file can
// wrap onto the other edge's file, so its callers mask that file out.
template <int STEP>
constexpr Bitboard shifted(Bitboard b) {
  return STEP > 0 ? b << STEP : b >> -STEP;
}
constexpr int pawn_step64(int side) { return side == WHITE ? 8 : -8; }

// The squares a side's pawns attack towards the h-file and the a-file.
template <int SIDE>
constexpr Bitboard pawn_attacks_h(Bitboard pawns) {
  return shifted<pawn_step64(SIDE) + 1>(pawns) & ~FILE_A;
}
template <int SIDE>
constexpr Bitboard pawn_attacks_a(Bitboard pawns) {
  return shifted<pawn_step64(SIDE) - 1>(pawns) & ~FILE_H;
}
template <int SIDE>
constexpr Bitboard pawn_attacks(Bitboard pawns) {
  return pawn_attacks_h<SIDE>(pawns) | pawn_attacks_a<SIDE>(pawns);
}

// push_move for a target whose occupant is already known.
inline void push_known(int from, int to, int occupant, int promotion = 0) {
  Move m = make_move_word(from, to, promotion, occupant);
  if (move_top < move_limit)
    *move_top++ = m;
  else
    dropped_moves++;
}

inline void push_promotions(int from, int to, int occupant) {
  for (int promotion : promotion_types) push_known(from, to, occupant, promotion);
}

// The view of the position that every fast generator starts from.
struct Sides {
  int side, enemy;
  int king;  // the side's king, 64 index
  Bitboard occupied, own;
  Bitboard capturable;  // enemy pieces other than the king: a king is never taken
  Bitboard pinned;      // own pieces alone between the king and an enemy line piece

  explicit Sides(int s)
      : side(s),
        enemy(1 - s),
        king(index64(board[king_slot(s)])),
        occupied(occupied_by[WHITE] | occupied_by[BLACK]),
        own(occupied_by[s]),
        capturable(occupied_by[1 - s] & ~pieces_of[1 - s][KING]),
        pinned(0) {
    const Bitboard* e = pieces_of[enemy];
    Bitboard snipers = (orthogonal_lines[king] & (e[ROOK] | e[QUEEN])) |
                       (diagonal_lines[king] & (e[BISHOP] | e[QUEEN]));
    for (; snipers; snipers &= snipers - 1) {
      Bitboard blockers = between[king][lowest(snipers)] & occupied;
      if (blockers && single(blockers)) pinned |= blockers;
    }
    pinned &= own;
  }
  // A pinned piece may move only along the line through it and its king.
  Bitboard pin_line(int index) const { return line_through[king][index]; }
  // Where a piece may move as far as pins go: its pin line, or anywhere.
  Bitboard allowed(int index) const {
    return (pinned & bit64(index)) ? pin_line(index) : ~Bitboard(0);
  }
};

// The king's legal steps to `among` (all by default), quiet or capturing:
// squares attacked by nothing once the king has left its own (lines through
// it open behind it). The piece a king takes attacks nothing on its own
// square, so the attack sets of the enemy's pawns, knights and king may
// include it.
// (It takes the view's fields one by one: where it is not inlined, a view
// passed by reference would have to live in memory in every caller.)
inline Bitboard king_steps_among(int king, int enemy, Bitboard own, Bitboard occupied,
                                 Bitboard among) {
  const Bitboard* e = pieces_of[enemy];
  Bitboard candidates = king_targets[king] & ~own & ~e[KING] & among;
  if (!candidates) return 0;
  Bitboard pawns = e[PAWN];
  Bitboard attacked = enemy == WHITE ? pawn_attacks<WHITE>(pawns) : pawn_attacks<BLACK>(pawns);
  attacked |= king_targets[index64(board[king_slot(enemy)])];
  for (Bitboard b = e[KNIGHT]; b; b &= b - 1) attacked |= knight_targets[lowest(b)];
  Bitboard orthogonal = e[ROOK] | e[QUEEN], diagonal = e[BISHOP] | e[QUEEN];
  Bitboard lifted = occupied ^ bit64(king);
  Bitboard legal = 0;
  for (Bitboard c = candidates & ~attacked; c; c &= c - 1) {
    int t = lowest(c);
    if ((orthogonal_lines[t] & orthogonal) && (orthogonal_reach(t, lifted) & orthogonal)) continue;
    if ((diagonal_lines[t] & diagonal) && (diagonal_reach(t, lifted) & diagonal)) continue;
    legal |= c & (0 - c);
  }
  return legal;
}
inline Bitboard legal_king_steps(const Sides& s, Bitboard among = ~Bitboard(0)) {
  return king_steps_among(s.king, s.enemy, s.own, s.occupied, among);
}

// What a line piece on `index` reaches among `targets`: along diagonals if
// it is in `diagonal`, along ranks and files if in `orthogonal` (a queen is
// in both); each reach is looked up only when a target lies on its lines.
inline Bitboard line_piece_targets(int index, Bitboard diagonal, Bitboard orthogonal,
                                   Bitboard targets, Bitboard occupied) {
  Bitboard reached = 0;
  if ((diagonal & bit64(index)) && (diagonal_lines[index] & targets))
    reached = diagonal_reach(index, occupied) & targets;
  if ((orthogonal & bit64(index)) && (orthogonal_lines[index] & targets))
    reached |= orthogonal_reach(index, occupied) & targets;
  return reached;
}

// The pieces giving check to the side of `s`.
inline Bitboard checkers_of(const Sides& s) {
  const Bitboard* e = pieces_of[s.enemy];
  return (knight_targets[s.king] & e[KNIGHT]) | (pawn_attackers[s.enemy][s.king] & e[PAWN]) |
         (orthogonal_reach(s.king, s.occupied) & (e[ROOK] | e[QUEEN])) |
         (diagonal_reach(s.king, s.occupied) & (e[BISHOP] | e[QUEEN]));
}

// Legal moves plus contacts of a piece that is not pinned, from the squares
// it reaches: empty ones are moves, occupied ones contacts, and enemies
// other than the king both.
inline int reach_figure(Bitboard reach, const Sides& s) {
  return popcount(reach) + popcount(reach & s.capturable);
}

// The same for a pinned piece. Along its pin line it moves as usual. Off it
// every first step is illegal: an empty first square gives that ray up, an
// occupied one is still a contact. `first_steps` are the squares a first
// step reaches (the neighbours for a slider, all targets for a knight).
inline int pinned_figure(Bitboard reach, Bitboard line, Bitboard first_steps,
                         Bitboard capturable, Bitboard occupied) {
  Bitboard along = reach & line;
  return popcount(along) + popcount(along & capturable) +
         popcount(reach & ~line & first_steps & occupied);
}

// The direction of each king step, by table, for the steps from SOUTH_WEST
// to NORTH_EAST.
struct StepDirections {
  int8_t of[NORTH_EAST - SOUTH_WEST + 1];
  constexpr StepDirections() : of() {
    for (int step = SOUTH_WEST; step <= NORTH_EAST; step++)
      of[step - SOUTH_WEST] = int8_t(direction_of(step));
  }
  constexpr int operator[](int step) const { return of[step - SOUTH_WEST]; }
};
inline constexpr StepDirections step_directions;

// The first of `targets`, squares a piece of `type` on `from` reaches, in
// the order its moves are listed: by its step list, and for a slider each
// ray holding at most one of them.
inline int first_target(int from, int type, Bitboard targets) {
  if (!single(targets)) {
    for (const int8_t* s = piece_directions[type]; *s; s++) {
      if (type & SLIDER) {
        Bitboard r = ray[step_directions[*s]][index64(from)] & targets;
        if (r) return square88(lowest(r));
      } else if (on_board(from + *s) && (targets & bit(from + *s))) {
        return from + *s;
      }
    }
  }
  return square88(lowest(targets));
}

// Pushes the moves to `targets`, squares a knight or king reaches, in the
// order of its step list.
inline void push_steps_in_order(int from, int type, Bitboard targets) {
  if (!targets) return;
  if (single(targets)) {
    int t = square88(lowest(targets));
    push_known(from, t, board[t]);
    return;
  }
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    int t = from + *s;
    if (on_board(t) && (targets & bit(t))) push_known(from, t, board[t]);
  }
}

// The same for a slider whose rays each hold at most one target (its first
// piece, or the one square of a ray that answers a check).
inline void push_rays_in_order(int from, int type, Bitboard targets) {
  if (single(targets)) {
    int t = square88(lowest(targets));
    push_known(from, t, board[t]);
    return;
  }
  int index = index64(from);
  for (const int8_t* s = piece_directions[type]; *s; s++) {
    if (Bitboard r = ray[step_directions[*s]][index] & targets) {
      int t = square88(lowest(r));
      push_known(from, t, board[t]);
    }
  }
}

// Pawns beside a pawn that can be taken en passant.
inline Bitboard pawns_beside_en_passant(const Sides& s) {
  if (ep_slot == 0 || slot_side(ep_slot) == s.side) return 0;
  Bitboard e = bit(board[ep_slot]);
  return pieces_of[s.side][PAWN] & ((shifted<1>(e) & ~FILE_A) | (shifted<-1>(e) & ~FILE_H));
}

// Pawns whose moves are not counted from shifted sets: the pinned ones,
// and those that may take en passant (that capture asks move_is_legal).
inline Bitboard pawns_counted_one_by_one(const Sides& s) {
  return (pieces_of[s.side][PAWN] & s.pinned) | pawns_beside_en_passant(s);
}

// The moves of the other pawns, all together: shifted sets.
struct PawnSteps {
  Bitboard single_steps, double_steps;
  Bitboard contacts_h, contacts_a;  // occupied capture squares, towards the h- and a-file
  Bitboard captures_h, captures_a;  // those that may be taken
  // Their share of the figure: each step and capture a move, each occupied
  // capture square a contact.
  int figure() const {
    return popcount(single_steps) + popcount(double_steps) + popcount(contacts_h) +
           popcount(contacts_a) + popcount(captures_h) + popcount(captures_a);
  }
  int contacts() const { return popcount(contacts_h) + popcount(contacts_a); }
  // The same pawns when only moves to `targets` are legal; their contacts stay.
  PawnSteps only_to(Bitboard targets) const {
    return {single_steps & targets, double_steps & targets, contacts_h,
            contacts_a,             captures_h & targets,   captures_a & targets};
  }
};

template <int SIDE>
PawnSteps pawn_steps(Bitboard pawns, const Sides& s) {
  constexpr int UP = pawn_step64(SIDE);
  Bitboard empty = ~s.occupied;
  PawnSteps p;
  p.single_steps = shifted<UP>(pawns) & empty;
  p.double_steps = shifted<UP>(p.single_steps & third_rank(SIDE)) & empty;
  p.contacts_h = pawn_attacks_h<SIDE>(pawns) & s.occupied;
  p.contacts_a = pawn_attacks_a<SIDE>(pawns) & s.occupied;
  p.captures_h = p.contacts_h & s.capturable;
  p.captures_a = p.contacts_a & s.capturable;
  return p;
}

// What a pawn's moves push: nothing (counting only), what the capture mode
// pushes (promotions and en passant), or everything.
enum PawnPushes { PUSH_NONE, PUSH_CAPTURE_MODE, PUSH_ALL };

// Pushes a pawn's legal move as `P` says: onto the last rank as its four
// promotions (the capture mode's too), else as itself in the all-moves mode.
template <PawnPushes P>
inline void push_pawn(int from, int to, int occupant, bool promotes) {
  if (promotes) {
    if (P != PUSH_NONE) push_promotions(from, to, occupant);
  } else if (P == PUSH_ALL) {
    push_known(from, to, occupant);
  }
}

// A pawn's legal moves, pushed as `P` says; returns its share of the figure,
// its legal moves and contacts. `allowed` holds the to-squares where its
// moves are legal: everywhere, its pin line, or the squares that answer a
// check. En passant, rare and subtle (it takes a pawn off another square),
// asks move_is_legal.
template <PawnPushes P>
int pawn_moves(int from, int side, Bitboard allowed) {
  int count = 0;
  int fwd = side == WHITE ? NORTH : SOUTH;
  int ahead = from + fwd;
  bool last_rank = is_promotion_square(ahead);
  if (board[ahead] == NO_PIECE) {
    int start_rank = pawn_start_rank(side);
    if (rank_start(from) == start_rank && board[ahead + fwd] == NO_PIECE &&
        (allowed & bit(ahead + fwd))) {
      count++;
      if (P == PUSH_ALL) push_known(from, ahead + fwd, 0);
    }
    if (allowed & bit(ahead)) {
      count++;
      push_pawn<P>(from, ahead, 0, last_rank);
    }
  }
  for (int t : {ahead + EAST, ahead + WEST}) {
    if (!on_board(t)) continue;
    int occupant = board[t];
    if (occupant == NO_PIECE) continue;
    count++;  // a contact
    if (slot_side(occupant) == side || is_king_slot(occupant) || !(allowed & bit(t))) continue;
    count++;
    push_pawn<P>(from, t, occupant, last_rank);
  }
  if (ep_slot != 0) {
    int e = board[ep_slot];
    if ((e == from + EAST || e == from + WEST) && slot_side(ep_slot) != side &&
        board[e + fwd] == NO_PIECE && move_is_legal(make_move_word(from, e + fwd))) {
      count++;
      if (P != PUSH_NONE) push_known(from, e + fwd, 0);
    }
  }
  return count;
}

// Pieces with moves to push, each under the bit of its slot's place among
// its side's sixteen, so that they come out in slot order whatever order
// they were found in.
struct SlotOrder {
  Bitboard targets[SLOTS_PER_SIDE];
  unsigned order = 0;

  // Slots 8..15 and 24..31 (72.. for Black) are places 0..15.
  static int place_of(int slot) { return (slot & 7) | ((slot >> 1) & 8); }
  static int slot_at(int place, int side) {
    return (place & 7) | WHITE_KING_SLOT | ((place & 8) << 1) | BLACK_SLOT_BIT * side;
  }

  void note(int index, Bitboard t) {
    int n = place_of(board[square88(index)]);
    targets[n] = t;
    order |= 1u << n;
  }
  // A pawn's noted targets are the squares its moves may reach, pushed as
  // `P` says; any other piece's are its moves.
  template <PawnPushes P>
  void push(int side) const {
    for (unsigned rest = order; rest; rest &= rest - 1) {
      int n = std::countr_zero(rest);
      int slot = slot_at(n, side);
      int from = board[slot];
      int type = board[slot + TYPE_OFFSET];
      if (type == PAWN) {
        pawn_moves<P>(from, side, targets[n]);
      } else if (type & SLIDER) {
        push_rays_in_order(from, type, targets[n]);
      } else {
        push_steps_in_order(from, type, targets[n]);
      }
    }
  }
};

// The moves of a side in check, in either mode (generate_moves' case when
// in_check is set).
int generate_evasions(int mode, int side);

// Chess960's castling for the fast generators (movegen_chess960.cpp), apart
// from the common path: the moves pushed for a side not in check with the
// given occupancy, and whether a castling word is one of them.
void push_chess960_castling(int side, Bitboard occupied);
bool chess960_castling_is_generated(Move move, int side);
