// Orvane: the program is its start-up sequence and main loop, in the
// protocol the first word of standard input chooses.  The only arguments it
// takes are --help and --version (or -h and -v), answered before start-up
// touches any file; without arguments it starts as it always has.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "io/io.h"

namespace {
void print_usage(FILE* stream) {
    std::fprintf(stream,
                 "usage: orvane [-h | --help | -v | --version]\n"
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
                 "Two engines play in it:\n"
                 "  Strong   a principal-variation search with a hash table and a tuned\n"
                 "           evaluation: the default under UCI and under xboard after\n"
                 "           \"protover 2\", and every level's (elo N, UCI_Elo)\n"
                 "  Classic  the engine as it always was, exact to its search trees: the\n"
                 "           default at the console and in xboard's old command subset\n"
                 "Choose with the Search option (setoption name Search value Classic;\n"
                 "option Search=Strong) or, at the console and in orvane.ini, with the\n"
                 "words \"strongsearch\" and \"classicsearch\".\n"
                 "\n"
                 "It keeps book.dat (its learning book), orvane.log, board.txt and\n"
                 "orvane.ini (optional start-up commands) in the current directory: give it\n"
                 "a folder of its own, DIR below.\n"
                 "  xboard -fcp orvane -fd DIR\n"
                 "  cutechess-cli -engine cmd=orvane dir=DIR proto=uci ...\n"
                 "\n"
                 "Options:\n"
                 "  -h, --help     print this text and exit\n"
                 "  -v, --version  print the name and version and exit\n"
                 "\n"
                 "See orvane(6) for the commands, the engine options and the clock.\n",
                 BANNER);
}

bool is_help(const char* argument) { return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0; }

bool is_version(const char* argument) {
    return std::strcmp(argument, "--version") == 0 || std::strcmp(argument, "-v") == 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) return run_program();
    if (argc == 2 && is_help(argv[1])) {
        print_usage(stdout);
        return 0;
    }
    if (argc == 2 && is_version(argv[1])) {
        std::printf("%s\n", BANNER);
        return 0;
    }
    // The first argument that is not a lone help or version option.
    const bool first_known = is_help(argv[1]) || is_version(argv[1]);
    std::fprintf(stderr, "orvane: unexpected argument '%s'\n", argv[first_known ? 2 : 1]);
    print_usage(stderr);
    return 2;
}
