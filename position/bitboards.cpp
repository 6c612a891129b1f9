// The attack tables of the bitboards, built once at start-up.
//
// Every table comes from walking the steps of piece_directions over the 0x88
// numbering, so it says what a walk over the board says; the tests hold the
// slider tables to such walks on every square. Slider reach is a lookup by
// multiply-and-shift (bitboards.hpp): each square's multiplier sends every
// arrangement of blockers on its lines to a table entry of its own, or to
// one that holds the same reach.
#include "position/bitboards.hpp"

#include <initializer_list>

Bitboard pieces_of[2][8];
Bitboard occupied_by[2];
Bitboard ray[8][64];
Bitboard knight_targets[64];
Bitboard king_targets[64];
Bitboard pawn_attackers[2][64];
Bitboard orthogonal_lines[64];
Bitboard diagonal_lines[64];
Bitboard between[64][64];
Bitboard line_through[64][64];
Magic orthogonal_magic[64];
Magic diagonal_magic[64];

namespace {

// Multipliers found by trying sparse random numbers until every blocker
// arrangement of the square's mask lands on an index of its own (or shares
// one with an arrangement of the same reach). The reach tests compare every
// table entry with a walk along the rays, so a wrong one cannot go unseen.
constexpr Bitboard orthogonal_multipliers[64] = {
    0x1080004008801020ull, 0x0840092002c03000ull, 0x1900200010400900ull, 0x0880100008000480ull,
    0x4200100420080200ull, 0x8100020100080400ull, 0x0200040110886200ull, 0x0200008040220411ull,
    0x0404800084400220ull, 0x0000401000402000ull, 0x0086001081220440ull, 0x0408800800100280ull,
    0x000a001201040820ull, 0x8848800200840080ull, 0x4001000100040200ull, 0x0442000102105084ull,
    0x9080010020804100ull, 0x0040404000201009ull, 0x0000808010002009ull, 0x2200090021d00100ull,
    0x0008008008040080ull, 0x0004004002010040ull, 0x0011040008015042ull, 0x00000a0001768104ull,
    0x0000800080204009ull, 0x2010004140002001ull, 0x9800200280100080ull, 0x1000100080080080ull,
    0x0442000a00049020ull, 0x2100040080020080ull, 0x0800120400900148ull, 0x0010040a00128541ull,
    0x2800804000800030ull, 0x1010002000400041ull, 0x4000200011004100ull, 0x0610008410800800ull,
    0x0400802402800800ull, 0xc100020080800400ull, 0x0002000802000401ull, 0x0182085882000401ull,
    0x0220204000808000ull, 0x2860100040024022ull, 0x0001002004110040ull, 0x99101042000a0020ull,
    0x0004080004008080ull, 0x0010040002008080ull, 0x2012004881020004ull, 0x8300842444820011ull,
    0x0088403882010200ull, 0x0820400080210100ull, 0x0110910040a00300ull, 0x0801100280080480ull,
    0x0242009008200600ull, 0x1002000489500200ull, 0x0040800200010080ull, 0x0091800041000080ull,
    0x0000209300488001ull, 0x04c1002414824001ull, 0x020020000b001041ull, 0x7000100004200901ull,
    0x8002002004100802ull, 0x30010002084c0007ull, 0x0888221800813004ull, 0x4000002840840112ull,
};
constexpr Bitboard diagonal_multipliers[64] = {
    0xa010041108003100ull, 0x006082020a002900ull, 0x6810010619200000ull, 0x08281a0520000408ull,
    0x0001104001000400ull, 0x0018901008048400ull, 0x00040a0210245280ull, 0x000200210808a402ull,
    0x9140048410821200ull, 0x0800091010820041ull, 0x20504804832202c0ull, 0x0100091401081000ull,
    0x8021011140000012ull, 0x0810020804450400ull, 0x208b0542109008a2ull, 0x0080084a08040204ull,
    0x0040e2a80811244cull, 0x2505022008008108ull, 0x0430220100420040ull, 0x010a040420220040ull,
    0x1105000290400000ull, 0x0093001200822120ull, 0x4000a62048043004ull, 0x280120048a015004ull,
    0x006090002a020814ull, 0x44042000240800d0ull, 0x01102800040a4400ull, 0x1004080080220040ull,
    0x0001001011004024ull, 0x0010044000805040ull, 0x0914041200820100ull, 0x0004821012821480ull,
    0x0024040500c05021ull, 0x0088611002080200ull, 0x0116080a00040020ull, 0x4000020080080080ull,
    0x2450450140840040ull, 0x0000880201484100ull, 0x0222020404020092ull, 0x8081110600002e00ull,
    0x2842101105000801ull, 0x1100809008001025ull, 0x00020202221c0400ull, 0x0422014022009020ull,
    0x0210046102100c00ull, 0xc004008082029102ull, 0x00aa461801101200ull, 0x0404080080201108ull,
    0x020542108c205002ull, 0x0410544804100100ull, 0x0040910841100000ull, 0x0400200042021100ull,
    0x00004204850400c0ull, 0x0200100410a42102ull, 0x1040020801210102ull, 0x0805040410420000ull,
    0x2884804130100200ull, 0x800c262201242000ull, 0x1058000194108800ull, 0x0014221054420204ull,
    0x0104000012a02200ull, 0x0200881003300100ull, 0x0140400202840100ull, 0x0402020801010201ull,
};

// 2^(mask bits) entries per square: 10 to 12 bits for a rook's lines, 5 to
// 9 for a bishop's.
constexpr int ORTHOGONAL_ENTRIES = 102400;
constexpr int DIAGONAL_ENTRIES = 5248;
Bitboard orthogonal_table[ORTHOGONAL_ENTRIES];
Bitboard diagonal_table[DIAGONAL_ENTRIES];

int highest(Bitboard b) { return 63 - std::countl_zero(b); }

// Directions by their index in the king's step list.
constexpr bool step_is_positive(int d) { return piece_directions[KING][d] > 0; }
constexpr int opposite(int d) { return direction_of(-piece_directions[KING][d]); }

// The nearest and the farthest square of `squares`, a non-empty subset of
// the ray in direction d.
int nearest(int d, Bitboard squares) {
  return step_is_positive(d) ? lowest(squares) : highest(squares);
}
int farthest(int d, Bitboard squares) {
  return step_is_positive(d) ? highest(squares) : lowest(squares);
}

// Each diagonal (or orthogonal) ray up to and including its first piece, by
// walking the ray sets.
Bitboard walked_reach(int index, bool diagonal, Bitboard occupied) {
  Bitboard reach = 0;
  for (int d = 0; d < 8; d++) {
    if (diagonal_step(d) != diagonal) continue;
    Bitboard r = ray[d][index];
    if (Bitboard blockers = r & occupied) r ^= ray[d][nearest(d, blockers)];
    reach |= r;
  }
  return reach;
}

void build_magics(Magic* magics, const Bitboard* multipliers, Bitboard* table, bool diagonal) {
  Bitboard* next = table;
  for (int i = 0; i < 64; i++) {
    Bitboard mask = 0;
    for (int d = 0; d < 8; d++) {
      if (diagonal_step(d) != diagonal) continue;
      // A ray's last square has nothing behind it to block.
      Bitboard r = ray[d][i];
      if (r) r &= ~bit64(farthest(d, r));
      mask |= r;
    }
    Magic& m = magics[i];
    m = {mask, multipliers[i], next, 64 - popcount(mask)};
    Bitboard subset = 0;
    do {
      next[(subset * m.multiplier) >> m.shift] = walked_reach(i, diagonal, subset);
      subset = (subset - mask) & mask;
    } while (subset);
    next += Bitboard(1) << popcount(mask);
  }
}

struct TableBuilder {
  TableBuilder() {
    for (int i = 0; i < 64; i++) {
      int square = square88(i);
      for (int d = 0; d < 8; d++) {
        int step = piece_directions[KING][d];
        Bitboard passed = 0;
        for (int t = square + step; on_board(t); t += step) {
          between[i][index64(t)] = passed;
          passed |= bit(t);
        }
        ray[d][i] = passed;
        if (on_board(square + step)) king_targets[i] |= bit(square + step);
        (diagonal_step(d) ? diagonal_lines : orthogonal_lines)[i] |= passed;
      }
      for (const int8_t* s = piece_directions[KNIGHT]; *s; s++)
        if (on_board(square + *s)) knight_targets[i] |= bit(square + *s);
      // A pawn takes one step forward and one file aside, so it attacks
      // this square from one step back and one file aside.
      for (int side : {WHITE, BLACK})
        for (int aside : {WEST, EAST}) {
          int from = square - pawn_forward(side) + aside;
          if (on_board(from)) pawn_attackers[side][i] |= bit(from);
        }
    }
    for (int i = 0; i < 64; i++)
      for (int d = 0; d < 8; d++)
        for (Bitboard r = ray[d][i]; r; r &= r - 1)
          line_through[i][lowest(r)] = ray[d][i] | ray[opposite(d)][i] | bit64(i);
    build_magics(orthogonal_magic, orthogonal_multipliers, orthogonal_table, false);
    build_magics(diagonal_magic, diagonal_multipliers, diagonal_table, true);
  }
} const builder;

}  // namespace
