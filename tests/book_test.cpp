// The book in process: the position key, the book-made store rule, and the
// book.dat image written and read byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "book/book.h"
#include "book/random.h"
#include "eval/eval.h"
#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "settings/settings.h"
#include "frontend_test_util.h"

namespace {
std::string file_bytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
void write_bytes(const char* name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}
}  // namespace

class Book : public engine_state_test {};

TEST_F(Book, KeyOfAnEmptyBoardIsZeroAndAMoveXorsTwoNumbers) {
    position pos{};
    EXPECT_EQ(position_key(pos), 0u);
    pos.board[square_index(4, 0)] = WHITE * 16 + KING;
    EXPECT_EQ(position_key(pos), zobrist_keys[5 * 64 + 4]);  // white king: 6 * 0 + 5
    pos.board[square_index(2, 6)] = BLACK * 16 + KNIGHT;
    EXPECT_EQ(position_key(pos), zobrist_keys[5 * 64 + 4] ^ zobrist_keys[8 * 64 + 50]);  // black knight: 6 + 2
    const uint32_t before = position_key(game_position);
    // g1f3: the white knight (index 2) leaves square 6 for square 21.
    copy_position(pos, game_position);
    pos.board[21] = pos.board[6];
    pos.board[6] = 0;
    EXPECT_EQ(position_key(pos), before ^ zobrist_keys[2 * 64 + 6] ^ zobrist_keys[2 * 64 + 21]);
}

TEST_F(Book, BookMadeStoreReplacesUpTo3000AndKeepsDeeperEntries) {
    book_entry& entry = book_table[position_key(game_position) & 0xFFFF];
    move m = {};
    m.from_file = 4, m.from_rank = 1, m.to_file = 4, m.to_rank = 3, m.promotion = NO_PROMOTION;
    entry.depth = 3000;
    entry.reserved = 9;
    side_to_move = BLACK;
    store_book_move(game_position, m);
    EXPECT_EQ(entry.best_move.to_rank, 3);
    EXPECT_EQ(entry.best_move.score, MATE_SCORE);
    EXPECT_EQ(entry.depth, BOOK_MADE_DEPTH);
    EXPECT_EQ(entry.side, BLACK);
    EXPECT_EQ(entry.reserved, 0);
    entry.depth = 3001;
    m.to_rank = 2;
    store_book_move(game_position, m);
    EXPECT_EQ(entry.best_move.to_rank, 3);
    EXPECT_EQ(entry.depth, 3001);
}

TEST_F(Book, SavedImageIsLittleEndianInFileOrder) {
    game_count = 0x01020304;
    zobrist_keys[0] = 0xA1B2C3D4u;
    zobrist_keys[767] = 0x00000080u;
    book_entry& e = book_table[1];
    e.best_move = {3, 4, 5, 6, 255, 17, {0xAA, 0xBB}, -2};
    e.depth = 0x1234;
    e.side = 2;
    e.reserved = 0x5A;
    book_table[65535].depth = 7;
    save_book();
    const std::string image = file_bytes("book.dat");
    ASSERT_EQ(image.size(), 1051656u);
    EXPECT_EQ(image.substr(0, 12), std::string("\x02\0\0\0\x04\x03\x02\x01\xd4\xc3\xb2\xa1", 12));
    EXPECT_EQ(image.substr(8 + 4 * 767, 4), std::string("\x80\0\0\0", 4));
    EXPECT_EQ(image.substr(3080, 16), std::string("\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(image.substr(3096, 16), std::string("\x03\x04\x05\x06\xff\x11\xaa\xbb\xfe\xff\xff\xff\x34\x12\x02\x5a", 16));
    EXPECT_EQ(image.substr(1051656 - 16, 16), std::string("\xff\0\0\0\0\0\0\0\0\0\0\0\x07\0\0\0", 16));
    EXPECT_FALSE(std::filesystem::exists("book.dat.tmp"));

    // Loading gives the same memory back.
    clear_book_table();
    zobrist_keys[0] = 0;
    game_count = 0;
    load_book();
    EXPECT_EQ(game_count, 0x01020304);
    EXPECT_EQ(zobrist_keys[0], 0xA1B2C3D4u);
    EXPECT_EQ(std::memcmp(&book_table[1], &e, sizeof e), 0);
    EXPECT_EQ(book_table[65535].depth, 7);
}

TEST_F(Book, BookOffAtLoadTimeMakesAFreshBook) {
    save_book();
    zobrist_keys[0] = 1;
    book_enabled = 0;
    random_seed(0);
    load_book();
    EXPECT_EQ(zobrist_keys[0], 38u * 65536 + 7719);
}

TEST_F(Book, AFailedSaveLeavesTheOldFile) {
    write_bytes("book.dat", "old");
    std::filesystem::create_directory("book.dat.tmp");  // the temporary file cannot be made
    save_book();
    EXPECT_EQ(file_bytes("book.dat"), "old");
}

