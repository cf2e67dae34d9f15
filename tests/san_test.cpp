// SAN words resolved against the legal moves, and coordinate text read
// against them.  Every expected move was worked out on a board by hand from
// the FEN beside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "rules/move_text.h"
#include "rules/san.h"
#include "rules_test_util.h"

namespace {

struct san_case {
    const char* word;
    san_result result;
    const char* move;  // coordinate text of the move found ("" when none)
};

// Resolves each word in the position of fen and checks result and move.
void check_words(const char* fen, const std::vector<san_case>& cases) {
    load_fen(fen);
    static move_list legal;
    generate_moves(game_position, legal);
    for (const san_case& c : cases) {
        move found{};
        found.from_file = -1;
        const san_result result = resolve_san(game_position, legal, c.word, found);
        EXPECT_EQ(static_cast<int>(result), static_cast<int>(c.result)) << fen << ": " << c.word;
        if (result == san_result::legal_move) EXPECT_EQ(move_string(found), c.move) << fen << ": " << c.word;
        else EXPECT_EQ(found.from_file, -1) << c.word << ": nothing is written for a word that names no move";
    }
}

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

}  // namespace

TEST(San, PieceAndPawnMovesFromTheStart) {
    check_words(START, {
                           {"e4", san_result::legal_move, "e2e4"},
                           {"e3", san_result::legal_move, "e2e3"},
                           {"Nf3", san_result::legal_move, "g1f3"},
                           {"Nc3", san_result::legal_move, "b1c3"},
                           {"Ngf3", san_result::legal_move, "g1f3"},  // disambiguation not needed
                           {"N1f3", san_result::legal_move, "g1f3"},
                           {"Ng1f3", san_result::legal_move, "g1f3"},
                           {"Nxf3", san_result::legal_move, "g1f3"},  // the capture mark is not checked
                           {"Nf3+", san_result::legal_move, "g1f3"},  // nor the check marks
                           {"Nf3#!?", san_result::legal_move, "g1f3"},
                           {"e4!!", san_result::legal_move, "e2e4"},
                           {"e5", san_result::no_pawn_move, ""},
                           {"e2", san_result::no_pawn_move, ""},
                           {"exd3", san_result::no_pawn_move, ""},
                           {"Nd4", san_result::no_piece_move, ""},
                           {"Nhf3", san_result::no_piece_move, ""},  // a knight on the h-file there is not
                           {"N2f3", san_result::no_piece_move, ""},
                           {"Bc4", san_result::no_piece_move, ""},
                           {"Ke2", san_result::no_piece_move, ""},
                           {"O-O", san_result::no_piece_move, ""},
                           {"0-0-0", san_result::no_piece_move, ""},
                       });
}

TEST(San, WordsOfNoSanShape) {
    // Commands and chatter a GUI sends, coordinate text and broken words.
    check_words(START, {
                           {"", san_result::not_san, ""},
                           {"name", san_result::not_san, ""},
                           {"hard", san_result::not_san, ""},
                           {"easy", san_result::not_san, ""},
                           {"exit", san_result::not_san, ""},
                           {"edit", san_result::not_san, ""},
                           {"black", san_result::not_san, ""},
                           {"computer", san_result::not_san, ""},
                           {"draw", san_result::not_san, ""},
                           {"go", san_result::not_san, ""},
                           {".", san_result::not_san, ""},
                           {"?", san_result::not_san, ""},
                           {"e2e4", san_result::not_san, ""},
                           {"nf3", san_result::not_san, ""},  // piece letters are capitals
                           {"Pe4", san_result::not_san, ""},
                           {"Nf", san_result::not_san, ""},
                           {"N", san_result::not_san, ""},
                           {"Nf9", san_result::not_san, ""},
                           {"Ni3", san_result::not_san, ""},
                           {"Nf3x", san_result::not_san, ""},
                           {"Nf3=Q", san_result::not_san, ""},  // only pawns promote
                           {"Ng1xxf3", san_result::not_san, ""},
                           {"Nxg1f3", san_result::not_san, ""},  // the capture mark comes before the target
                           {"N1gf3", san_result::not_san, ""},   // file before rank
                           {"Ng1f3h4", san_result::not_san, ""},
                           {"e4 ", san_result::not_san, ""},
                           {"e4=", san_result::not_san, ""},
                           {"e4=K", san_result::not_san, ""},
                           {"ex4", san_result::not_san, ""},
                           {"e", san_result::not_san, ""},
                           {"O-", san_result::not_san, ""},
                           {"O-0", san_result::not_san, ""},
                           {"o-o", san_result::not_san, ""},
                           {"O-O-", san_result::not_san, ""},
                           {"O-O-O-O", san_result::not_san, ""},
                           {"e4e.p", san_result::not_san, ""},
                           {"1-0", san_result::not_san, ""},
                       });
}

TEST(San, CastlingBothWaysInLettersAndZeros) {
    // Kings and rooks at home, nothing between: both castlings for each side.
    const char* fen = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";
    check_words(fen, {
                         {"O-O", san_result::legal_move, "e1g1"},
                         {"0-0", san_result::legal_move, "e1g1"},
                         {"O-O-O", san_result::legal_move, "e1c1"},
                         {"0-0-0+", san_result::legal_move, "e1c1"},
                         {"Kg1", san_result::no_piece_move, ""},  // castling is never the king's step
                         {"Kf1", san_result::legal_move, "e1f1"},
                     });
    check_words("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", {
                                                                         {"O-O", san_result::legal_move, "e8g8"},
                                                                         {"O-O-O", san_result::legal_move, "e8c8"},
                                                                     });
    // f1 attacked by the bishop on c4 through the empty e2: no short castling.
    check_words("r3k2r/pppppppp/8/8/2b5/8/PPPP1PPP/R3K2R w KQkq - 0 1", {
                                                                           {"O-O", san_result::no_piece_move, ""},
                                                                           {"O-O-O", san_result::legal_move, "e1c1"},
                                                                       });
}

TEST(San, DisambiguationByFileRankAndSquare) {
    // Rooks a1 and a5 (both reach a3), knights b1 and f3 (both reach d2),
    // queens e4, h4 and h8 (h4 and h8 reach h6; all three reach h7), the
    // white king on e1 and the black one on b6, out of every line.
    const char* fen = "7Q/8/1k6/R7/4Q2Q/5N2/8/RN2K3 w - - 0 1";
    check_words(fen, {
                         {"Ra3", san_result::ambiguous, ""},
                         {"R1a3", san_result::legal_move, "a1a3"},
                         {"R5a3", san_result::legal_move, "a5a3"},
                         {"Raa3", san_result::ambiguous, ""},   // a file both stand on
                         {"Rb5", san_result::legal_move, "a5b5"},  // only one of them reaches it
                         {"Nd2", san_result::ambiguous, ""},
                         {"Nbd2", san_result::legal_move, "b1d2"},
                         {"Nfd2", san_result::legal_move, "f3d2"},
                         {"N3d2", san_result::legal_move, "f3d2"},
                         {"Nf3d2", san_result::legal_move, "f3d2"},
                         {"Ne1", san_result::no_piece_move, ""},  // the king stands there
                         {"Qh6", san_result::ambiguous, ""},
                         {"Q8h6", san_result::legal_move, "h8h6"},
                         {"Qhh6", san_result::ambiguous, ""},
                         {"Qh4h6", san_result::legal_move, "h4h6"},
                         {"Qh7", san_result::ambiguous, ""},
                         {"Qeh7", san_result::legal_move, "e4h7"},
                         {"Qe4xh7", san_result::legal_move, "e4h7"},
                     });
}

TEST(San, PromotionToAnyOfTheFourPieces) {
    // A white pawn on e7 beside a black rook on f8; a black pawn on d2 that
    // steps to d1 or takes the knight on c1.
    const char* fen = "k4r2/4P3/8/8/8/8/3p4/K1N5 w - - 0 1";
    check_words(fen, {
                         {"e8=Q", san_result::legal_move, "e7e8q"},
                         {"e8Q", san_result::legal_move, "e7e8q"},
                         {"e8=R+", san_result::legal_move, "e7e8r"},
                         {"e8=B", san_result::legal_move, "e7e8b"},
                         {"e8N", san_result::legal_move, "e7e8n"},
                         {"exf8=Q", san_result::legal_move, "e7f8q"},
                         {"exf8=B#", san_result::legal_move, "e7f8b"},
                         {"e8", san_result::no_pawn_move, ""},  // the piece must be named
                         {"exd8=Q", san_result::no_pawn_move, ""},
                         {"e8=K", san_result::not_san, ""},
                         {"e8=P", san_result::not_san, ""},
                     });
    check_words("k4r2/4P3/8/8/8/8/3p4/K1N5 b - - 0 1", {
                                                          {"d1=Q", san_result::legal_move, "d2d1q"},
                                                          {"dxc1=R", san_result::legal_move, "d2c1r"},
                                                          {"d1", san_result::no_pawn_move, ""},
                                                          {"d1=Q=Q", san_result::not_san, ""},
                                                      });
    // A piece named where no promotion is.
    check_words(START, {{"e4=Q", san_result::no_pawn_move, ""}, {"e4Q", san_result::no_pawn_move, ""}});
}

TEST(San, EnPassantWithItsMarkApartOrAttached) {
    // Black has just played d7d5 beside the white pawn on e5.
    const char* fen = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2";
    check_words(fen, {
                         {"exd6", san_result::legal_move, "e5d6"},
                         {"exd6e.p.", san_result::legal_move, "e5d6"},
                         {"exd6e.p.+", san_result::legal_move, "e5d6"},
                         {"exd6+e.p.", san_result::legal_move, "e5d6"},
                         {"exf6", san_result::no_pawn_move, ""},
                         {"e6", san_result::legal_move, "e5e6"},
                         {"exd6e.p", san_result::not_san, ""},
                         {"exd6ep", san_result::not_san, ""},
                     });
}

TEST(San, PinnedPiecesAndCheckLeaveOnlyLegalMoves) {
    // The knight on e2 is pinned against its king by the rook on e8.
    check_words("4r1k1/8/8/8/8/8/4N3/4K3 w - - 0 1", {
                                                        {"Nc3", san_result::no_piece_move, ""},
                                                        {"Kd2", san_result::legal_move, "e1d2"},
                                                        {"Ke2", san_result::no_piece_move, ""},
                                                    });
    // Knights b1 and f3 both reach d2, but the one on f3 is pinned along
    // the third rank (king a3, rook h3): "Nd2" names one move only.
    check_words("7k/8/8/8/8/K4N1r/8/1N6 w - - 0 1", {
                                                       {"Nd2", san_result::legal_move, "b1d2"},
                                                       {"Nfd2", san_result::no_piece_move, ""},
                                                   });
}

// Coordinate text read against the legal moves, the one reading every
// protocol and the game files use.  Worked out by hand: from the start e2e4
// and g1f3 are legal, e2e5 is a pawn move of three squares, e7e5 moves a man
// of the side not to move; "hello" and "e2" have no coordinate shape.  In the
// second position White's pawn on e7 may go to e8 only as a named piece
// (e8 is empty, the black king on a8), and any of the four pieces will do.
TEST(MoveText, CoordinateTextToALegalMove) {
    const struct {
        const char* fen;
        const char* word;
        move_reading result;
        const char* move;  // the move read, when the shape is right
    } cases[] = {
        {START, "e2e4", move_reading::legal, "e2e4"},
        {START, "G1F3", move_reading::legal, "g1f3"},
        {START, "e2e5", move_reading::not_legal, "e2e5"},
        {START, "e7e5", move_reading::not_legal, "e7e5"},
        {START, "hello", move_reading::not_coordinates, ""},
        {START, "e2", move_reading::not_coordinates, ""},
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8", move_reading::not_legal, "e7e8"},
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", move_reading::legal, "e7e8q"},
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8r", move_reading::legal, "e7e8r"},
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8b", move_reading::legal, "e7e8b"},
    };
    for (const auto& c : cases) {
        load_fen(c.fen);
        char word[16];
        std::snprintf(word, sizeof word, "%s", c.word);
        move_list list{};
        move m{};
        const move_reading result = read_text_move(game_position, word, list, m);
        EXPECT_EQ(static_cast<int>(result), static_cast<int>(c.result)) << c.fen << ": " << c.word;
        if (result != move_reading::not_coordinates) {
            EXPECT_EQ(move_string(m), c.move) << c.word;
            EXPECT_GT(list.count, 0) << "the legal moves are left in the list";
        }
    }
}

namespace {
// The SAN write_san gives each coordinate move in the position of fen, and
// that the SAN reads back as the same move.
void check_written(const char* fen, const std::vector<std::pair<const char*, const char*>>& cases) {
    load_fen(fen);
    static move_list legal;
    generate_moves(game_position, legal);
    for (const auto& [coordinates, expected] : cases) {
        move m = text_move(coordinates);
        char written[SAN_TEXT_SIZE];
        write_san(game_position, side_to_move, m, written);
        EXPECT_STREQ(written, expected) << fen << ": " << coordinates;
        move back{};
        EXPECT_EQ(resolve_san(game_position, legal, written, back), san_result::legal_move) << written;
        EXPECT_EQ(move_string(back), coordinates) << written;
    }
}
}  // namespace

// Worked out on a board: pieces, pawns and captures, disambiguation by file,
// by rank and by both, castling, en passant, promotions, check and mate.
TEST(San, WrittenAsPgnWritesIt) {
    check_written(START, {{"g1f3", "Nf3"}, {"e2e4", "e4"}, {"b1c3", "Nc3"}});
    // Knights on b1 and f3 both reach d2; rooks on a1 and a5 both reach a3.
    check_written("4k3/8/8/R7/8/8/8/RN3NK1 w - - 0 1",
                  {{"b1d2", "Nbd2"}, {"f1d2", "Nfd2"}, {"a1a3", "R1a3"}, {"a5a3", "R5a3"}, {"a5e5", "Re5+"}});
    // Queens on a1, c1 and a3 all reach b2: the a1 queen needs file and rank.
    check_written("6k1/8/8/8/8/Q7/8/Q1Q4K w - - 0 1", {{"a1b2", "Qa1b2"}, {"c1b2", "Qcb2"}, {"a3b2", "Q3b2"}});
    check_written("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", {{"e1g1", "O-O"}, {"e1c1", "O-O-O"}, {"a1a8", "Rxa8+"}});
    check_written("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
                  {{"e5f6", "exf6"}, {"e5e6", "e6"}});
    check_written("3r3k/2P5/8/8/8/8/8/4K3 w - - 0 1",
                  {{"c7c8q", "c8=Q"}, {"c7d8q", "cxd8=Q+"}, {"c7d8n", "cxd8=N"}, {"c7c8r", "c8=R"}});
    // Fool's mate, and a rook's mate on the back rank.
    check_written("rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", {{"d8h4", "Qh4#"}});
    check_written("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", {{"a1a8", "Ra8#"}});
}

// A FEN written back: the castling rights whose king and rook stand at
// home, the en-passant square only where the capture can be made, and the
// move number of the sixth field (1 when there is none to read).
TEST(Fen, WrittenAsGuisWriteIt) {
    const auto written = [](const char* fen, int halfmove, int number) {
        position pos;
        int side = WHITE;
        EXPECT_TRUE(parse_fen(fen, pos, side)) << fen;
        char out[FEN_TEXT_SIZE];
        write_fen(pos, side, halfmove, number, out);
        return std::string(out);
    };
    EXPECT_EQ(written(START, 0, 1), START);
    EXPECT_EQ(written("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 0, 1),
              "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(written("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 0, 3),
              "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
    EXPECT_EQ(written("r3k2r/8/8/8/8/8/8/R3K2R b Kq - 7 40", 7, 40), "r3k2r/8/8/8/8/8/8/R3K2R b Kq - 7 40");
    EXPECT_EQ(written("4k3/8/8/8/8/8/8/4K3 w - - 99 80", 99, 80), "4k3/8/8/8/8/8/8/4K3 w - - 99 80");

    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99 80"), 80);
    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99 +12"), 12);
    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99"), 1);
    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99 0"), 1);
    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99 x"), 1);
    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99 99999999999999999999"), MAX_FEN_MOVE_NUMBER);
    EXPECT_EQ(fen_move_number("4k3/8/8/8/8/8/8/4K3 w - - 99 5 extra"), 1);
}
