// book: what a book file holds, and the hint it keeps for one position.  The
// file is only read: a tool that looks must never change what it looks at.
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "game/game.h"
#include "tools/tool.h"

namespace {

const char* const USAGE = "usage: orvane-tool book FILE [--position FEN|startpos]\n";

// Whether an entry is as clear_book_table leaves it.
bool is_cleared(const book_entry& entry) {
    const move& m = entry.best_move;
    return m.from_file == -1 && m.from_rank == 0 && m.to_file == 0 && m.to_rank == 0 && m.promotion == 0 &&
           m.capture_value == 0 && m.spare[0] == 0 && m.spare[1] == 0 && m.score == 0 && entry.depth == 0 &&
           entry.side == 0 && entry.reserved == 0;
}

const char* side_name(int side) { return side == WHITE ? "white" : side == BLACK ? "black" : "no side"; }

// The stored move in coordinates ("e2e4", "e7e8r"); a hand-made file may
// hold squares off the board, which are shown as numbers.
void print_hint_move(const move& m) {
    if (!on_board(m.from_file, m.from_rank) || !on_board(m.to_file, m.to_rank)) {
        std::printf("squares off the board (%d,%d to %d,%d)", m.from_file, m.from_rank, m.to_file, m.to_rank);
        return;
    }
    std::printf("%c%c%c%c", 'a' + m.from_file, '1' + m.from_rank, 'a' + m.to_file, '1' + m.to_rank);
    switch (m.promotion) {
        case QUEEN: std::putchar('q'); break;
        case ROOK: std::putchar('r'); break;
        case BISHOP: std::putchar('b'); break;
        case KNIGHT: std::putchar('n'); break;
        default: break;
    }
}

}  // namespace

int tool_book(int argc, char** argv) {
    if (argc < 1 || (argc != 1 && argc != 3) || (argc == 3 && std::strcmp(argv[1], "--position") != 0)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const char* name = argv[0];
    const char* position_text = argc == 3 ? argv[2] : nullptr;
    const char* why = read_book_file(name);
    if (why != nullptr) {
        std::fprintf(stderr, "book: cannot read %s: %s\n", name, why);
        return 1;
    }
    int used = 0, book_made = 0;
    for (const book_entry& entry : book_table) {
        if (is_cleared(entry)) continue;
        ++used;
        if (entry.depth == BOOK_MADE_DEPTH) ++book_made;
    }
    std::printf("book %s, version %d\n", name, BOOK_VERSION);
    std::printf("entries used: %d of %d\n", used, BOOK_SLOTS);
    std::printf("book-made entries (depth %d): %d\n", BOOK_MADE_DEPTH, book_made);
    std::printf("finished games: %d\n", game_count);
    if (position_text == nullptr) return 0;
    if (!tool_set_position(position_text)) {
        std::fprintf(stderr, "book: cannot read the position '%s'\n", position_text);
        return 2;
    }
    const int slot = static_cast<int>(position_key(game_position) & 0xFFFF);
    const book_entry& entry = book_table[slot];
    std::printf("position: %s, %s to move\n", position_text, side_name(side_to_move));
    std::printf("slot: %d\n", slot);
    if (is_cleared(entry)) {
        std::printf("hint: none (the slot is empty)\n");
        return 0;
    }
    std::printf("hint: ");
    print_hint_move(entry.best_move);
    std::printf(", depth %d%s, stored for %s, %s\n", entry.depth, entry.depth == BOOK_MADE_DEPTH ? " (book-made)" : "",
                side_name(entry.side),
                entry.side == side_to_move ? "the side to move" : "not the side to move (the search ignores it here)");
    return 0;
}
