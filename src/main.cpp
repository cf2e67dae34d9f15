// Orvane: the program is its start-up sequence and main loop, in the
// protocol the first word of standard input chooses.  The only arguments it
// takes are --help and --version, answered before start-up touches any
// file; without arguments it starts as it always has.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "io/io.h"

namespace {
void print_usage(FILE* stream) {
    std::fprintf(stream,
                 "usage: orvane [--help | --version]\n"
                 "\n"
                 "%s: a chess engine for the console, xboard and UCI GUIs.\n"
                 "It reads commands and moves from standard input and answers on standard\n"
                 "output; \"quit\" or the end of the input ends it.  The first word it reads\n"
                 "chooses how it talks:\n"
                 "  uci     UCI, which a UCI GUI (Arena, cutechess-cli, polyglot, ...) sends\n"
                 "          first: add the program there as a UCI engine, nothing else to set\n"
                 "  xboard  the xboard protocol, which xboard sends first (protocol 2 after\n"
                 "          \"protover 2\")\n"
                 "  other   the console: the board is drawn after every move; moves are\n"
                 "          typed in coordinates (e2e4, e7e8q) or SAN (e4, Nf3, O-O)\n"
                 "\n"
                 "It keeps book.dat (its learning book), orvane.log, board.txt and\n"
                 "orvane.ini (optional start-up commands) in the current directory: give it\n"
                 "a folder of its own, DIR below.\n"
                 "  xboard -fcp orvane -fd DIR\n"
                 "  cutechess-cli -engine cmd=orvane dir=DIR proto=uci ...\n"
                 "\n"
                 "Options:\n"
                 "  --help     print this text and exit\n"
                 "  --version  print the name and version and exit\n"
                 "\n"
                 "See orvane(6) for the commands, the engine options and the clock.\n",
                 BANNER);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) return run_program();
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_usage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", BANNER);
        return 0;
    }
    // The first argument that is not a lone --help or --version.
    const bool first_known = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0;
    std::fprintf(stderr, "orvane: unexpected argument '%s'\n", argv[first_known ? 2 : 1]);
    print_usage(stderr);
    return 2;
}
