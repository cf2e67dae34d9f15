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
                 "%s: a chess engine that plays at the console or under xboard.\n"
                 "It reads commands and moves (e2e4, e7e8q) from standard input; type \"quit\"\n"
                 "to end.  It keeps book.dat (its learning book), orvane.log, board.txt and\n"
                 "orvane.ini (optional start-up commands) in the current directory.\n"
                 "\n"
                 "From xboard, with a folder of its own for those files:\n"
                 "  xboard -fcp orvane -fd DIR\n"
                 "\n"
                 "Options:\n"
                 "  --help     print this text and exit\n"
                 "  --version  print the name and version and exit\n",
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
