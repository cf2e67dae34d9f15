// The learning book: Zobrist keys of the board, a table of 65536 best-move
// hints filled by every search and by "bookmake", and its file book.dat.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rules/rules.h"

inline constexpr int32_t BOOK_VERSION = 2;
inline constexpr int BOOK_KEY_COUNT = 768;        // colour x type x square
inline constexpr int BOOK_SLOTS = 65536;          // table entries, indexed by the key's low 16 bits
inline constexpr int BOOK_MADE_DEPTH = 3000;      // depth of entries made by "bookmake"
inline constexpr int BOOK_ORDERING_BONUS = 50;    // ordering bonus of the book's move
inline constexpr long BOOK_FILE_SIZE = 8 + 4L * BOOK_KEY_COUNT + 16L * BOOK_SLOTS;  // 1,051,656

// One hint: the best move stored for a slot, the depth it was found at and
// the side to move in the stored position.
struct book_entry {
    move best_move;     // from_file 255 in a cleared entry
    uint16_t depth;     // 0 in a cleared entry; BOOK_MADE_DEPTH for book-made entries
    int8_t side;        // colour to move in the stored position; 0 in a cleared entry
    uint8_t reserved;   // written 0 by every store
};
static_assert(sizeof(book_entry) == 16);

extern uint32_t zobrist_keys[BOOK_KEY_COUNT];
extern book_entry book_table[BOOK_SLOTS];
extern int32_t game_count;  // finished games, kept in book.dat

// XOR of the key numbers of the occupied squares; the low 16 bits are the slot.
uint32_t position_key(const position& pos);
// The key of the board after, given the key of the board before and the
// squares in which the two differ: the key numbers of the men that left or
// arrived there are XORed out and in.  Equal to position_key of after.
uint32_t position_key_after(uint32_t key, const uint8_t* before, const uint8_t* after, uint64_t changed);
// Loads book.dat, or makes a fresh book (keys drawn from the generator).
void load_book();
// Reads the book file name into the key numbers, the table and game_count,
// as load_book reads book.dat, but never renames, removes or writes any
// file: for tools that only look.  nullptr when the file was read whole,
// else why not (the tables may then be half read).
const char* read_book_file(const char* name);
// Writes book.dat whole: a temporary file renamed over the old one.
void save_book();
// Stores a book-made move for pos and side_to_move.
void store_book_move(const position& pos, move m);
// Clears every entry of the table (from_file 255, everything else 0).
void clear_book_table();
// How full the table is, in permille: entries holding a hint among the first 1000.
int book_fill_permille();
// A fresh book in memory: key numbers drawn from the generator, table cleared.
void make_fresh_book();

// Writes the whole book.dat image from memory to temp_name and renames it to
// final_name, serialising through the caller's buffer (at least
// BOOK_WRITE_BUFFER_SIZE bytes).  The new file is synced to the disk before
// the rename and its folder after it.  Uses only open, write, fsync, close,
// rename and unlink, so a signal handler may call it.  false on any failure, errno set,
// final_name untouched and temp_name removed.
inline constexpr size_t BOOK_WRITE_BUFFER_SIZE = 65536;
bool write_book_file(const char* temp_name, const char* final_name, uint8_t* buffer);

// The search's probe: gives the book's move for pos, if it is in list and the
// entry is for side_to_move, the ordering bonus.
void book_probe(const position& pos, move_list& list);
// The search's store: records m found at remaining depth under the
// replacement rule (depth and score at least the entry's).
void book_store(const position& pos, const move& m, int depth);
// The same two on a slot found beforehand: a search node looks its slot up
// once and may probe and store several times.
book_entry& book_slot(const position& pos);
inline book_entry& book_slot_of_key(uint32_t key) { return book_table[key & 0xFFFF]; }
void book_probe(const book_entry& entry, move_list& list);
void book_store(book_entry& entry, const move& m, int depth);
