// The search's side of the learning book: the ordering bonus of the stored
// move (probe) and the replacement rule for a new best move (store).
#include "book/book.h"

book_entry& book_slot(const position& pos) { return book_table[position_key(pos) & 0xFFFF]; }

void book_probe(const book_entry& entry, move_list& list) {
    // An entry stored for the other side, or a cleared one, says nothing here.
    if (entry.side != side_to_move || entry.depth == 0) return;
    const move& hint = entry.best_move;
    for (int i = 0; i < list.count; ++i) {
        move& m = list.moves[i];
        if (same_move(m, hint)) {
            m.capture_value = static_cast<uint8_t>(m.capture_value + BOOK_ORDERING_BONUS);
            return;
        }
    }
}

void book_store(book_entry& entry, const move& m, int depth) {
    // Only a move searched at least as deep that scores at least as well
    // replaces the entry; nodes below depth 0 (the capture extension) never
    // store, and book-made entries (depth 3000) outlast every search.
    if (depth < static_cast<int>(entry.depth) || m.score < entry.best_move.score) return;
    entry.best_move = m;
    entry.depth = static_cast<uint16_t>(depth);
    entry.side = static_cast<int8_t>(side_to_move);
    entry.reserved = 0;
}

void book_probe(const position& pos, move_list& list) { book_probe(book_slot(pos), list); }

void book_store(const position& pos, const move& m, int depth) { book_store(book_slot(pos), m, depth); }
