// Front ends: square and move text, the board display, the console mode
// (the program's start), the xboard protocol mode, and the UCI front end of
// the program beside the engine.
#pragma once

#include <string_view>
#include <vector>

#include "position/position.hpp"

extern const char piece_letters[9];  // ".PNK.BRQ", indexed by piece type
extern char move_text[6];            // the last move formatted

// Reads "e2e4", "e2-e4", "e2xe4", optionally followed by a promotion letter
// q, r, b or n; anything after that is ignored. Sets from, to and promotion
// type (0 without a letter). Returns 1 on success, 0 on a syntax error.
int parse_move(const char* text, Move& move);
// Writes the move as from- and to-square, plus a promotion letter, into
// move_text and returns it.
const char* format_move(Move move);
// Prints the board as eight lines, rank 8 first; Black in lower case.
void print_board();
// The legal move of the side to move that move text (as parse_move reads
// it) names: 1 with `move` set, 0 when it names no legal move, -1 when it
// is no move text. Uses the move stack from its bottom and empties it.
int read_move(const char* text, Move& move);

// The console: banner, board, "> " prompt, command words and moves.
int console_main();
// The xboard protocol mode; returns 0 when standard input ends.
int xboard_loop();

// The UCI protocol, one line of input (its line end optional): the replies
// go to standard output, each line flushed. A "go" searches before it
// returns; the bestmove of "go infinite" waits for "stop", and that of
// "go ponder" for "stop" or "ponderhit". Returns 0 after "quit", 1
// otherwise. A host with a reader thread may meanwhile end the running
// search with stop_conditions.requested (search/search.hpp), and call
// uci_ponderhit.
int uci_command(const char* line);
// The words of a UCI line, as uci_command splits it.
std::vector<std::string_view> uci_words(std::string_view line);
// The ponderhit of the go numbered go_number (the go lines counted from 1
// as uci_command gets them): that go, when it is a ponder search running or
// still to come, becomes the timed search its go describes, its clock
// starting now (or when it starts). Safe from any thread.
void uci_ponderhit(long long go_number);
