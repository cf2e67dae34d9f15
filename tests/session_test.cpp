// Whole sessions of the program: scripted standard input in a fresh
// directory, standard output, standard error and the files checked exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "session_text.h"
#include "session_util.h"
#include "time_margin.h"

using session::BANNER_TEXT;
using session::get32;
using session::lines_of;
using session::run_session;
using session::session_options;
using session::session_result;

namespace {

const std::string START_DIAGRAM =
    "\n"
    "8 r n b q k b n r \n"
    "7 p p p p p p p p \n"
    "6 . . . . . . . . \n"
    "5 . . . . . . . . \n"
    "4 . . . . . . . . \n"
    "3 . . . . . . . . \n"
    "2 P P P P P P P P \n"
    "1 R N B Q K B N R \n"
    "\n"
    "  A B C D E F G H\n"
    "\n";

// What every run prints before it reads a word.
const std::string START_OUTPUT = BANNER_TEXT + START_DIAGRAM;

std::string lines(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += item + "\n";
    return text;
}

}  // namespace

TEST(Session, QuitAtOnceGivesBannerDiagramEmptyLogAndFreshBook) {
    const session_result r = run_session("quit\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, START_OUTPUT);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("orvane.log"), "");
    EXPECT_EQ(r.file("book.dat").size(), 1051656u);
    EXPECT_EQ(r.files.size(), 2u);  // no temporary file left behind
}

namespace {

// The key numbers of a fresh book, drawn again here from the generator's
// formula (state * 214013 + 2531011, bits 16 to 30) seeded with 0.
std::vector<uint32_t> fresh_keys() {
    uint32_t state = 0;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return (state >> 16) & 0x7fffu;
    };
    std::vector<uint32_t> keys(768);
    for (uint32_t& key : keys) {
        const uint32_t high = next();
        key = high * 65536 + next();
    }
    return keys;
}

// A board as the test sees it, with plain moves (no castling, en passant or promotion).
struct test_board {
    uint8_t squares[64] = {};
    test_board() {
        const uint8_t back[8] = {2, 3, 4, 5, 6, 4, 3, 2};
        for (int f = 0; f < 8; ++f) {
            squares[f] = static_cast<uint8_t>(16 + back[f]);
            squares[8 + f] = 17;
            squares[48 + f] = 33;
            squares[56 + f] = static_cast<uint8_t>(32 + back[f]);
        }
    }
    void play(const char* text) {
        const int from = (text[0] - 'a') + 8 * (text[1] - '1'), to = (text[2] - 'a') + 8 * (text[3] - '1');
        squares[to] = squares[from];
        squares[from] = 0;
    }
    uint32_t key(const std::vector<uint32_t>& keys) const {
        uint32_t k = 0;
        for (int s = 0; s < 64; ++s)
            if (squares[s] != 0) k ^= keys[(6 * ((squares[s] >> 4) - 1) + ((squares[s] & 15) - 1)) * 64 + s];
        return k;
    }
};

constexpr size_t TABLE_OFFSET = 3080;

std::string entry_at(const std::string& book, uint32_t key) { return book.substr(TABLE_OFFSET + 16 * (key & 0xFFFF), 16); }

const std::string CLEARED_ENTRY("\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);

// A book-made entry: the move's squares, promotion 255, score MATE_SCORE,
// depth 3000, the side to move, reserved 0.
std::string book_made_entry(const char* text, int side) {
    std::string e(16, '\0');
    e[0] = static_cast<char>(text[0] - 'a');
    e[1] = static_cast<char>(text[1] - '1');
    e[2] = static_cast<char>(text[2] - 'a');
    e[3] = static_cast<char>(text[3] - '1');
    e[4] = '\xff';
    e[8] = e[9] = e[10] = '\xff';
    e[11] = '\x7f';
    e[12] = static_cast<char>(3000 & 0xff);
    e[13] = static_cast<char>(3000 >> 8);
    e[14] = static_cast<char>(side);
    return e;
}

// Entries of the table that are not cleared.
int used_entries(const std::string& book) {
    int used = 0;
    for (size_t slot = 0; slot < 65536; ++slot)
        if (book.compare(TABLE_OFFSET + 16 * slot, 16, CLEARED_ENTRY) != 0) ++used;
    return used;
}

std::string board_file(const std::vector<std::string>& ranks, const std::string& white_castle,
                       const std::string& black_castle, int en_passant, int player) {
    std::string text;
    for (const std::string& rank : ranks) text += rank + "\n";
    text += "\nWhite castle (was,right,left) = " + white_castle + "\n";
    text += "Black castle (was,right,left) = " + black_castle + "\n";
    text += "EnPassant (0=NULL) = " + std::to_string(en_passant) + "\n";
    text += "Player = " + std::to_string(player) + "\n";
    return text;
}

const std::vector<std::string> START_RANKS = {
    "r n b q k b n r ", "p p p p p p p p ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", "P P P P P P P P ", "R N B Q K B N R "};

// The start position after e2e4.
const std::string AFTER_E2E4 = board_file({"r n b q k b n r ", "p p p p p p p p ", ". . . . . . . . ", ". . . . . . . . ",
                                           ". . . . P . . . ", ". . . . . . . . ", "P P P P . P P P ", "R N B Q K B N R "},
                                          "0 1 1", "0 1 1", 5, 2);

}  // namespace

TEST(Session, BannerLeavesOnlyWithTheFirstFlushedLine) {
    session::live_session live;
    ASSERT_TRUE(live.started());
    ::usleep(300000);
    EXPECT_EQ(live.output(), "");  // banner and diagram wait in the buffer
    live.send("protover 2\n");
    ASSERT_TRUE(live.wait_for_output("feature done=1\n"));
    EXPECT_EQ(live.output(), START_OUTPUT + session::HANDSHAKE);
    live.send("quit\n");
    live.close_input();
    EXPECT_EQ(live.finish().exit_code, 0);
}

TEST(Session, ProtoverPrintsTheFeaturesAndTheVersionIsAWord) {
    const session_result r = run_session("protover 2\nquit\n");
    EXPECT_EQ(r.out, START_OUTPUT + session::HANDSHAKE);
    EXPECT_EQ(r.file("orvane.log"), "protover\n2\n");
}

TEST(Session, XboardForceMovesAreLoggedTwiceAndSavedSilently) {
    const session_result r = run_session("xboard\nforce\ne2e4\nE7E5 g1f3\nsave\nquit\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, START_OUTPUT);  // no diagram, no "Saved" in xboard mode
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "e2e4", "E2E4", "E7E5", "E7E5", "g1f3", "G1F3", "save"}));
    EXPECT_EQ(r.file("board.txt"),
              board_file({"r n b q k b n r ", "p p p p . p p p ", ". . . . . . . . ", ". . . . p . . . ",
                          ". . . . P . . . ", ". . . . . N . . ", "P P P P . P P P ", "R N B Q K B . R "},
                         "0 1 1", "0 1 1", 0, 2));
}

TEST(Session, HumanModeMoveDrawsTheBoardAndSaveSaysSaved) {
    const session_result r = run_session("force e2e4 save quit");
    EXPECT_EQ(r.out, START_OUTPUT +
                         "\n8 r n b q k b n r \n7 p p p p p p p p \n6 . . . . . . . . \n5 . . . . . . . . \n"
                         "4 . . . . P . . . \n3 . . . . . . . . \n2 P P P P . P P P \n1 R N B Q K B N R \n"
                         "\n  A B C D E F G H\n\nSaved\n");
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
}

TEST(Session, ReverseAndDisplay) {
    const session_result r = run_session("reverse display xboard reverse display quit");
    EXPECT_EQ(r.out, START_OUTPUT +
                         "board reversed\n"
                         "\n1 R N B K Q B N R \n2 P P P P P P P P \n3 . . . . . . . . \n4 . . . . . . . . \n"
                         "5 . . . . . . . . \n6 . . . . . . . . \n7 p p p p p p p p \n8 r n b k q b n r \n"
                         "\n  A B C D E F G H\n\n");
}

TEST(Session, MoveTextForms) {
    const session_result r = run_session("xboard force E2E5 i2i4 e2e9 e2 e2e4q e7e5+ g1f3xyz save quit");
    EXPECT_EQ(r.out, START_OUTPUT + "Illegal move: e2e5\nIllegal move: i2i4\n");
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "E2E5", "i2i4", "e2e9", "e2", "e2e4q", "E2E4Q", "e7e5+",
                                           "E7E5+", "g1f3xyz", "G1F3Xyz", "save"}));
    EXPECT_EQ(r.file("board.txt"),
              board_file({"r n b q k b n r ", "p p p p . p p p ", ". . . . . . . . ", ". . . . p . . . ",
                          ". . . . P . . . ", ". . . . . N . . ", "P P P P . P P P ", "R N B Q K B . R "},
                         "0 1 1", "0 1 1", 0, 2));
}

TEST(Session, PromotionNeedsOneOfFourLetters) {
    session_options o;
    o.files["board.txt"] = board_file({". . . . . . . k ", ". . . . P . . . ", ". . . . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "K . . . . . . . "},
                                      "0 0 0", "0 0 0", 0, 1);
    session_result r = run_session("xboard force load e7e8 e7e8k e7e8r save quit", o);
    EXPECT_EQ(r.out, START_OUTPUT + "Illegal move: e7e8\nIllegal move: e7e8k\n");
    EXPECT_EQ(r.file("orvane.log"),
              lines({"xboard", "force", "load", "e7e8", "e7e8k", "e7e8r", "E7E8R", "save"}));
    EXPECT_EQ(r.file("board.txt"),
              board_file({". . . . R . . k ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                          ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "K . . . . . . . "},
                         "0 0 0", "0 0 0", 0, 2));
    r = run_session("xboard force load E7E8N save quit", o);
    EXPECT_EQ(r.out, START_OUTPUT + "1/2-1/2 {Draw by insufficient material}\n");  // a knight cannot mate
    EXPECT_EQ(r.file("board.txt").substr(0, 17), ". . . . N . . k \n");
}

TEST(Session, LockedCommandsLeaveTheirArgumentsAsWords) {
    session_result r = run_session("xboard depth 6 level 40 0:30 0 levelmode 3 advancelevel 1 emotion -2 quit");
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "depth", "level", "levelmode", "advancelevel", "emotion"}));
    r = run_session("xboard levellock depth 6 ply 7 level 40 0:30 0 levelmode 3 noclocks bookoff advancelevel 1 "
                    "emotion -2 quit");
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "levellock", "depth", "6", "ply", "7", "level", "40", "0:30",
                                           "0", "levelmode", "3", "noclocks", "bookoff", "advancelevel",
                                           "emotion"}));
    EXPECT_EQ(r.out, START_OUTPUT);
    EXPECT_EQ(r.err, "");
}

TEST(Session, DepthOutsideItsRangeIsRefusedAndANonNumberStaysAWord) {
    const session_result r = run_session("xboard depth 0 depth 65 depth 64 ply -3 depth x quit");
    EXPECT_EQ(r.err,
              "orvane: depth 0 refused: it must lie between 1 and 64\n"
              "orvane: depth 65 refused: it must lie between 1 and 64\n"
              "orvane: depth -3 refused: it must lie between 1 and 64\n");
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "depth", "depth", "depth", "ply", "depth", "x"}));
}

TEST(Session, SaveThenLoadRestoresPositionAndSideToMove) {
    // Black to move after the load: only then is e7e5 legal.
    const session_result r = run_session("xboard force e2e4 save new load e7e5 save quit");
    EXPECT_EQ(r.out, START_OUTPUT);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("orvane.log"),
              lines({"xboard", "force", "e2e4", "E2E4", "save", "new", "load", "e7e5", "E7E5", "save"}));
    EXPECT_EQ(r.file("board.txt"),
              board_file({"r n b q k b n r ", "p p p p . p p p ", ". . . . . . . . ", ". . . . p . . . ",
                          ". . . . P . . . ", ". . . . . . . . ", "P P P P . P P P ", "R N B Q K B N R "},
                         "0 1 1", "0 1 1", 5, 1));
}

TEST(Session, LoadThenSaveGivesTheSameFileByteForByte) {
    session_options o;
    o.files["board.txt"] = board_file({"r . b q k . . r ", "p p p . . p p p ", ". . n . . n . . ", ". . . p p . . . ",
                                       ". b . P P . . . ", ". . N . . N . . ", "P P P . . P P P ", "R . B Q . R K . "},
                                      "1 0 0", "0 1 1", 4, 2);
    const session_result r = run_session("xboard load save quit", o);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("board.txt"), o.files["board.txt"]);
}

TEST(Session, LoadInHumanModeDrawsTheLoadedBoard) {
    session_options o;
    o.files["board.txt"] = board_file({". . . . k . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . K . . . "},
                                      "0 0 0", "0 0 0", 0, 1);
    const session_result r = run_session("load quit", o);
    EXPECT_EQ(r.out, START_OUTPUT +
                         "\n8 . . . . k . . . \n7 . . . . . . . . \n6 . . . . . . . . \n5 . . . . . . . . \n"
                         "4 . . . . . . . . \n3 . . . . . . . . \n2 . . . . . . . . \n1 . . . . K . . . \n"
                         "\n  A B C D E F G H\n\n");
}

TEST(Session, FreshBookHasVersionCountGeneratedKeysAndClearedEntries) {
    const session_result r = run_session("quit\n");
    const std::string& book = r.file("book.dat");
    ASSERT_EQ(book.size(), 1051656u);
    EXPECT_EQ(get32(book, 0), 2u);
    EXPECT_EQ(get32(book, 4), 0u);
    EXPECT_EQ(get32(book, 8), 38u * 65536 + 7719);  // the first two numbers of the generator seeded with 0
    const std::vector<uint32_t> keys = fresh_keys();
    for (size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(get32(book, 8 + 4 * i), keys[i]) << "key " << i;
    EXPECT_EQ(used_entries(book), 0);
    // Every run draws the same keys: a second run gives the same file.
    EXPECT_EQ(run_session("quit\n").file("book.dat"), book);
}

TEST(Session, ExistingBookIsLoadedAndWrittenBackUnchangedEvenAfterBookoff) {
    std::string book(1051656, '\0');
    for (size_t i = 0; i < book.size(); ++i) book[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string header("\x02\0\0\0\x07\0\0\0", 8);
    book.replace(0, 8, header);
    session_options o;
    o.files["book.dat"] = book;
    o.files["orvane.ini"] = "bookoff end\n";
    const session_result r = run_session("quit\n", o);
    EXPECT_EQ(r.file("book.dat"), book);
}

TEST(Session, OtherVersionGivesAFreshBookSilently) {
    session_options o;
    o.files["book.dat"] = std::string("\x01\0\0\0", 4) + std::string(2000, 'x');
    const session_result r = run_session("quit\n", o);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("book.dat"), run_session("quit\n").file("book.dat"));
}

TEST(Session, ShortBookIsMovedAsideAndAFreshOneMade) {
    for (const size_t length : {4u, 3080u, 1051655u}) {
        session_options o;
        std::string damaged(length, '\x05');
        damaged.replace(0, 4, std::string("\x02\0\0\0", 4));
        o.files["book.dat"] = damaged;
        const session_result r = run_session("quit\n", o);
        EXPECT_EQ(r.err, "orvane: book.dat is shorter than a book; moved it to book.dat.bad, starting a fresh book\n");
        EXPECT_EQ(r.file("book.dat.bad"), damaged);
        const std::string& book = r.file("book.dat");
        ASSERT_EQ(book.size(), 1051656u);
        EXPECT_EQ(get32(book, 4), 0u);
        EXPECT_EQ(get32(book, 8), fresh_keys()[0]);
        EXPECT_EQ(used_entries(book), 0);
    }
}

TEST(Session, BookmakeStoresTheWinnersMovesAndPlaysOn) {
    session_options o;
    o.files["game.txt"] = "whitewillwin\ne2e4 e7e5\ng1f3 b8c6 quit\nd2d4\n";
    const session_result r = run_session("bookmake game.txt save quit", o);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, START_OUTPUT + START_DIAGRAM + "Saved\n");
    EXPECT_EQ(r.file("orvane.log"), "bookmake\nsave\n");
    EXPECT_EQ(r.file("board.txt"),
              board_file({"r . b q k b n r ", "p p p p . p p p ", ". . n . . . . . ", ". . . . p . . . ",
                          ". . . . P . . . ", ". . . . . N . . ", "P P P P . P P P ", "R N B Q K B . R "},
                         "0 1 1", "0 1 1", 0, 1));
    const std::string& book = r.file("book.dat");
    ASSERT_EQ(book.size(), 1051656u);
    const std::vector<uint32_t> keys = fresh_keys();
    test_board b;
    EXPECT_EQ(entry_at(book, b.key(keys)), book_made_entry("e2e4", 1));
    b.play("e2e4");
    b.play("e7e5");
    EXPECT_EQ(entry_at(book, b.key(keys)), book_made_entry("g1f3", 1));
    EXPECT_EQ(used_entries(book), 2);
    EXPECT_EQ(get32(book, 4), 0u);  // a book-making pass is no finished game
}

TEST(Session, BookmakeForBlackStoresOnlyBlacksMoves) {
    session_options o;
    o.files["game.txt"] = "e2e4 blackwillwin e7e5 g1f3 b8c6 quit";
    const session_result r = run_session("xboard bookmake game.txt quit", o);
    const std::string& book = r.file("book.dat");
    const std::vector<uint32_t> keys = fresh_keys();
    test_board b;
    b.play("e2e4");
    EXPECT_EQ(entry_at(book, b.key(keys)), book_made_entry("e7e5", 2));
    b.play("e7e5");
    b.play("g1f3");
    EXPECT_EQ(entry_at(book, b.key(keys)), book_made_entry("b8c6", 2));
    EXPECT_EQ(used_entries(book), 2);
}

TEST(Session, BookmakeStopsAtTheFirstMoveThatIsNotLegal) {
    for (const std::string bad : {"e2e4", "i2i4", "e1e3"}) {
        session_options o;
        o.files["game.txt"] = "whitewillwin e2e4 e7e5 " + bad + " g1f3 quit";
        const session_result r = run_session("xboard bookmake game.txt save quit", o);
        EXPECT_EQ(r.err, "orvane: bookmake: game.txt: " + bad + " is not a legal move here; the pass stops\n");
        EXPECT_EQ(r.file("board.txt"),
                  board_file({"r n b q k b n r ", "p p p p . p p p ", ". . . . . . . . ", ". . . . p . . . ",
                              ". . . . P . . . ", ". . . . . . . . ", "P P P P . P P P ", "R N B Q K B N R "},
                             "0 1 1", "0 1 1", 5, 1));
        EXPECT_EQ(used_entries(r.file("book.dat")), 1) << bad;
    }
}

TEST(Session, BookmakeRefusesAMoveIntoCheckAndMovesAfterADraw) {
    session_options o;
    o.files["game.txt"] = "blackwillwin e2e4 f7f6 d1h5 e8f7 quit";
    session_result r = run_session("xboard bookmake game.txt quit", o);
    EXPECT_EQ(r.err, "orvane: bookmake: game.txt: e8f7 is not a legal move here; the pass stops\n");
    EXPECT_EQ(used_entries(r.file("book.dat")), 1);
    o.files["game.txt"] = "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 e2e4 quit";
    r = run_session("xboard bookmake game.txt quit", o);
    EXPECT_EQ(r.err, "orvane: bookmake: game.txt: e2e4 is not a legal move here; the pass stops\n");
}

TEST(Session, BookmakeEndsAtTheEndOfTheFile) {
    session_options o;
    o.files["game.txt"] = "whitewillwin e2e4";
    const session_result r = run_session("xboard bookmake game.txt save quit", o);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
    EXPECT_EQ(used_entries(r.file("book.dat")), 1);
}

TEST(Session, BookmakeWithAFileThatCannotBeOpenedChangesNothing) {
    const session_result r = run_session("force e2e4 bookmake nosuch.txt xboard save quit");
    EXPECT_EQ(r.err, "orvane: bookmake: cannot open nosuch.txt: No such file or directory; nothing learnt\n");
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
    // One diagram after e2e4 and none for a new game.
    EXPECT_EQ(r.out.size(), START_OUTPUT.size() + START_DIAGRAM.size());
    EXPECT_EQ(r.file("orvane.log"), lines({"force", "e2e4", "E2E4", "bookmake", "xboard", "save"}));
    // A directory or a device is no game file either.
    session_options o;
    o.directories = {"games"};
    const session_result d = run_session("xboard force e2e4 bookmake games bookmake /dev/zero save quit", o);
    EXPECT_EQ(d.err,
              "orvane: bookmake: cannot open games: not a regular file; nothing learnt\n"
              "orvane: bookmake: cannot open /dev/zero: not a regular file; nothing learnt\n");
    EXPECT_EQ(d.file("board.txt"), AFTER_E2E4);
}

TEST(Session, MateInForceModeIsReportedCountedAndSaved) {
    session_result r = run_session("xboard force f2f3 e7e5 g2g4 d8h4 quit");
    EXPECT_EQ(r.out, START_OUTPUT + "0-1 {Black mates}\n");
    EXPECT_EQ(get32(r.file("book.dat"), 4), 1u);

    r = run_session("force f2f3 e7e5 g2g4 d8h4 quit");
    const std::string tail =
        "0-1 {Black mates}\nCongratulations! You win!\n"
        "\n8 r n b . k b n r \n7 p p p p . p p p \n6 . . . . . . . . \n5 . . . . p . . . \n"
        "4 . . . . . . P q \n3 . . . . . P . . \n2 P P P P P . . P \n1 R N B Q K B N R \n"
        "\n  A B C D E F G H\n\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(get32(r.file("book.dat"), 4), 1u);
}

TEST(Session, StalemateInForceModeIsReportedCountedAndSaved) {
    const std::string loyd = "e2e3 a7a5 d1h5 a8a6 h5a5 h7h5 h2h4 a6h6 a5c7 f7f6 c7d7 e8f7 d7b7 d8d3 b7b8 d3h7 b8c8 "
                             "f7g6 c8e6 ";
    session_result r = run_session("xboard force " + loyd + "quit");
    EXPECT_EQ(r.out, START_OUTPUT + "1/2-1/2 {Stalemate}\n");
    EXPECT_EQ(get32(r.file("book.dat"), 4), 1u);
    // The game stays on the board and is reported again by nothing; a
    // second book file from the same run would show 1 still.
    r = run_session("force " + loyd + "xboard display quit");
    EXPECT_NE(r.out.find("1/2-1/2 {Stalemate}\nStalemate!\n"), std::string::npos);
}

TEST(Session, RepetitionClaimUnderAGuiEndsTheGameOnceWithoutAStalemateLine) {
    // The start position stands for the third time, white to move, after
    // the eighth half-move: a repetition standard chess grants.
    const session_result r = run_session("xboard hard force g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 e2e4 quit");
    EXPECT_EQ(r.out, START_OUTPUT + "1/2-1/2 {Draw by triple repetition}\n");
    EXPECT_EQ(get32(r.file("book.dat"), 4), 1u);
    // The GUI decides what happens next; a move it sends is still played.
    EXPECT_NE(r.file("orvane.log").find("e2e4\nE2E4\n"), std::string::npos);
}

TEST(Session, ADeadPositionIsClaimedOnceUnderAGui) {
    session_options o;
    o.files["board.txt"] = board_file({". . . . k . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". N . . K . . . "},
                                      "0 0 0", "0 0 0", 0, 1);
    const session_result r = run_session("xboard hard force load e1e2 e8e7 quit", o);
    EXPECT_EQ(r.out, START_OUTPUT + "1/2-1/2 {Draw by insufficient material}\n");
    EXPECT_EQ(get32(r.file("book.dat"), 4), 1u);
}

TEST(Session, DrawOfferIsAcceptedOnlyAgainstASideThatCannotMate) {
    session_options o;
    // White to move; black, the side not to move, has king and knight.
    o.files["board.txt"] = board_file({". . . . k . . . ", ". . . . . . . . ", ". . n . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "R . . . K . . . "},
                                      "0 0 0", "0 0 0", 0, 1);
    session_result r = run_session("xboard load draw quit", o);
    EXPECT_EQ(r.out, START_OUTPUT + "offer draw\n");
    EXPECT_EQ(get32(r.file("book.dat"), 4), 1u);
    r = run_session("load draw quit", o);
    EXPECT_NE(r.out.find("offer draw\nMatch result: draw\n"), std::string::npos);
    // With black to move the side not to move keeps a rook: nothing at all.
    o.files["board.txt"] = board_file({". . . . k . . . ", ". . . . . . . . ", ". . n . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "R . . . K . . . "},
                                      "0 0 0", "0 0 0", 0, 2);
    r = run_session("xboard load draw quit", o);
    EXPECT_EQ(r.out, START_OUTPUT);
    EXPECT_EQ(get32(r.file("book.dat"), 4), 0u);
}

TEST(Session, OverlongWordIsCutTo255Characters) {
    const std::string word(300, 'a');
    const session_result r = run_session("xboard " + word + " force e2e4 quit");
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", std::string(255, 'a'), "force", "e2e4", "E2E4"}));
}

TEST(Session, CommandsAreCaseSensitive) {
    const session_result r = run_session("xboard force e2e4 NEW Quit Go save quit");
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "e2e4", "E2E4", "NEW", "Quit", "Go", "save"}));
}

TEST(Session, StartUpFileRunsUpToEndAndQuitIsAWordThere) {
    session_options o;
    o.files["orvane.ini"] = "xboard\nforce quit e2e4\nend\ne7e5\n";
    const session_result r = run_session("end e7e5 save quit", o);
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "quit", "e2e4", "E2E4", "end", "end", "e7e5", "E7E5", "save"}));
    EXPECT_EQ(r.out, START_OUTPUT);
}

TEST(Session, StartUpFileWithoutEndIsReplayedToItsEnd) {
    session_options o;
    o.files["orvane.ini"] = "xboard force e2e4";
    const session_result r = run_session("save quit", o);
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "e2e4", "E2E4", "save"}));
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
}

TEST(Session, BookmakeInTheStartUpFileDoesNotEndTheReplay) {
    session_options o;
    o.files["orvane.ini"] = "xboard force bookmake game.txt e7e5 end";
    o.files["game.txt"] = "e2e4 quit";
    const session_result r = run_session("save quit", o);
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "bookmake", "e7e5", "E7E5", "end", "save"}));
}

TEST(Session, EndOfInputActsAsQuit) {
    const session_result r = run_session("xboard force e2e4");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "e2e4", "E2E4"}));
    EXPECT_EQ(r.file("book.dat").size(), 1051656u);
}

TEST(Session, LogThatCannotBeOpenedIsReportedOnceAndPlayGoesOn) {
    session_options o;
    o.directories = {"orvane.log"};
    const session_result r = run_session("xboard force e2e4 save e7e5 quit", o);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "orvane: cannot open orvane.log (Is a directory); running without a log\n");
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
}

TEST(Session, MissingBoardFileLeavesTheGame) {
    const session_result r = run_session("xboard force e2e4 load save quit");
    EXPECT_EQ(r.err, "orvane: cannot read board.txt (No such file or directory); the game is unchanged\n");
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
}

TEST(Session, BoardFilesThatDoNotMatchAreRefused) {
    const std::string squares =
        "r n b q k b n r \np p p p p p p p \n. . . . . . . . \n. . . . . . . . \n"
        ". . . . . . . . \n. . . . . . . . \nP P P P P P P P \nR N B Q K B N R \n\n";
    const struct {
        std::string text;
        std::string why;
    } cases[] = {
        {squares.substr(0, 100), "it ends within the squares"},
        {squares + "White castle = 0 1 1\n", "a castling line does not match"},
        {squares + "White castle (was,right,left) = 0 1 1\nBlack castle (was,right,left) = 0 1\n",
         "a castling line does not match"},
        {squares + "White castle (was,right,left) = 0 1 1\nBlack castle (was,right,left) = 0 1 1\nEnPassant = 0\n",
         "the en-passant line does not match"},
        {squares + "White castle (was,right,left) = 0 1 1\nBlack castle (was,right,left) = 0 1 1\n"
                   "EnPassant (0=NULL) = 9\nPlayer = 1\n",
         "the en-passant file is not 0 to 8"},
        {squares + "White castle (was,right,left) = 0 1 1\nBlack castle (was,right,left) = 0 1 1\n"
                   "EnPassant (0=NULL) = 0\n",
         "the player line does not match"},
        {squares + "White castle (was,right,left) = 0 1 1\nBlack castle (was,right,left) = 0 1 1\n"
                   "EnPassant (0=NULL) = 0\nPlayer = 3\n",
         "the player is neither 1 nor 2"},
        {board_file({". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                     ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . K . . . "},
                    "0 0 0", "0 0 0", 0, 1),
         "it does not hold exactly one king of each colour"},
        {board_file({". . . . k . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                     ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "K . . . K . . . "},
                    "0 0 0", "0 0 0", 0, 1),
         "it does not hold exactly one king of each colour"},
        {board_file({". . . . k . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                     ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", ". . . . R . K . "},
                    "0 0 0", "0 0 0", 0, 1),
         "the side not to move is in check"},
    };
    for (const auto& c : cases) {
        session_options o;
        o.files["board.txt"] = c.text;
        const session_result r = run_session("xboard force e2e4 load save quit", o);
        EXPECT_EQ(r.err, "orvane: board.txt is not a board file (" + c.why + "); the game is unchanged\n");
        EXPECT_EQ(r.file("board.txt"), AFTER_E2E4) << c.why;
    }
}

TEST(Session, LoadedCastlingRightsNeedTheKingAtHome) {
    session_options o;
    o.files["board.txt"] = board_file({"r . . . . k . r ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                                       ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "R . . . K . . R "},
                                      "0 1 1", "0 1 1", 0, 1);
    const session_result r = run_session("xboard load save quit", o);
    EXPECT_EQ(r.file("board.txt"),
              board_file({"r . . . . k . r ", ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                          ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ", "R . . . K . . R "},
                         "0 1 1", "0 0 0", 0, 1));
}

TEST(Session, SaveThatCannotWriteSaysSoAndNotSaved) {
    session_options o;
    o.directories = {"board.txt"};
    const session_result r = run_session("save quit", o);
    EXPECT_EQ(r.out, START_OUTPUT);
    EXPECT_EQ(r.err, "orvane: could not write board.txt (Is a directory); nothing saved\n");
    EXPECT_FALSE(r.has("board.txt.tmp"));
}

TEST(Session, BookThatCannotBeWrittenIsReported) {
    session_options o;
    o.directories = {"book.dat"};
    const session_result r = run_session("quit", o);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err,
              "orvane: cannot read book.dat (not a regular file); starting a fresh book\n"
              "orvane: could not write book.dat (Is a directory); the old file is kept\n");
    EXPECT_FALSE(r.has("book.dat.tmp"));
}

TEST(Session, InterruptIsIgnored) {
    session::live_session live;
    live.send("xboard protover 2\n");
    ASSERT_TRUE(live.wait_for_output("feature done=1\n"));
    live.signal(SIGINT);
    live.send("force e2e4 save quit\n");
    live.close_input();
    const session_result r = live.finish();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
}

TEST(Session, TerminateEndsAsQuitWithinASecond) {
    session::live_session live;
    // The features answer "protover" before its "2" is read as a word of its
    // own; the pong proves every word before it was read and logged.
    live.send("xboard force e2e4 protover 2 ping 1\n");
    ASSERT_TRUE(live.wait_for_output("pong 1\n"));
    live.signal(SIGTERM);
    const session_result r = live.finish(time_margin::scaled_ms(3000));
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_LT(live.elapsed_ms, time_margin::scaled_ms(1000));
    EXPECT_EQ(r.file("orvane.log"), lines({"xboard", "force", "e2e4", "E2E4", "protover", "2", "ping"}));
    EXPECT_EQ(r.file("book.dat"), run_session("quit").file("book.dat"));
    EXPECT_EQ(r.files.size(), 2u);  // the log and the book, no temporary file
}

TEST(Session, QuitAndTerminateTogether) {
    session::live_session live;
    live.send("xboard protover 2\n");
    ASSERT_TRUE(live.wait_for_output("feature done=1\n"));
    live.send("quit\n");
    live.signal(SIGTERM);
    const session_result r = live.finish(3000);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.file("book.dat").size(), 1051656u);
    EXPECT_EQ(r.files.size(), 2u);
}

TEST(Session, AClosedOutputPipeDoesNotLoseTheBook) {
    // The reader of standard output has gone away: the writes fail, and the
    // end of the input still ends the run as "quit" does, book written.
    session_options o;
    o.close_output = true;
    const session_result r = run_session("protover 2 xboard force e2e4 protover 2 save", o);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.file("board.txt"), AFTER_E2E4);
    EXPECT_EQ(r.file("book.dat").size(), 1051656u);
}
