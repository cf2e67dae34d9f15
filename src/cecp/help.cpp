// "help": the console's words, a line each, for a person at the console.
#include "cecp/cecp.h"
#include "io/io.h"

namespace {
const char* const HELP_LINES[] = {
    "Moves: coordinates (e2e4, e7e8q) or SAN (e4, Nf3, exd5, O-O, e8=Q). Words:",
    "  new                    start a new game",
    "  go                     the engine moves for the side to move",
    "  force, twoplayers      the engine stops answering moves; you play both sides",
    "  hint                   suggest a move for the side to move (the game is not touched)",
    "  elo N                  play at a level of N Elo (1200 to 2100), with the strong search",
    "  fullstrength           play at full strength again",
    "  strongsearch           the strong search plays from now on",
    "  classicsearch          the classic search plays again (the console's default)",
    "  hash N                 the strong search's table, N MB (1 to 1024)",
    "  threads N              the strong search's threads, 1 to 64 (a level and the classic search use one)",
    "  syzygypath PATH        Syzygy endgame tables for the strong search (folders split by ':'; <empty>: none)",
    "  level M T I            M moves per T minutes (or m:ss), I seconds increment",
    "  depth N, ply N         depth limit, 1 to 64",
    "  levelmode N            0 fixed depth, 1 clock, 2 and 3 clock with a depth cap",
    "  noclocks               fixed-depth search, no clock",
    "  levellock              lock depth, ply, level, levelmode, noclocks, bookon, bookoff",
    "  draw                   offer a draw",
    "  advancelevel N         evaluation variant 0 to 3",
    "  emotion N              tie-break: N > 0 prefers fewer men on the board, N < 0 more",
    "  donullmove, docutting  switch on null-move search, move-count cutting",
    "  advancedsearchingon, advancedsearchingoff   extend lines of captures and promotions",
    "  bookon, bookoff        read book.dat at start-up",
    "  bookmake FILE          learn the winner's moves of a game file or a PGN file",
    "  lognodes               log the node count after each engine move",
    "  display, reverse       draw the board, turn it round",
    "  soundon, soundoff      bell after each engine move",
    "  sanon, sanoff          also show the engine's moves in SAN",
    "  pgn                    print the game so far as PGN",
    "  savepgn FILE           append the game so far to FILE as PGN",
    "  save, load             write / read the position to / from board.txt",
    "  undo, remove           take back one or two half-moves",
    "  setboard FEN           play on from a position",
    "  variant fischerandom|normal   Chess960 or standard chess until new (a game under way keeps its kind)",
    "  post, nopost           xboard's thinking lines on or off (none at the console)",
    "  analyze, exit          think about the position (a line per depth) until ?; exit leaves it",
    "  xboard                 a GUI speaks the xboard protocol from here on",
    "  protover N             answer a GUI's handshake",
    "  help                   this list",
    "  quit                   save the book and end",
};
}  // namespace

void print_console_help() {
    for (const char* line : HELP_LINES) print_line(line);
}
