// quorlix-tool: perft and divide for the move generator, bench for the
// search, and shallow think/play modes for comparing against a reference.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/frontend.hpp"
#include "search/search.hpp"

namespace {

constexpr int EXIT_USAGE = 2;

const char usage[] =
    "usage: quorlix-tool perft DEPTH [FEN]    leaf count of the legal-move tree\n"
    "       quorlix-tool divide DEPTH [FEN]   the same per root move\n"
    "       quorlix-tool bench [N]            nodes and speed over fixed positions (or the Nth)\n"
    "       quorlix-tool gen MODE [FEN]       the generated list (255 all, 0 captures)\n"
    "       quorlix-tool think DEPTH [FEN]    the engine's output for one move at DEPTH\n"
    "       quorlix-tool play DEPTH           the console game with the engine at DEPTH\n"
    "       quorlix-tool --help               this text\n"
    "A FEN whose castling standard chess cannot have is read as Chess960's, in\n"
    "Shredder-FEN (HAha) or X-FEN (KQkq); its castling is written as the king\n"
    "taking its rook.\n";

[[noreturn]] void fail(const char* what) {
  fprintf(stderr, "quorlix-tool: %s\n", what);
  exit(EXIT_USAGE);
}

int read_number(const char* text, const char* what, int min, int max) {
  char* end;
  long number = strtol(text, &end, 10);
  if (!*text || *end || number < min || number > max) {
    static char message[80];
    snprintf(message, sizeof message, "%s must be a number from %d to %d", what, min, max);
    fail(message);
  }
  return int(number);
}

// The FEN in the arguments from `first` on, or the start position; either
// way through setup_fen, which also clears what a search leaves behind. A
// FEN that standard chess cannot castle in is read as Chess960's.
void setup_from_args(int argc, char** argv, int first) {
  std::string fen = first < argc ? "" : "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  for (int i = first; i < argc; i++) fen += std::string(i > first ? " " : "") + argv[i];
  const char *error, *chess960_error;
  if (!setup_fen(fen.c_str(), &error) && !setup_chess960_fen(fen.c_str(), &chess960_error))
    fail((std::string("bad FEN: ") + error).c_str());
}

int run_perft(int argc, char** argv, bool divide) {
  if (argc < 3) fail(divide ? "usage: quorlix-tool divide DEPTH [FEN]" : "usage: quorlix-tool perft DEPTH [FEN]");
  int depth = read_number(argv[2], "depth", 0, 20);
  setup_from_args(argc, argv, 3);
  long long total = 0;
  if (divide && depth > 0) {
    move_top = move_stack;
    generate_moves(ALL_MOVES, side_to_move);
    Move* end = move_top;
    for (Move* p = move_stack; p < end; p++) {
      int saved_rights = castle_rights, previous_ep;
      make_move(*p, previous_ep);
      long long leaves = perft(depth - 1);
      castle_rights = saved_rights;
      unmake_move(*p, previous_ep);
      if (leaves < 0) {
        total = -1;
        break;
      }
      printf("%s: %lld\n", format_move(*p), leaves);
      total += leaves;
    }
  } else {
    total = perft(depth);
  }
  if (total < 0) fail("the tree's move lists do not fit the move stack");
  printf("%lld\n", total);
  return 0;
}

// Openings, quiet and tactical middlegames, endgames, a side in check and
// pawns about to promote. Changing this list changes bench's signature.
const char* const bench_positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "r1bqk2r/ppp2ppp/2n2n2/3pp3/1bPP4/2N1PN2/PP3PPP/R1BQKB1R w KQkq - 0 5",
    "rnbqk1nr/pppp1ppp/8/4p3/1b1PP3/8/PPP2PPP/RNBQKBNR w KQkq - 1 3",
    "2kr3r/ppp2ppp/2n1b3/2b1p3/4P3/2N1BN2/PPP2PPP/2KR1B1R w - - 4 11",
    "3r1rk1/p4ppp/1pn1p3/2p5/2P1P3/P1N1B3/1P3PPP/3R1RK1 w - - 0 18",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "4r1k1/pp3ppp/8/3b4/8/1P3N2/P4PPP/3R2K1 b - - 0 24",
    "2r3k1/5ppp/p3p3/1p6/3b4/1P3P2/P4KPP/2R5 w - - 0 30",
    "r3k3/8/8/8/8/8/8/R3K2r w Qq - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r5k1/5ppp/8/8/8/8/5PPP/1R4K1 w - - 0 1",
    "6k1/pp3ppp/8/8/8/8/PP3PPP/6K1 w - - 0 1",
    "8/5pk1/6p1/7p/P6P/6P1/5PK1/8 w - - 0 40",
    "8/8/3k4/3p4/3P4/3K4/8/8 w - - 0 1",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/4k3/8/2p5/8/B2P4/4K3 w - - 0 1",
    "5k2/8/8/3N4/8/8/8/4KB2 w - - 0 1",
    "8/1k6/8/8/8/8/6K1/4R3 w - - 0 1",
    "8/5k2/8/8/8/8/1q6/4K3 b - - 0 1",
    "8/8/8/3k4/8/8/2K5/5q2 w - - 0 1",
    "8/P5k1/8/8/8/8/6K1/8 w - - 0 1",
    "3r2k1/1P3ppp/8/8/8/8/5PPP/6K1 w - - 0 1",
};

// All positions, or only the one numbered `only` (for profiling one).
int run_bench(int argc, char** argv) {
  constexpr int count = int(sizeof bench_positions / sizeof *bench_positions);
  int only = argc > 2 ? read_number(argv[2], "position", 1, count) : 0;
  think_prints = false;
  long long total = 0;
  auto begin = std::chrono::steady_clock::now();
  for (int index = 1; index <= count; index++) {
    if (only && index != only) continue;
    const char* error;
    if (!setup_fen(bench_positions[index - 1], &error)) fail(error);
    think();
    total += node_count;
    printf("%2d nodes %d move %s\n", index, node_count,
           pv_line.length ? format_move(pv_line.moves[0]) : "none");
    fflush(stdout);
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - begin).count();
  printf("nodes %lld time_ms %lld nps %lld\n", total, (long long)ms,
         ms > 0 ? total * 1000 / ms : total * 1000);
  return 0;
}

int run_gen(int argc, char** argv) {
  if (argc < 3) fail("usage: quorlix-tool gen MODE [FEN]");
  int mode = read_number(argv[2], "mode", 0, 255);
  setup_from_args(argc, argv, 3);
  move_top = move_stack;
  printf("count %d\n", generate_moves(mode, side_to_move));
  for (Move* p = move_stack; p < move_top; p++) printf("%s %08x\n", format_move(*p), *p);
  return 0;
}

int run_think(int argc, char** argv) {
  if (argc < 3) fail("usage: quorlix-tool think DEPTH [FEN]");
  int depth = read_number(argv[2], "depth", 1, 9);
  setup_from_args(argc, argv, 3);
  think_to(depth);
  return 0;
}

int run_play(int argc, char** argv) {
  if (argc != 3) fail("usage: quorlix-tool play DEPTH");
  think_depth = read_number(argv[2], "depth", 1, 9);
  return console_main();
}

}  // namespace

int main(int argc, char** argv) {
  const char* command = argc > 1 ? argv[1] : "";
  if (!strcmp(command, "perft")) return run_perft(argc, argv, false);
  if (!strcmp(command, "divide")) return run_perft(argc, argv, true);
  if (!strcmp(command, "bench")) return run_bench(argc, argv);
  if (!strcmp(command, "think")) return run_think(argc, argv);
  if (!strcmp(command, "gen")) return run_gen(argc, argv);
  if (!strcmp(command, "play")) return run_play(argc, argv);
  // Asked for, the usage is the answer; otherwise it explains a mistake.
  bool asked = !strcmp(command, "--help") || !strcmp(command, "-h") || !strcmp(command, "help");
  fputs(usage, asked ? stdout : stderr);
  return asked ? 0 : EXIT_USAGE;
}
