// Chess960: castling from any files, its FEN forms, and the move forms the
// protocols send and receive.  The castling moves expected in each position
// were worked out on a board by hand; the perft check (perft_check.py)
// compares whole trees, and go perft's output, with python-chess besides.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rules/move_text.h"
#include "rules/san.h"
#include "rules_test_util.h"

namespace {

position pos;
int side = WHITE;

void set960(const char* fen) {
    int halfmove = 0;
    ASSERT_EQ(read_set_up_position(fen, pos, side, halfmove, true), nullptr) << fen;
    side_to_move = side;
}

// The castling moves listed in pos (the king onto its own rook).
std::vector<std::string> castlings() {
    static move_list list;
    generate_moves(pos, list);
    std::vector<std::string> out;
    for (int i = 0; i < list.count; ++i)
        if (is_castling(pos, list.moves[i])) out.push_back(move_string(list.moves[i]));
    std::sort(out.begin(), out.end());
    return out;
}

std::string fen_of(const position& p, int s) {
    char text[FEN_TEXT_SIZE];
    write_fen(p, s, 0, 1, text);
    return text;
}

}  // namespace

TEST(Chess960, CastlingFromEveryKindOfStart) {
    const struct {
        const char* fen;
        std::vector<std::string> castles;
        const char* why;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/5KR1 w G - 0 1", {"f1g1"}, "king and rook on each other's target squares"},
        {"4k3/8/8/8/8/8/8/6KR w H - 0 1", {"g1h1"}, "the king already on its castled square"},
        {"4k3/8/8/8/8/8/8/RK6 w A - 0 1", {"b1a1"}, "the rook beside the king"},
        {"4k3/8/8/8/8/8/8/RKR5 w CA - 0 1", {"b1c1"}, "O-O-O would end on the other rook's square"},
        {"4k3/8/8/8/8/8/8/1R3K1R w HB - 0 1", {"f1b1", "f1h1"}, "both ways, the queen-side rook on b"},
        {"4k1r1/8/8/8/8/8/8/6KR w H - 0 1", {}, "a king in check castles not"},
        {"4r1k1/8/8/8/8/8/8/1K5R w H - 0 1", {}, "e1 on the king's path is attacked"},
        {"4k3/8/8/8/8/8/8/qR3K2 w B - 0 1", {}, "the rook on b1 shields c1 from the queen on a1"},
        {"r3kr2/8/8/8/8/8/8/4K3 b fa - 0 1", {"e8a8", "e8f8"}, "Black's, the rook on f8 beside the king"},
    };
    for (const auto& c : cases) {
        set960(c.fen);
        EXPECT_EQ(castlings(), c.castles) << c.fen << ": " << c.why;
    }
    // King and rook end on g1 and f1 whatever squares they left; a rook
    // taken on its square takes its right along, the other right stays.
    set960("1r2k2r/8/8/8/8/8/8/1R3KR1 w GBhb - 0 1");
    EXPECT_EQ(make_move(pos, text_move("f1g1")), MOVE_QUIET) << "castling takes nothing";
    EXPECT_EQ(fen_of(pos, BLACK), "1r2k2r/8/8/8/8/8/8/1R3RK1 b hb - 0 1");
    set960("1r2k2r/8/8/8/8/8/8/1R2K2R w HBhb - 0 1");
    make_move(pos, text_move("b1b8"));
    EXPECT_EQ(fen_of(pos, BLACK), "1R2k2r/8/8/8/8/8/8/4K2R b Hh - 0 1");
}

TEST(Chess960, FenRoundTripsInBothNotations) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9",
         "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 0 1"},
        // X-FEN: K and Q are the outermost rooks; a file letter names an
        // inner one (G here, with H beside it), and Shredder-FEN comes out.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1"},
        {"rk4rr/pppppppp/8/8/8/8/PPPPPPPP/RK4RR w Kq - 0 1", "rk4rr/pppppppp/8/8/8/8/PPPPPPPP/RK4RR w Ha - 0 1"},
        {"rk4rr/pppppppp/8/8/8/8/PPPPPPPP/RK4RR w Gg - 0 1", "rk4rr/pppppppp/8/8/8/8/PPPPPPPP/RK4RR w Gg - 0 1"},
    };
    for (const auto& c : cases) {
        set960(c.in);
        EXPECT_EQ(fen_of(pos, side), c.out) << c.in;
        set960(c.out);
        EXPECT_EQ(fen_of(pos, side), c.out) << "the written FEN reads back the same";
    }
    // The inner rook's right castles with the inner rook.
    set960("rk4rr/pppppppp/8/8/8/8/PPPPPPPP/RK4RR w Gg - 0 1");
    EXPECT_EQ(castlings(), std::vector<std::string>{"b1g1"});
    // Standard chess writes KQkq, and reads the outer rooks' letters too.
    int halfmove = 0;
    ASSERT_EQ(read_set_up_position("r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1", pos, side, halfmove), nullptr);
    EXPECT_EQ(fen_of(pos, side), "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    // Rights that name no rook, or a king off its first rank, are refused.
    for (const char* bad : {"4k3/8/8/8/8/8/8/4K3 w K - 0 1", "4k3/8/8/8/8/8/4K3/R6R w A - 0 1",
                            "4k3/8/8/8/8/8/8/R3K2R w C - 0 1", "4k3/8/8/8/8/8/8/R3K2R w HH - 0 1"})
        EXPECT_NE(read_set_up_position(bad, pos, side, halfmove, true), nullptr) << bad;
}

TEST(Chess960, MovesAreReadInTheFormsGuisSend) {
    char word[16];
    move m;
    static move_list list;
    // Chess960: the king onto its rook, or (where it names no other move)
    // onto its castled square; SAN's O-O.
    set960("4k3/8/8/8/8/8/8/1R2K2R w HB - 0 1");
    const struct {
        const char* sent;
        const char* read;
    } forms[] = {{"e1h1", "e1h1"}, {"e1g1", "e1h1"}, {"e1b1", "e1b1"}, {"e1c1", "e1b1"}, {"e1d1", "e1d1"}};
    for (const auto& f : forms) {
        std::snprintf(word, sizeof word, "%s", f.sent);
        ASSERT_EQ(read_text_move(pos, word, list, m), move_reading::legal) << f.sent;
        EXPECT_EQ(move_string(m).substr(0, 4), f.read) << f.sent;
    }
    generate_moves(pos, list);
    move found;
    ASSERT_EQ(resolve_san(pos, list, "O-O-O", found), san_result::legal_move);
    EXPECT_EQ(move_string(found), "e1b1");
    EXPECT_NE(resolve_san(pos, list, "Kb1", found), san_result::legal_move) << "castling is not a king's capture";
    char san[SAN_TEXT_SIZE];
    write_san(pos, WHITE, text_move("e1h1"), san);
    EXPECT_STREQ(san, "O-O");
    // Standard chess: e1a1 only where the caller takes that form.
    int halfmove = 0;
    ASSERT_EQ(read_set_up_position("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", pos, side, halfmove), nullptr);
    side_to_move = WHITE;
    std::snprintf(word, sizeof word, "e1a1");
    EXPECT_EQ(read_text_move(pos, word, list, m), move_reading::not_legal);
    std::snprintf(word, sizeof word, "e1a1");
    ASSERT_EQ(read_text_move(pos, word, list, m, true), move_reading::legal);
    EXPECT_EQ(move_string(m).substr(0, 4), "e1c1");
}
