// The PGN reader on hand-made files: what each game's tags, move words and
// end are, written out by hand from the text beside them.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "game/pgn.h"

namespace {

// What the reader made of one game, in plain values.
struct read_game {
    std::string white, black, result, setup, fen;
    bool has_result = false, has_setup = false, has_fen = false;
    int tags = 0;
    std::vector<std::string> words;
    std::vector<bool> cut;
    bool dropped = false;
    pgn_end end = pgn_end::file_end;
    std::string end_token;
    long first_line = 0;
};

// Every game of text, as the reader gives them.
std::vector<read_game> read_all(const std::string& text) {
    std::string copy = text;
    FILE* stream = copy.empty() ? std::fopen("/dev/null", "r") : ::fmemopen(copy.data(), copy.size(), "r");
    EXPECT_NE(stream, nullptr);
    std::vector<read_game> games;
    if (stream == nullptr) return games;
    auto reader = std::make_unique<pgn_reader>(stream);
    auto game = std::make_unique<pgn_game>();
    while (reader->next_game(*game)) {
        read_game g;
        g.white = game->white;
        g.black = game->black;
        g.result = game->result;
        g.setup = game->setup;
        g.fen = game->fen;
        g.has_result = game->has_result;
        g.has_setup = game->has_setup;
        g.has_fen = game->has_fen;
        g.tags = game->tag_count;
        for (int i = 0; i < game->word_count; ++i) {
            g.words.push_back(game->words[i].text);
            g.cut.push_back(game->words[i].cut);
        }
        g.dropped = game->words_dropped;
        g.end = game->end;
        g.end_token = game->end_token;
        g.first_line = game->first_line;
        games.push_back(g);
        if (games.size() > 100000) break;  // a reader that never ends would fail here, not hang
    }
    std::fclose(stream);
    return games;
}

using words = std::vector<std::string>;

}  // namespace

TEST(PgnReader, TagsWithEscapesAndBytesPassedThrough) {
    const auto games = read_all(
        "[Event \"Club \\\"Open\\\" \\\\ 2024\"]\n"
        "[White \"M\xfcller, J\xf6rg\"]\n"        // Latin-1
        "[Black \"\xc5\x81ukasz \xe6\x9d\x8e\"]\n"  // UTF-8
        "[Result \"0-1\"]\n"
        "[SetUp \"1\"]\n"
        "[FEN \"8/8/8/8/8/8/8/K1k5 w - - 0 1\"]\n"
        "\n"
        "1. Ka2 0-1\n");
    ASSERT_EQ(games.size(), 1u);
    const read_game& g = games[0];
    EXPECT_EQ(g.white, "M\xfcller, J\xf6rg");
    EXPECT_EQ(g.black, "\xc5\x81ukasz \xe6\x9d\x8e");
    EXPECT_EQ(g.result, "0-1");
    EXPECT_TRUE(g.has_result);
    EXPECT_EQ(g.setup, "1");
    EXPECT_EQ(g.fen, "8/8/8/8/8/8/8/K1k5 w - - 0 1");
    EXPECT_TRUE(g.has_setup && g.has_fen);
    EXPECT_EQ(g.tags, 6);
    EXPECT_EQ(g.words, words({"Ka2"}));
    EXPECT_EQ(g.end, pgn_end::result);
    EXPECT_EQ(g.end_token, "0-1");
    EXPECT_EQ(g.first_line, 1);
    // The escapes themselves: a quote and a backslash kept, the string's end found.
    const auto escaped = read_all("[White \"a\\\"b\\\\\"] [Black \"c\\d\"]\n1. e4 *");
    ASSERT_EQ(escaped.size(), 1u);
    EXPECT_EQ(escaped[0].white, "a\"b\\");
    EXPECT_EQ(escaped[0].black, "c\\d");  // another escape stays as written
}

TEST(PgnReader, BrokenAndLongTagsAreTakenAsFarAsTheyGo) {
    const std::string long_name(400, 'x');
    const auto games = read_all("[White \"" + long_name + "\"]\n[Black Smith]\n[Result \"1-0\n[FEN]\n1. e4 1-0");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].white, std::string(255, 'x'));
    EXPECT_EQ(games[0].black, "Smith");  // no quotes: up to the bracket
    EXPECT_EQ(games[0].result, "1-0");   // the line ended inside the string
    EXPECT_TRUE(games[0].has_fen);
    EXPECT_EQ(games[0].fen, "");
    EXPECT_EQ(games[0].tags, 4);
    EXPECT_EQ(games[0].words, words({"e4"}));
    // A tag name longer than any this reader knows is no tag it keeps.
    const auto odd = read_all("[WhiteWhiteWhiteWhite \"A\"]\n*");
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_EQ(odd[0].white, "");
    EXPECT_EQ(odd[0].tags, 1);
}

TEST(PgnReader, MoveNumbersNagsSuffixesAndResults) {
    const auto games = read_all(
        "1. e4 e5 2.Nf3 2...Nc6 3 Bb5 a6 4. Ba4 $1 Nf6 $14 5.O-O!? Be7?! 6. Re1 ... b5 7.Bb3 d6 $2\n"
        "8. c3 0-0 9. h3 Na5 10. Bc2 c5 11. d4 Qc7 12. dxe5 dxe5 13. Nbd2 e.p. 1/2-1/2\n"
        "1. d4 d5 0-1 1. c4 1-0 *");
    ASSERT_EQ(games.size(), 4u);
    EXPECT_EQ(games[0].words, words({"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6", "O-O!?", "Be7?!",
                                     "Re1", "b5", "Bb3", "d6", "c3", "0-0", "h3", "Na5", "Bc2", "c5", "d4",
                                     "Qc7", "dxe5", "dxe5", "Nbd2"}));
    EXPECT_EQ(games[0].end_token, "1/2-1/2");
    EXPECT_EQ(games[0].has_result, false);
    EXPECT_EQ(games[0].tags, 0);
    EXPECT_EQ(games[1].words, words({"d4", "d5"}));
    EXPECT_EQ(games[1].end_token, "0-1");
    EXPECT_EQ(games[2].words, words({"c4"}));
    EXPECT_EQ(games[2].end_token, "1-0");
    EXPECT_EQ(games[3].words, words({}));  // a result alone is a game without moves
    EXPECT_EQ(games[3].end_token, "*");
    EXPECT_EQ(games[3].end, pgn_end::result);
    for (const read_game& g : games) EXPECT_EQ(g.first_line, &g == &games[0] ? 1 : 3);
}

TEST(PgnReader, CommentsVariationsAndEscapedLinesAreSkipped) {
    const auto games = read_all(
        "% a line for other programs [White \"No\"]\n"
        "[White \"A\"]\n"
        "%[Black \"No\"]\n"
        "[Black \"B\"]\n"
        "{ a comment before the moves }\n"
        "1. e4 {[%clk 0:00:29.5]} 1... c5 {[%clk 0:00:29.1]\n"
        "   over two lines ) ( } 2. Nf3 ; e5 d6 to the end of the line\n"
        "2... d6 (2... Nc6 3. d4 (3. Bb5 {a ) in a comment} g6) ; ) in a line comment\n"
        "3... cxd4) 3. d4 %not at the start of a line\n"
        "% cxd4 at the start of a line\n"
        "cxd4 1-0\n");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].white, "A");
    EXPECT_EQ(games[0].black, "B");
    EXPECT_EQ(games[0].tags, 2);
    EXPECT_EQ(games[0].words, words({"e4", "c5", "Nf3", "d6", "d4", "%not", "at", "the", "start", "of", "a",
                                     "line", "cxd4"}));
    EXPECT_EQ(games[0].end_token, "1-0");
    EXPECT_EQ(games[0].first_line, 2);
}

TEST(PgnReader, LineEndsAndTheByteOrderMark) {
    // The same two games with LF, CRLF and CR line ends, and with a BOM.
    const std::string lf =
        "[White \"A\"]\n[Result \"1-0\"]\n\n1. e4 ; note\ne5 1-0\n\n[White \"C\"]\n\n1. d4 {x\ny} d5 *\n";
    for (const std::string& end : {std::string("\n"), std::string("\r\n"), std::string("\r")}) {
        for (const std::string& bom : {std::string(), std::string("\xef\xbb\xbf")}) {
            std::string text = bom;
            for (const char c : lf) text += c == '\n' ? end : std::string(1, c);
            const auto games = read_all(text);
            SCOPED_TRACE("line end " + std::to_string(end.size()) + ", bom " + std::to_string(bom.size()));
            ASSERT_EQ(games.size(), 2u);
            EXPECT_EQ(games[0].white, "A");
            EXPECT_EQ(games[0].result, "1-0");
            EXPECT_EQ(games[0].words, words({"e4", "e5"}));
            EXPECT_EQ(games[0].first_line, 1);
            EXPECT_EQ(games[1].white, "C");
            EXPECT_EQ(games[1].words, words({"d4", "d5"}));
            EXPECT_EQ(games[1].first_line, 7);
        }
    }
    // A BOM opening a '%' line: the escape still counts.
    const auto escaped = read_all("\xef\xbb\xbf%[White \"No\"]\n[White \"Yes\"] *");
    ASSERT_EQ(escaped.size(), 1u);
    EXPECT_EQ(escaped[0].white, "Yes");
}

TEST(PgnReader, WhereAGameEnds) {
    // Without a result token: at the next tag section, and at the end of the
    // file (a cut-off last game still gives its moves).
    const auto games = read_all("[White \"A\"]\n1. e4 e5\n[White \"B\"]\n[Black \"C\"]\n1. d4 d5 2. c4 (2. Nf3");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].words, words({"e4", "e5"}));
    EXPECT_EQ(games[0].end, pgn_end::next_tags);
    EXPECT_EQ(games[0].end_token, "");
    EXPECT_EQ(games[1].white, "B");
    EXPECT_EQ(games[1].black, "C");
    EXPECT_EQ(games[1].words, words({"d4", "d5", "c4"}));
    EXPECT_EQ(games[1].end, pgn_end::file_end);
    EXPECT_EQ(games[1].first_line, 3);
    // A variation never closed ends at the next game's tags; a comment never
    // closed runs to the end of the file.
    const auto open = read_all("1. e4 (1. d4 d5\n[White \"D\"]\n1. c4 {never closed [White \"E\"] 1. f4");
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].words, words({"e4"}));
    EXPECT_EQ(open[1].white, "D");
    EXPECT_EQ(open[1].words, words({"c4"}));
    // Nothing but comments, blanks and escaped lines: no game.
    EXPECT_EQ(read_all("").size(), 0u);
    EXPECT_EQ(read_all("\n\n  {just a comment}\n; and a line\n%escaped\n").size(), 0u);
    EXPECT_EQ(read_all("\xef\xbb\xbf").size(), 0u);
}

TEST(PgnReader, LongWordsAndLongGamesStayBounded) {
    const std::string long_word(100, 'N');
    std::string text = "1. e4 " + long_word + " 2. " + std::string(31, 'Q') + " " + std::string(32, 'R') + " *\n";
    for (int i = 0; i < PGN_MAX_WORDS + 10; ++i) text += "Nf3 ";
    text += "1-0";
    const auto games = read_all(text);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].words, words({"e4", std::string(31, 'N'), std::string(31, 'Q'), std::string(31, 'R')}));
    EXPECT_EQ(games[0].cut, std::vector<bool>({false, true, false, true}));
    EXPECT_FALSE(games[0].dropped);
    EXPECT_EQ(games[1].words.size(), static_cast<size_t>(PGN_MAX_WORDS));
    EXPECT_TRUE(games[1].dropped);
    EXPECT_EQ(games[1].end_token, "1-0");
}

TEST(PgnReader, ManyGamesAcrossTheReadersBlocks) {
    // Far more than one 64 KiB block, so that tags, words and comments fall
    // across block edges.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "[White \"Player " + std::to_string(i) + "\"]\n1. e4 {[%clk 0:01:00]} e5 2. Nf3 Nc6 1-0\n\n";
    ASSERT_GT(text.size(), 2 * 65536u);
    const auto games = read_all(text);
    ASSERT_EQ(games.size(), 3000u);
    for (int i = 0; i < 3000; ++i) {
        EXPECT_EQ(games[i].white, "Player " + std::to_string(i));
        EXPECT_EQ(games[i].words, words({"e4", "e5", "Nf3", "Nc6"}));
        EXPECT_EQ(games[i].first_line, 1 + 3 * i);
    }
}
