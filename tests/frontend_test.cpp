// The front end in process: the bounded readers, the settings commands and
// the "level" arithmetic, move text, the engine's move line and the reports.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "book/book.h"
#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "game/time_manager.h"
#include "settings/settings.h"
#include "frontend_test_util.h"
#include "search/classic_search.h"

// --- Readers ---

TEST(ReadWord, SplitsOnAnyWhiteSpaceAndKeepsTheBufferAtTheEnd) {
    text_stream in(" \tgo\n\nnew\r\vx ");
    char buffer[WORD_BUFFER_SIZE] = "";
    ASSERT_TRUE(read_word(in.file, buffer));
    EXPECT_STREQ(buffer, "go");
    ASSERT_TRUE(read_word(in.file, buffer));
    EXPECT_STREQ(buffer, "new");
    ASSERT_TRUE(read_word(in.file, buffer));
    EXPECT_STREQ(buffer, "x");
    EXPECT_FALSE(read_word(in.file, buffer));
    EXPECT_STREQ(buffer, "x");
}

TEST(ReadWord, CutsALongWordTo255AndDropsItsRest) {
    const std::string exact(255, 'b');
    text_stream in(std::string(1000, 'a') + " " + exact + " next");
    char buffer[WORD_BUFFER_SIZE + 16];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(read_word(in.file, buffer));
    EXPECT_EQ(std::string(buffer), std::string(255, 'a'));
    EXPECT_EQ(buffer[256], '#');  // nothing written past the word buffer's size
    ASSERT_TRUE(read_word(in.file, buffer));
    EXPECT_EQ(std::string(buffer), exact);
    ASSERT_TRUE(read_word(in.file, buffer));
    EXPECT_STREQ(buffer, "next");
}

TEST(ReadInt, ReadsSignedNumbersAndLeavesAWordThatIsNone) {
    text_stream in("  42 -7 +3 x5 -y 12abc");
    int32_t value = 99;
    char word[WORD_BUFFER_SIZE];
    ASSERT_TRUE(read_int(in.file, value));
    EXPECT_EQ(value, 42);
    ASSERT_TRUE(read_int(in.file, value));
    EXPECT_EQ(value, -7);
    ASSERT_TRUE(read_int(in.file, value));
    EXPECT_EQ(value, 3);
    EXPECT_FALSE(read_int(in.file, value));
    EXPECT_EQ(value, 3);
    ASSERT_TRUE(read_word(in.file, word));
    EXPECT_STREQ(word, "x5");
    EXPECT_FALSE(read_int(in.file, value));  // the lone sign is lost, as with "%d"
    ASSERT_TRUE(read_word(in.file, word));
    EXPECT_STREQ(word, "y");
    ASSERT_TRUE(read_int(in.file, value));
    EXPECT_EQ(value, 12);
    ASSERT_TRUE(read_word(in.file, word));
    EXPECT_STREQ(word, "abc");
    EXPECT_FALSE(read_int(in.file, value));
}

TEST(ReadInt, ClampsToThe32BitRange) {
    text_stream in("2147483647 2147483648 -2147483648 -2147483649 99999999999999999999999 -00000000000000000000005 7");
    int32_t value = 0;
    const int32_t expected[] = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, -5, 7};
    for (const int32_t e : expected) {
        ASSERT_TRUE(read_int(in.file, value));
        EXPECT_EQ(value, e);
    }
}

// --- "level" ---

TEST(Level, ArithmeticTruncatesAsWritten) {
    EXPECT_EQ(level_move_time(40, 5, 0, 0), 6562);    // 300000 / 40 = 7500; 52500 / 8
    EXPECT_EQ(level_move_time(0, 2, 0, 12), 13125);   // 0 moves count as 40: 3000 + 12000
    EXPECT_EQ(level_move_time(40, 0, 30, 0), 656);    // 750 * 7 = 5250; / 8
    EXPECT_EQ(level_move_time(30, 10, 0, 5), 21875);  // 20000 + 5000 = 25000; * 7 / 8
    EXPECT_EQ(level_move_time(7, 0, -1, 0), -124);    // -1000 / 7 = -142; -994 / 8 toward zero
    EXPECT_EQ(level_move_time(1, 0, 0, 0), 0);
}

TEST(Level, ExtremeArgumentsAreClampedNotOverflowed) {
    EXPECT_EQ(level_move_time(1, INT32_MAX, 59, INT32_MAX), INT32_MAX);
    EXPECT_EQ(level_move_time(-1, INT32_MAX, INT32_MAX, 0), INT32_MIN);
    EXPECT_EQ(level_move_time(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
    EXPECT_EQ(level_move_time(-1, INT32_MIN, 0, 0), INT32_MAX);
    // 2147483 s of increment stays in range: 2147483000 * 7 / 8.
    EXPECT_EQ(level_move_time(1, 0, 0, 2147483), 1879047625);
}

class Interpreter : public engine_state_test {};

TEST_F(Interpreter, LevelReadsItsThreeArguments) {
    run("level 40 0:30 0");
    EXPECT_EQ(move_time_ms, 656);
    run("level 0 2 12");
    EXPECT_EQ(move_time_ms, 13125);
    EXPECT_STREQ(word_buffer, "2");  // the base-time word replaced "level"
    run("level 40 5 0");
    EXPECT_EQ(move_time_ms, 6562);
    EXPECT_EQ(log(), "level\nlevel\nlevel\n");
}

TEST_F(Interpreter, LevelBaseTimeWithoutANumberKeepsTheLastMinutes) {
    run("level 40 5 0 level 20 x 0");
    EXPECT_EQ(move_time_ms, 13125);  // 5 minutes from the last "level": 15000 * 7 / 8
    run("level 40 5:30 0 level 40 x:10 0");
    EXPECT_EQ(move_time_ms, 7218);  // 330 s kept: 8250 * 7 / 8
    run("level 40 :10 0");
    EXPECT_EQ(move_time_ms, 7218);
}

TEST_F(Interpreter, LevelWithANonNumberChangesNothingAndLeavesTheWord) {
    run("level 40 5:30 0");
    ASSERT_EQ(move_time_ms, 7218);
    run("level x 5 0");
    EXPECT_EQ(move_time_ms, 7218);
    run("level 20 5 y");
    EXPECT_EQ(move_time_ms, 7218);
    EXPECT_EQ(log(), "level\nlevel\nx\n5\n0\nlevel\ny\n");
    EXPECT_EQ(clock_mode, 1);  // "level" touches nothing else
}

TEST_F(Interpreter, DepthAndPlyWithTheClockModeRule) {
    run("depth 6");
    EXPECT_EQ(search_depth, 6);
    EXPECT_EQ(clock_mode, 2);
    run("levelmode 3 ply 7");
    EXPECT_EQ(search_depth, 7);
    EXPECT_EQ(clock_mode, 3);
    run("noclocks depth 5");
    EXPECT_EQ(search_depth, 5);
    EXPECT_EQ(clock_mode, 0);
    run("levelmode 5");
    EXPECT_EQ(clock_mode, 5);
}

TEST_F(Interpreter, DepthOutsideOneToTheMaximumIsRefused) {
    for (const char* text : {"depth 0", "depth 65", "ply -1", "depth 99999999999", "depth x"}) {
        run(text);
        EXPECT_EQ(search_depth, 4) << text;
        EXPECT_EQ(clock_mode, 1) << text;
    }
    run("depth 64");
    EXPECT_EQ(search_depth, MAX_SEARCH_DEPTH);
    EXPECT_EQ(clock_mode, 2);
    run("depth 1");
    EXPECT_EQ(search_depth, 1);
}

TEST_F(Interpreter, LevellockStopsOnlyTheLockedCommands) {
    run("levellock depth 8 level 40 0:30 0 levelmode 3 noclocks bookoff advancelevel 1 emotion -3 donullmove "
        "docutting advancedsearchingon soundon force lognodes");
    EXPECT_EQ(settings_locked, 1);
    EXPECT_EQ(search_depth, 4);
    EXPECT_EQ(clock_mode, 1);
    EXPECT_EQ(move_time_ms, 6562);
    EXPECT_EQ(book_enabled, 1);
    EXPECT_EQ(eval_variant, 1);
    EXPECT_EQ(emotion, -3);
    EXPECT_EQ(null_move_enabled, 1);
    EXPECT_EQ(cutting_enabled, 1);
    EXPECT_EQ(advanced_search, 1);
    EXPECT_EQ(sound_enabled, 1);
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(log_nodes, 1);
    // The locked commands' numbers came back as words; 3 then set nothing.
    EXPECT_EQ(log(), "levellock\ndepth\n8\nlevel\n40\n0:30\n0\nlevelmode\n3\nnoclocks\nbookoff\nadvancelevel\n"
                     "emotion\ndonullmove\ndocutting\nadvancedsearchingon\nsoundon\nforce\nlognodes\n");
}

TEST_F(Interpreter, SwitchesOnAndOff) {
    run("bookoff soundon advancedsearchingon twoplayers xboard reverse");
    EXPECT_EQ(book_enabled, 0);
    EXPECT_EQ(sound_enabled, 1);
    EXPECT_EQ(advanced_search, 1);
    EXPECT_EQ(force_mode, 1);
    EXPECT_EQ(human_mode, 0);
    EXPECT_EQ(board_reversed, 1);
    run("bookon soundoff advancedsearchingoff reverse new advancelevel 4 emotion 2");
    EXPECT_EQ(book_enabled, 1);
    EXPECT_EQ(sound_enabled, 0);
    EXPECT_EQ(advanced_search, 0);
    EXPECT_EQ(board_reversed, 0);
    EXPECT_EQ(force_mode, 1);  // "new" keeps force mode
    EXPECT_EQ(human_mode, 0);
    EXPECT_EQ(eval_variant, 4);
    EXPECT_EQ(emotion, 2);
    EXPECT_EQ(output(), "");  // "reverse" is silent in xboard mode
}

TEST_F(Interpreter, AWordFromOutsideTheBufferIsCopiedIn) {
    char word[] = "levelmode";
    text_stream in("3");
    input_stream = in.file;
    interpret_word(word);
    EXPECT_EQ(clock_mode, 3);
    EXPECT_STREQ(word_buffer, "levelmode");
    input_stream = stdin;
}

// --- Move text ---

TEST(MoveText, ShapeAndCapitals) {
    const struct {
        const char* word;
        int result;
        const char* after;
    } cases[] = {
        {"e2e4", 1, "E2E4"},   {"E2E4", 1, "E2E4"},   {"e7e8q", 1, "E7E8Q"}, {"e2e4+", 1, "E2E4+"},
        {"g1f3xyz", 1, "G1F3Xyz"}, {"i2i4", 1, "I2I4"}, {"z1a1", 1, "Z1A1"},  {"e2e9", 0, "e2e9"},
        {"e0e4", 0, "e0e4"},   {"e2", 0, "e2"},       {"2e4e", 0, "2e4e"},   {"12e4", 0, "12E4"},
        {"e2-e4", 0, "e2-e4"}, {"", 0, ""},           {"e2e", 0, "e2e"},
    };
    for (const auto& c : cases) {
        char word[16];
        std::strcpy(word, c.word);
        EXPECT_EQ(is_move_text(word), c.result) << c.word;
        EXPECT_STREQ(word, c.after) << c.word;
    }
}

TEST(MoveText, NeverLooksPastTheTerminator) {
    // Stale characters behind a short word must not make it move text.
    char word[8] = {'e', '2', '\0', '4', 'x', 0, 0, 0};
    EXPECT_EQ(is_move_text(word), 0);
    char word2[8] = {'e', '\0', 'e', '4', 0, 0, 0, 0};
    EXPECT_EQ(is_move_text(word2), 0);
}

TEST(MoveText, ParseFillsSquaresAndPromotion) {
    move m = parse_move_text("E7E8Q");
    EXPECT_EQ(m.from_file, 4);
    EXPECT_EQ(m.from_rank, 6);
    EXPECT_EQ(m.to_file, 4);
    EXPECT_EQ(m.to_rank, 7);
    EXPECT_EQ(m.promotion, QUEEN);
    EXPECT_EQ(m.score, 0);
    EXPECT_EQ(parse_move_text("A1H8").promotion, 0);
    EXPECT_EQ(parse_move_text("B7A8R").promotion, ROOK);
    EXPECT_EQ(parse_move_text("B7A8B").promotion, BISHOP);
    EXPECT_EQ(parse_move_text("B7A8N").promotion, KNIGHT);
    EXPECT_EQ(parse_move_text("B7A8K").promotion, 0);
    m = parse_move_text("H1A8");
    EXPECT_EQ(m.from_file, 7);
    EXPECT_EQ(m.from_rank, 0);
    EXPECT_EQ(m.to_file, 0);
    EXPECT_EQ(m.to_rank, 7);
}

TEST(MoveText, LowerCaseInPlace) {
    char word[] = "E2E5Xy-Z";
    EXPECT_EQ(lower_case(word), word);
    EXPECT_STREQ(word, "e2e5xy-z");
}

class UserMoves : public engine_state_test {
   protected:
    void set(const char* fen) {
        int side = WHITE;
        ASSERT_TRUE(parse_fen(fen, game_position, side));
        side_to_move = side;
        generate_moves(game_position, game_moves);
    }
    int listed(const char* text) {
        char word[16];
        std::strcpy(word, text);
        if (!is_move_text(word)) return -1;
        return is_listed_move(parse_move_text(word), game_moves);
    }
};

TEST_F(UserMoves, PromotionRuleOfTheListedTest) {
    set("r5k1/4P3/8/8/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(listed("e7e8"), 0);
    EXPECT_EQ(listed("e7e8k"), 0);
    EXPECT_EQ(listed("e7e8q"), 1);
    EXPECT_EQ(listed("e7e8r"), 1);  // the generator lists only queen and knight
    EXPECT_EQ(listed("e7e8b"), 1);
    EXPECT_EQ(listed("e7e8n"), 1);
    EXPECT_EQ(listed("a1a8"), 1);   // a rook to the last rank needs no letter
    EXPECT_EQ(listed("a1a8q"), 1);  // and ignores one
    EXPECT_EQ(listed("e7d8q"), 0);  // no such move
    EXPECT_EQ(listed("i1i2"), 0);
}

TEST_F(UserMoves, BlackPawnToTheFirstRank) {
    set("4k3/8/8/8/8/8/3p4/4K3 b - - 0 1");
    EXPECT_EQ(listed("d2d1"), 0);
    EXPECT_EQ(listed("d2d1n"), 1);
}

TEST_F(UserMoves, LegalMoveIsMadeAndTheSideFlipped) {
    session_begin_xboard();
    run("force e2e4 e7e8");
    EXPECT_EQ(side_to_move, BLACK);
    EXPECT_EQ(game_position.board[square_index(4, 3)], WHITE * 16 + PAWN);
    EXPECT_EQ(game_position.en_passant_file, 4);
    EXPECT_EQ(game_moves.count, 20);  // black's replies, generated after the move
    EXPECT_EQ(user_move.from_file, 4);
    EXPECT_EQ(output(), "Illegal move: e7e8\n");
}

TEST_F(UserMoves, EngineMoveLine) {
    set("4k3/P7/8/8/8/8/4P3/4K3 w - - 0 1");
    move m = {};
    m.from_file = 4, m.from_rank = 1, m.to_file = 4, m.to_rank = 3, m.promotion = NO_PROMOTION;
    char text[8];
    engine_move_text(m, text);  // from the position before the move
    game_play(m);               // the game plays the move; the front end prints it
    emit_engine_move(text);
    EXPECT_EQ(game_position.board[square_index(4, 3)], WHITE * 16 + PAWN);
    m = {};
    m.from_file = 0, m.from_rank = 6, m.to_file = 0, m.to_rank = 7, m.promotion = KNIGHT;
    engine_move_text(m, text);
    game_play(m);
    emit_engine_move(text);
    EXPECT_EQ(game_position.board[square_index(0, 7)], WHITE * 16 + KNIGHT);
    EXPECT_EQ(output(), "move e2e4\nmove a7a8n\n");
    EXPECT_EQ(log(), "move e2e4\nmove a7a8n\n");
    EXPECT_STREQ(word_buffer, "move a7a8n");
}

TEST_F(UserMoves, NodeCountLine) {
    node_count = 5000000123ull;
    log_node_count();
    EXPECT_EQ(log(), "");
    log_nodes = 1;
    log_node_count();
    EXPECT_EQ(log(), "nodes 5000000123\n");
    node_count = 0;
}

// --- Reports ---

class Reports : public UserMoves {};

TEST_F(Reports, MateAndStalemateLinesOfBothReports) {
    set("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");  // black is mated
    report_engine_win_or_stalemate();
    set("7k/8/6QK/8/8/8/8/8 b - - 0 1");  // black is stalemated
    report_user_win_or_stalemate();
    set("8/8/8/8/8/5k2/5q2/5K2 w - - 0 1");  // white is mated
    report_user_win_or_stalemate();
    EXPECT_EQ(output(), "1-0 {White mates}\nYou Lose!\n1/2-1/2 {Stalemate}\nStalemate!\n0-1 {Black mates}\n"
                        "Congratulations! You win!\n");
    EXPECT_EQ(game_count, 3);
    session_begin_xboard();
    report_engine_win_or_stalemate();
    EXPECT_EQ(output().substr(output().size() - 18), "0-1 {Black mates}\n");
    EXPECT_EQ(game_count, 4);
    EXPECT_TRUE(std::filesystem::exists("book.dat"));
}

TEST_F(Reports, AfterADrawFlagOnlyTheClaimIsPrinted) {
    set("7k/8/6QK/8/8/8/8/8 b - - 0 1");
    game_position.fifty_move_draw = 1;
    report_draw_claims();
    report_user_win_or_stalemate();
    game_position.fifty_move_draw = 0;
    game_position.repetition_draw = 1;
    report_engine_win_or_stalemate();
    EXPECT_EQ(output(), "1/2-1/2 {Draw by 50 move rule}\n");
    EXPECT_EQ(game_count, 2);  // still counted
}

TEST_F(Reports, DrawClaimsInTheirOrder) {
    set("4k3/8/8/8/8/8/8/3BK3 w - - 0 1");
    game_position.repetition_draw = 1;
    game_position.fifty_move_draw = 1;
    // Under a GUI speaking protocol 2 the engine's own claims are not made
    // (standard chess's are, as the moves are played).
    session_begin_xboard();
    session_note_word("hard");
    report_draw_claims();
    EXPECT_EQ(output(), "");
    reset_session();
    report_draw_claims();
    EXPECT_EQ(output(),
              "1/2-1/2 {Draw by triple repetition}\n1/2-1/2 {Draw by 50 move rule}\n"
              "1/2-1/2 {Draw by insufficient material}\n");
    EXPECT_EQ(game_count, 0);  // claims count nothing
    const size_t printed = output().size();
    set("4k3/8/8/8/8/8/8/2BBK3 w - - 0 1");  // two bishops can mate
    report_draw_claims();
    set("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    report_draw_claims();
    EXPECT_EQ(output().size(), printed);
}

// --- Board file ---

class BoardFile : public engine_state_test {
   protected:
    void write(const std::string& text) { session_file("board.txt", text); }
    static void session_file(const char* name, const std::string& text) {
        FILE* f = std::fopen(name, "w");
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
};

TEST_F(BoardFile, LoadSumsMaterialSetsKingsAndClearsTheHistory) {
    session_begin_xboard();
    game_position.repetition_draw = 1;
    game_position.fifty_move_count = 40;
    // Only a word's first character counts; "x" on h8 leaves the start
    // position's rook there, uncounted.
    write("r . . . k . . x \n. . . . . . . . \n. . . . . . . . \n. . . . . . . . \n"
          ". . . . P . . . \n. . . . . . . . \nPawn . . . . . . . \nQ. Kx . . . . . . \n\n"
          "White castle (was,right,left) = 1 0 0\nBlack castle (was,right,left) = 0 0 1\n"
          "EnPassant (0=NULL) = 5\nPlayer = 2\n");
    load_board_file();
    EXPECT_EQ(game_position.board[square_index(0, 0)], WHITE * 16 + QUEEN);
    EXPECT_EQ(game_position.board[square_index(1, 0)], WHITE * 16 + KING);
    EXPECT_EQ(game_position.board[square_index(0, 1)], WHITE * 16 + PAWN);
    EXPECT_EQ(game_position.board[square_index(7, 7)], BLACK * 16 + ROOK);
    EXPECT_EQ(game_position.white_material, 11);
    EXPECT_EQ(game_position.black_material, 5);
    EXPECT_EQ(game_position.white_king_file, 1);
    EXPECT_EQ(game_position.white_king_rank, 0);
    EXPECT_EQ(game_position.black_king_file, 4);
    EXPECT_EQ(game_position.black_king_rank, 7);
    EXPECT_EQ(game_position.en_passant_file, 4);
    EXPECT_EQ(side_to_move, BLACK);
    EXPECT_EQ(game_position.white_castled, 1);
    EXPECT_EQ(game_position.white_castle_right, 0);
    EXPECT_EQ(game_position.black_castle_left, 1);
    EXPECT_EQ(game_position.repetition_draw, 0);
    EXPECT_EQ(game_position.fifty_move_count, 0);
    EXPECT_EQ(game_position.history_count, 0);
    EXPECT_EQ(output(), "");  // no diagram in xboard mode
}

TEST_F(BoardFile, EnPassantAndCastlingNeedTheirPieces) {
    session_begin_xboard();
    const std::string ranks =
        "r n b q k b n r \np p p . p p p p \n. . . . . . . . \n. . . p . . . . \n"
        ". . . . . . . . \n. . . . . . . . \nP P P P P P P P \nR N B Q . K N R \n\n";
    const std::string rest = "White castle (was,right,left) = 0 1 1\nBlack castle (was,right,left) = 0 1 1\n";
    write(ranks + rest + "EnPassant (0=NULL) = 4\nPlayer = 1\n");  // d7d5 just played: kept
    load_board_file();
    EXPECT_EQ(game_position.en_passant_file, 3);
    EXPECT_EQ(game_position.white_castle_right + game_position.white_castle_left, 0);  // king on f1
    EXPECT_EQ(game_position.black_castle_right + game_position.black_castle_left, 2);
    write(ranks + rest + "EnPassant (0=NULL) = 5\nPlayer = 1\n");  // no black pawn on e5
    load_board_file();
    EXPECT_EQ(game_position.en_passant_file, NO_EN_PASSANT);
    write(ranks + rest + "EnPassant (0=NULL) = 4\nPlayer = 2\n");  // the pawn is black's own
    load_board_file();
    EXPECT_EQ(game_position.en_passant_file, NO_EN_PASSANT);
}
