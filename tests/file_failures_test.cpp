// Files that are not what the engine expects, beyond the missing, short,
// mismatching and unwritable ones the session tests cover: named pipes in
// place of its files, a book of the right length full of garbage, and a
// process killed while it writes the book.  The engine must go on, say what
// happened on standard error, and never lose book.dat.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "rules/rules.h"
#include "rules_test_util.h"
#include "session_text.h"
#include "session_util.h"

using session::get32;
using session::lines_of;
using session::live_session;
using session::run_session;
using session::session_options;
using session::session_result;

namespace {

constexpr size_t BOOK_BYTES = 1051656;

}  // namespace

// A named pipe blocks whoever opens it until the other end is opened too; the
// engine must not wait for that, whichever of its files it is, and must say
// which file it could not use.
TEST(FileFailures, NamedPipesInPlaceOfTheFilesDoNotStopTheEngine) {
    const struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"book.dat", "orvane: cannot read book.dat (not a regular file); starting a fresh book\n"},
        {"orvane.ini", "orvane: cannot read orvane.ini (not a regular file); no start-up words\n"},
        {"orvane.log", "orvane: cannot open orvane.log (No such device or address); running without a log\n"},
        {"board.txt", "orvane: cannot read board.txt (not a regular file); the game is unchanged\n"},
        {"game.txt", "orvane: bookmake: cannot open game.txt: not a regular file; nothing learnt\n"},
    };
    for (const auto& c : cases) {
        session_options o;
        o.timeout_seconds = 10;
        // The pipe is there before the program starts: book.dat and
        // orvane.ini are read at once, before any input.
        o.fifos = {c.name};
        live_session live(o);
        ASSERT_TRUE(live.started());
        ASSERT_TRUE(std::filesystem::is_fifo(live.directory() / c.name)) << c.name;
        live.send("xboard protover 2 force e2e4 load bookmake game.txt save quit\n");
        live.close_input();
        const session_result r = live.finish(8000);
        EXPECT_EQ(r.exit_code, 0) << c.name << " (the program was still waiting after 8 s)";
        EXPECT_NE(r.out.find("feature done=1\n"), std::string::npos) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        // The book is written whole at the end, over the pipe if need be.
        EXPECT_EQ(r.file("book.dat").size(), BOOK_BYTES) << c.name;
    }
}

// A book of the right version and length whose keys and entries are garbage:
// the stored moves name squares off the board, other sides, any depth.  The
// engine still plays only legal moves, and writes a whole book back.
TEST(FileFailures, GarbageBookOfTheRightLengthIsHarmless) {
    std::mt19937 random(20240607);
    std::string book(BOOK_BYTES, '\0');
    for (char& c : book) c = static_cast<char>(random());
    book.replace(0, 4, std::string("\x02\0\0\0", 4));
    session_options o;
    o.files["book.dat"] = book;
    const session_result r = run_session("xboard depth 2 go go go go go go go go quit", o);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    position pos;
    set_start_position(pos);
    int side = WHITE;
    int moves = 0;
    for (const std::string& line : lines_of(r.out)) {
        if (line.rfind("move ", 0) != 0) continue;
        ASSERT_TRUE(play_listed(pos, side, line.substr(5))) << line;
        ++moves;
    }
    EXPECT_EQ(moves, 8);
    const std::string& saved = r.file("book.dat");
    ASSERT_EQ(saved.size(), BOOK_BYTES);
    EXPECT_EQ(get32(saved, 0), 2u);
    EXPECT_EQ(saved.substr(4, 3076), book.substr(4, 3076));  // the count and the keys as they were
}

// The book is written again and again ("bookmake" saves it after every pass)
// while the process is killed at moments that fall anywhere in those writes:
// book.dat is always a whole book, the old one or a new one.
TEST(FileFailures, KilledWhileSavingNeverLosesTheBook) {
    std::mt19937 random(7);
    const std::string game = "whitewillwin e2e4 e7e5 g1f3 b8c6 quit\n";
    std::string script = "xboard ";
    for (int i = 0; i < 400; ++i) script += "bookmake game.txt ";
    // A whole book to begin with: version 2, a count of 5, zero keys and
    // cleared entries (from_file 255, the rest 0).
    std::string old_book = std::string("\x02\0\0\0\x05\0\0\0", 8) + std::string(3072, '\0');
    for (int slot = 0; slot < 65536; ++slot) old_book += std::string("\xff", 1) + std::string(15, '\0');
    ASSERT_EQ(old_book.size(), BOOK_BYTES);
    for (int round = 0; round < 12; ++round) {
        session_options o;
        o.files["game.txt"] = game;
        o.files["book.dat"] = old_book;
        live_session live(o);
        ASSERT_TRUE(live.started());
        live.send(script);
        ::usleep(static_cast<useconds_t>(20000 + random() % 150000));
        live.signal(SIGKILL);
        const session_result r = live.finish();
        EXPECT_EQ(r.exit_code, 128 + SIGKILL);
        const std::string& book = r.file("book.dat");
        ASSERT_EQ(book.size(), BOOK_BYTES) << "round " << round;
        EXPECT_EQ(get32(book, 0), 2u);
        EXPECT_EQ(get32(book, 4), 5u);  // bookmake does not count games
    }
}
