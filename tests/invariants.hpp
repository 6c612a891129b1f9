// Checks shared by the unit tests and the fuzz targets. Each returns what it
// found wrong, or null, so that either side can report it its own way.
#pragma once

#include <cstring>
#include <initializer_list>

#include "position/bitboards.hpp"

// Everything make_move and unmake_move (and generation) must hand back
// unchanged.
struct PositionSnapshot {
  uint8_t bytes[128];
  Bitboard pieces[2][8];
  Bitboard occupied[2];
  int totals[2];
  int side, rights, ep, check;
  Move* top;

  static PositionSnapshot take() {
    PositionSnapshot s;
    std::memcpy(s.bytes, board, sizeof board);
    std::memcpy(s.pieces, pieces_of, sizeof pieces_of);
    std::memcpy(s.occupied, occupied_by, sizeof occupied_by);
    s.totals[0] = piece_material[0];
    s.totals[1] = piece_material[1];
    s.side = side_to_move;
    s.rights = castle_rights;
    s.ep = ep_slot;
    s.check = in_check;
    s.top = move_top;
    return s;
  }
  bool board_equal() const { return std::memcmp(bytes, board, sizeof board) == 0; }
  // What differs from the position now, in_check apart (unmake_move clears
  // it); null when nothing does.
  const char* difference() const {
    if (!board_equal()) return "board";
    if (std::memcmp(pieces, pieces_of, sizeof pieces_of)) return "pieces_of";
    if (std::memcmp(occupied, occupied_by, sizeof occupied_by)) return "occupied_by";
    if (totals[0] != piece_material[0] || totals[1] != piece_material[1]) return "piece_material";
    if (side != side_to_move) return "side_to_move";
    if (rights != castle_rights) return "castle_rights";
    if (ep != ep_slot) return "ep_slot";
    if (top != move_top) return "move_top";
    return nullptr;
  }
};

// How the bitboards or the material totals fail to mirror the board; null
// when they mirror it.
inline const char* mirror_fault() {
  Bitboard pieces[2][8] = {};
  int totals[2] = {0, 0};
  for (int square = 0; square < 128; square++) {
    if (!on_board(square) || board[square] == NO_PIECE) continue;
    int slot = board[square];
    if (board[slot] != square) return "a square and its slot disagree";
    int type = board[slot + TYPE_OFFSET] & 7;
    pieces[slot_side(slot)][type] |= bit(square);
    if (!is_king_slot(slot)) totals[slot_side(slot)] += piece_value[type];
  }
  for (int side : {WHITE, BLACK}) {
    Bitboard all = 0;
    for (int type = 0; type < 8; type++) {
      if (pieces_of[side][type] != pieces[side][type]) return "pieces_of";
      all |= pieces[side][type];
    }
    if (occupied_by[side] != all) return "occupied_by";
    if (piece_material[side] != totals[side]) return "piece_material";
  }
  return nullptr;
}
