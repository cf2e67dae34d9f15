// Taking moves back through the game record.  Every take-back is compared
// with the same game replayed afresh up to the earlier ply: the fixed part of
// the position, each live history entry, side_to_move and the regenerated
// list of legal moves must all come back exactly.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "protocol/session.h"
#include "rules/position_key.h"
#include "settings/settings.h"
#include "rules_test_util.h"

namespace {

// What the game holds between two turns.
struct game_state {
    position pos;
    int side;
    move_list moves;
    int halfmove_clock;  // since a capture or a pawn move, as standard chess counts
};

game_state current_state() {
    game_state s;
    copy_position(s.pos, game_position);
    s.side = side_to_move;
    s.moves = game_moves;
    s.halfmove_clock = game_halfmove_clock();
    return s;
}

// Compares two states field by field; what labels the failure messages.
void expect_same(const game_state& got, const game_state& want, const std::string& what) {
    EXPECT_EQ(std::memcmp(&got.pos, &want.pos, POSITION_FIXED_BYTES), 0) << what << ": fixed part differs";
    ASSERT_EQ(got.pos.history_count, want.pos.history_count) << what;
    for (int i = 0; i < want.pos.history_count; ++i) {
        EXPECT_EQ(std::memcmp(got.pos.history[i].board, want.pos.history[i].board, 64), 0)
            << what << ": history board " << i;
        EXPECT_EQ(got.pos.history[i].occurrences, want.pos.history[i].occurrences) << what << ": occurrences " << i;
    }
    EXPECT_EQ(got.side, want.side) << what;
    EXPECT_EQ(got.halfmove_clock, want.halfmove_clock) << what;
    ASSERT_EQ(got.moves.count, want.moves.count) << what;
    EXPECT_EQ(std::memcmp(got.moves.moves, want.moves.moves, sizeof(move) * want.moves.count), 0)
        << what << ": legal move list differs";
}

// A fresh game from fen (the start position when null), its legal moves listed.
void start_game(const char* fen) {
    if (fen == nullptr)
        new_game();
    else
        load_fen(fen);
    generate_moves(game_position, game_moves);
}

// Plays the listed move named text through the record and hands over, as the
// front end does after the user's move.
void play_recorded(const char* text) {
    for (int i = 0; i < game_moves.count; ++i) {
        if (move_string(game_moves.moves[i]) != text) continue;
        game_play(game_moves.moves[i]);
        game_hand_over();
        return;
    }
    FAIL() << text << " is not a legal move here";
}

// The state reached directly by playing the first count moves of line in a fresh game.
game_state direct_state(const char* fen, const std::vector<const char*>& line, size_t count) {
    start_game(fen);
    for (size_t i = 0; i < count; ++i) play_recorded(line[i]);
    return current_state();
}

// Plays line, takes back the last ply, plays it again, then takes back two;
// each result must match the direct replay.  Returns the three states for
// the case's own checks: after the whole line, one ply back, two plies back.
struct take_back_states {
    game_state full, one_back, two_back;
};
std::unique_ptr<take_back_states> check_take_backs(const char* fen, const std::vector<const char*>& line) {
    auto out = std::make_unique<take_back_states>();
    const size_t n = line.size();
    const auto want_full = std::make_unique<game_state>(direct_state(fen, line, n));
    const auto want_one = std::make_unique<game_state>(direct_state(fen, line, n - 1));
    const auto want_two = std::make_unique<game_state>(direct_state(fen, line, n - 2));

    start_game(fen);
    for (const char* text : line) play_recorded(text);
    EXPECT_EQ(game_plies(), static_cast<int>(n));
    out->full = current_state();
    expect_same(out->full, *want_full, "whole line");

    EXPECT_TRUE(game_take_back(1));
    EXPECT_EQ(game_plies(), static_cast<int>(n - 1));
    out->one_back = current_state();
    expect_same(out->one_back, *want_one, "one ply back");

    play_recorded(line[n - 1]);
    expect_same(current_state(), *want_full, "the ply played again");

    EXPECT_TRUE(game_take_back(2));
    EXPECT_EQ(game_plies(), static_cast<int>(n - 2));
    out->two_back = current_state();
    expect_same(out->two_back, *want_two, "two plies back");
    return out;
}

class GameRecord : public ::testing::Test {
protected:
    void SetUp() override {
        reset_engine_state();
        session_begin_xboard();
    }
};

}  // namespace

TEST_F(GameRecord, TakingBackCapturesRestoresMaterialHistoryAndCount) {
    // e4 d5 exd5 Qxd5: each capture clears the history to the board it made.
    const auto s = check_take_backs(nullptr, {"e2e4", "d7d5", "e4d5", "d8d5"});
    EXPECT_EQ(s->full.pos.history_count, 1);
    EXPECT_EQ(s->full.pos.white_material, 38);
    EXPECT_EQ(s->one_back.pos.history_count, 1);
    EXPECT_EQ(s->one_back.pos.black_material, 38);
    EXPECT_EQ(s->one_back.pos.white_material, 39);
    EXPECT_EQ(s->one_back.side, BLACK);
    // Before exd5: the start board and the two after it; two half-moves counted.
    EXPECT_EQ(s->two_back.pos.history_count, 3);
    EXPECT_EQ(s->two_back.pos.fifty_move_count, 2);
    EXPECT_EQ(s->two_back.pos.black_material, 39);
    EXPECT_EQ(s->two_back.side, WHITE);
}

TEST_F(GameRecord, TakingBackCastlingBothWaysRestoresRightsAndFlags) {
    // White castles king-side, then black queen-side as the last two plies.
    const auto s = check_take_backs(nullptr, {"g1f3", "b8c6", "e2e3", "d7d6", "f1e2", "c8e6", "d2d3", "d8d7",
                                              "e1g1", "e8c8"});
    const position& full = s->full.pos;
    EXPECT_EQ(full.white_castled + full.black_castled, 2);
    EXPECT_EQ(full.white_castle_right + full.white_castle_left + full.black_castle_right + full.black_castle_left, 0);
    EXPECT_EQ(full.board[square_index(3, 7)], BLACK * 16 + ROOK);
    const position& one = s->one_back.pos;
    EXPECT_EQ(one.white_castled, 1);
    EXPECT_EQ(one.black_castled, 0);
    EXPECT_EQ(one.black_castle_left + one.black_castle_right, 2);
    EXPECT_EQ(one.black_king_file, 4);
    EXPECT_EQ(one.board[square_index(0, 7)], BLACK * 16 + ROOK);
    const position& two = s->two_back.pos;
    EXPECT_EQ(two.white_castled + two.black_castled, 0);
    EXPECT_EQ(two.white_castle_right + two.white_castle_left, 2);
    EXPECT_EQ(two.white_king_file, 4);
    EXPECT_EQ(two.board[square_index(7, 0)], WHITE * 16 + ROOK);
    EXPECT_EQ(two.board[square_index(5, 0)], 0);
}

TEST_F(GameRecord, TakingBackPromotionsRestoresPawnsAndMaterial) {
    // White promotes to a queen, black to a knight; the FEN start records no board.
    const auto s = check_take_backs("8/1P6/8/7k/8/8/6p1/4K3 w - - 0 1", {"e1d2", "h5h4", "b7b8q", "g2g1n"});
    EXPECT_EQ(s->full.pos.white_material, 9);
    EXPECT_EQ(s->full.pos.black_material, 3);
    EXPECT_EQ(s->full.pos.board[square_index(6, 0)], BLACK * 16 + KNIGHT);
    EXPECT_EQ(s->one_back.pos.white_material, 9);
    EXPECT_EQ(s->one_back.pos.black_material, 1);
    EXPECT_EQ(s->one_back.pos.board[square_index(6, 1)], BLACK * 16 + PAWN);
    EXPECT_EQ(s->one_back.pos.history_count, 1);
    EXPECT_EQ(s->two_back.pos.white_material, 1);
    EXPECT_EQ(s->two_back.pos.board[square_index(1, 6)], WHITE * 16 + PAWN);
    EXPECT_EQ(s->two_back.pos.history_count, 2);
    EXPECT_EQ(s->two_back.pos.fifty_move_count, 2);
}

TEST_F(GameRecord, TakingBackEnPassantRestoresTheCapturedPawnAndTheRight) {
    const auto s = check_take_backs(nullptr, {"e2e4", "a7a6", "e4e5", "d7d5", "e5d6"});
    EXPECT_EQ(s->full.pos.board[square_index(3, 4)], 0);
    EXPECT_EQ(s->full.pos.black_material, 38);
    const position& one = s->one_back.pos;
    EXPECT_EQ(one.en_passant_file, 3);
    EXPECT_EQ(one.board[square_index(3, 4)], BLACK * 16 + PAWN);
    EXPECT_EQ(one.black_material, 39);
    bool listed = false;
    for (int i = 0; i < s->one_back.moves.count; ++i) listed = listed || move_string(s->one_back.moves.moves[i]) == "e5d6";
    EXPECT_TRUE(listed);
    EXPECT_EQ(s->two_back.pos.en_passant_file, NO_EN_PASSANT);
}

TEST_F(GameRecord, TakingBackTheThirdRepetitionClearsTheDraw) {
    // The knights go out and back twice; the eighth half-move brings the start
    // board for the third time.
    const auto s = check_take_backs(nullptr, {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(s->full.pos.repetition_draw, 1);
    EXPECT_EQ(s->full.moves.count, 0);
    EXPECT_EQ(s->full.pos.history[0].occurrences, 3);
    EXPECT_EQ(s->full.halfmove_clock, 8);
    const position& one = s->one_back.pos;
    EXPECT_EQ(one.repetition_draw, 0);
    EXPECT_EQ(one.history_count, 4);
    const int8_t expected[4] = {2, 2, 2, 2};  // start, Nf3, Nf6, Ng1: each seen twice
    for (int i = 0; i < 4; ++i) EXPECT_EQ(one.history[i].occurrences, expected[i]) << i;
    EXPECT_GT(s->one_back.moves.count, 0);
    EXPECT_EQ(s->one_back.halfmove_clock, 7);
    EXPECT_EQ(s->two_back.pos.history[0].occurrences, 2);
    EXPECT_EQ(s->two_back.pos.history[3].occurrences, 1);

    // Standard chess sees the same: the start position, white to move, a
    // third time; one ply back, black to move after Ng1 only a second time.
    for (const char* text : {"f3g1", "f6g8"}) play_recorded(text);
    EXPECT_EQ(game_standard_draw(), standard_draw::repetition);
    ASSERT_TRUE(game_take_back(1));
    EXPECT_EQ(game_standard_draw(), standard_draw::none);
}

TEST_F(GameRecord, TakingBackMoreThanRecordedChangesNothing) {
    start_game(nullptr);
    EXPECT_FALSE(game_take_back(1));
    for (const char* text : {"e2e4", "e7e5", "g1f3"}) play_recorded(text);
    const auto before = std::make_unique<game_state>(current_state());
    EXPECT_FALSE(game_take_back(4));
    EXPECT_FALSE(game_take_back(-1));
    EXPECT_EQ(game_plies(), 3);
    expect_same(current_state(), *before, "after refused take-backs");
    // All three can go: back to the start.
    EXPECT_TRUE(game_take_back(3));
    const auto after = std::make_unique<game_state>(current_state());
    expect_same(*after, direct_state(nullptr, {}, 0), "back to the start");
}

TEST_F(GameRecord, BeginningAtAPositionStartsAFreshRecord) {
    start_game(nullptr);
    for (const char* text : {"e2e4", "e7e5"}) play_recorded(text);
    // Going on from the game's own position: the earlier moves are out of reach.
    game_begin_at(game_position, side_to_move);
    generate_moves(game_position, game_moves);
    EXPECT_EQ(game_plies(), 0);
    const auto begun = std::make_unique<game_state>(current_state());
    play_recorded("g1f3");
    EXPECT_TRUE(game_take_back(1));
    expect_same(current_state(), *begun, "back to where the record began");
    EXPECT_FALSE(game_take_back(1));

    // From a FEN: a fresh record, the position as read.
    play_recorded("g1f3");
    start_game("4k3/8/8/8/8/8/8/4K2R b K - 0 1");
    EXPECT_EQ(game_plies(), 0);
    EXPECT_FALSE(game_take_back(1));
    EXPECT_EQ(side_to_move, BLACK);
    EXPECT_EQ(game_position.history_count, 0);
    EXPECT_EQ(game_position.white_castle_right, 1);
    const auto read = std::make_unique<game_state>(current_state());
    for (const char* text : {"e8d7", "e1g1"}) play_recorded(text);
    EXPECT_TRUE(game_take_back(2));
    expect_same(current_state(), *read, "back to the position as read");
    EXPECT_FALSE(game_take_back(1));
}

TEST_F(GameRecord, TheLargestClockASetUpCanBringStaysAtTheTop) {
    // A FEN may say 2147483647 half-moves; quiet moves must not count past it.
    start_game("4k3/8/8/8/8/8/4P3/4K2R w K - 0 1");
    game_begin_at(game_position, side_to_move, INT_MAX);
    EXPECT_EQ(game_halfmove_clock(), INT_MAX);
    for (const char* text : {"h1h2", "e8d7"}) play_recorded(text);
    EXPECT_EQ(game_halfmove_clock(), INT_MAX);
    EXPECT_EQ(game_standard_draw(), standard_draw::fifty_moves);
    ASSERT_TRUE(game_take_back(1));
    EXPECT_EQ(game_halfmove_clock(), INT_MAX);
    ASSERT_TRUE(game_take_back(1));
    EXPECT_EQ(game_halfmove_clock(), INT_MAX);
    // A capture or a pawn move still starts the count again.
    play_recorded("e2e4");
    EXPECT_EQ(game_halfmove_clock(), 0);
}

TEST_F(GameRecord, RepetitionKeysAreThePositionsSinceTheLastCaptureOrPawnMove) {
    uint64_t keys[MAX_EARLIER_POSITIONS];
    start_game(nullptr);
    EXPECT_EQ(game_repetition_keys(keys, MAX_EARLIER_POSITIONS), 0);
    // A pawn move: nothing before it counts.
    play_recorded("e2e4");
    EXPECT_EQ(game_repetition_keys(keys, MAX_EARLIER_POSITIONS), 0);
    // Four knight moves there and back: the position after e2e4 comes
    // again, and the four before the one now are handed over, oldest first.
    for (const char* text : {"g8f6", "g1f3", "f6g8", "f3g1"}) play_recorded(text);
    ASSERT_EQ(game_repetition_keys(keys, MAX_EARLIER_POSITIONS), 4);
    const uint64_t now = position_key(game_position.board, side_to_move, 15, NO_EN_PASSANT);
    EXPECT_EQ(keys[0], now);
    // Only the newest ones when fewer fit.
    uint64_t newest[2];
    ASSERT_EQ(game_repetition_keys(newest, 2), 2);
    EXPECT_EQ(newest[0], keys[2]);
    EXPECT_EQ(newest[1], keys[3]);
    // A capture starts the count again, as a pawn move does.
    start_game("4k3/8/8/3p4/4P3/8/8/4K3 w - - 7 30");
    EXPECT_EQ(game_repetition_keys(keys, MAX_EARLIER_POSITIONS), 0);  // nothing recorded before the set-up
    for (const char* text : {"e1d1", "e8d8", "e4d5", "d8e8", "d1e1"}) play_recorded(text);
    EXPECT_EQ(game_repetition_keys(keys, MAX_EARLIER_POSITIONS), 2);
}

namespace {

// A long game that no draw rule ends, made up move by move from the start.
// No capture leaves both sides without mating material; quiet moves go to
// boards not seen twice yet, and never into a position whose side to move
// would have only captures.  Once 94 half-moves have passed without a
// capture, the side with no more material than the other captures, and
// otherwise hangs a piece so that the other side can.  Every choice among
// the candidates comes from a fixed pseudo-random sequence, so the game is
// always the same.
std::vector<move> long_game(size_t plies) {
    constexpr int CAPTURE_AFTER = 94;
    static position pos, after;
    static move_list list, reply;
    set_start_position(pos);
    int side = WHITE;
    uint32_t seed = 4;
    std::vector<move> game;
    while (game.size() < plies) {
        side_to_move = side;
        generate_moves(pos, list);
        std::vector<move> fresh, seen, captures, offers;
        for (int i = 0; i < list.count; ++i) {
            const move& m = list.moves[i];
            copy_position(after, pos);
            const int kind = make_move(after, m);
            if (after.repetition_draw || after.fifty_move_draw) continue;
            if (insufficient_material(after, WHITE) && insufficient_material(after, BLACK)) continue;
            side_to_move = other_colour(side);
            generate_moves(after, reply);
            side_to_move = side;
            if (reply.count == 0) continue;
            if (kind == MOVE_CAPTURE) {
                captures.push_back(m);
                continue;
            }
            bool calm = false, offered = false;
            for (int j = 0; j < reply.count; ++j) {
                calm = calm || reply.moves[j].capture_value == 0;
                offered = offered || after.board[square_index(reply.moves[j].to_file, reply.moves[j].to_rank)] != 0;
            }
            if (!calm) continue;
            bool repeated = false;
            for (int h = 0; h < after.history_count; ++h)
                if (std::memcmp(after.history[h].board, after.board, 64) == 0) repeated = after.history[h].occurrences > 1;
            (repeated ? seen : fresh).push_back(m);
            if (offered && !repeated) offers.push_back(m);
        }
        const bool due = pos.fifty_move_count >= CAPTURE_AFTER;
        const int own = side == WHITE ? pos.white_material : pos.black_material;
        const int theirs = side == WHITE ? pos.black_material : pos.white_material;
        const std::vector<move>* pick = nullptr;
        if (due && own <= theirs && !captures.empty())
            pick = &captures;
        else if (due && !offers.empty())
            pick = &offers;
        else if (due && !captures.empty())
            pick = &captures;
        else if (!fresh.empty())
            pick = &fresh;
        else if (!seen.empty())
            pick = &seen;
        else if (!captures.empty())
            pick = &captures;
        if (pick == nullptr) {
            ADD_FAILURE() << "the made-up game got stuck at ply " << game.size();
            return game;
        }
        seed = seed * 1103515245u + 12345u;
        const move chosen = (*pick)[(seed >> 16) % pick->size()];
        side_to_move = side;
        make_move(pos, chosen);
        game.push_back(chosen);
        side = other_colour(side);
    }
    return game;
}

// The first count moves of game played directly from the start with
// make_move, without the record.
std::unique_ptr<game_state> replayed(const std::vector<move>& game, size_t count) {
    auto s = std::make_unique<game_state>();
    set_start_position(s->pos);
    int side = WHITE;
    s->halfmove_clock = 0;
    for (size_t i = 0; i < count; ++i) {
        const move& m = game[i];
        const bool resets = piece_type(s->pos.board[square_index(m.from_file, m.from_rank)]) == PAWN ||
                            s->pos.board[square_index(m.to_file, m.to_rank)] != 0;
        s->halfmove_clock = resets ? 0 : s->halfmove_clock + 1;
        side_to_move = side;
        make_move(s->pos, m);
        side = other_colour(side);
    }
    side_to_move = s->side = side;
    generate_moves(s->pos, s->moves);
    return s;
}

// Takes back one ply and, after playing it again, two; compares both with
// the replay and leaves the game as it was.
void check_last_plies(const std::vector<move>& game, size_t played) {
    const std::string at = " after " + std::to_string(played) + " plies";
    ASSERT_TRUE(game_take_back(1));
    expect_same(current_state(), *replayed(game, played - 1), "one back" + at);
    game_play(game[played - 1]);
    game_hand_over();
    ASSERT_TRUE(game_take_back(2));
    expect_same(current_state(), *replayed(game, played - 2), "two back" + at);
    for (size_t i = played - 2; i < played; ++i) {
        game_play(game[i]);
        game_hand_over();
    }
    expect_same(current_state(), *replayed(game, played), "played again" + at);
}

}  // namespace

TEST_F(GameRecord, LongGameStillTakesBackItsLastMovesExactly) {
    // The record holds 2048 moves and then folds its older half into the
    // start; the moves since the start must still come back exactly, just
    // after the fold and a while later.
    constexpr size_t FOLD_PLY = 2049, LENGTH = 2200;
    const std::vector<move> game = long_game(LENGTH);
    ASSERT_EQ(game.size(), LENGTH);

    start_game(nullptr);
    for (size_t i = 0; i < LENGTH; ++i) {
        game_play(game[i]);
        ASSERT_GT(game_hand_over(), 0) << "no draw rule, mate or stalemate may end the game: ply " << i + 1;
        if (i + 1 == FOLD_PLY - 1 || i + 1 == FOLD_PLY) check_last_plies(game, i + 1);
    }
    check_last_plies(game, LENGTH);
    EXPECT_FALSE(insufficient_material(WHITE) && insufficient_material(BLACK));

    // Everything left in the record goes back to where it now starts: at
    // least the last half of a full record remains.
    const int kept = game_plies();
    EXPECT_GE(kept, 1024);
    EXPECT_LT(kept, static_cast<int>(LENGTH));
    ASSERT_TRUE(game_take_back(kept));
    expect_same(current_state(), *replayed(game, LENGTH - kept), "back to the folded start");
    EXPECT_FALSE(game_take_back(1));
}
