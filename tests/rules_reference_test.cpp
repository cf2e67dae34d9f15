// The generator against a slow, literal reference: every candidate made on a
// whole scratch copy with make_move and judged by the shortcut as first
// described (the king's line through the from-square, else the full test).
// The engine's generator settles legality per piece; the two must give the
// same lists, in the same order, with the same values, on any board.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "protocol/session.h"
#include "settings/settings.h"
#include "rules_test_util.h"

namespace {

position reference_scratch;

int reference_leaves_king_attacked(const position& pos, const move& m, int in_check_now) {
    copy_position(reference_scratch, pos);
    make_move(reference_scratch, m);
    const bool white = side_to_move == WHITE;
    const int kf = white ? reference_scratch.white_king_file : reference_scratch.black_king_file;
    const int kr = white ? reference_scratch.white_king_rank : reference_scratch.black_king_rank;
    if (piece_type(pos.board[square_index(m.from_file, m.from_rank)]) == KING || in_check_now)
        return in_check(reference_scratch);
    const int ff = m.from_file, fr = m.from_rank;
    if (ff != kf && fr != kr && std::abs(kf - ff) != std::abs(kr - fr)) return 0;
    const uint8_t* b = reference_scratch.board;
    if (std::abs(kf - ff) == std::abs(kr - fr)) {
        if (ray_attacked(b, kf, kr, kf > ff ? -1 : 1, kr > fr ? -1 : 1)) return 1;
    }
    if (fr == kr) {
        if (kf > ff && ray_attacked(b, kf, kr, -1, 0)) return 1;
        if (kf < ff && ray_attacked(b, kf, kr, 1, 0)) return 1;
    }
    if (ff == kf) {
        if (kr > fr && ray_attacked(b, kf, kr, 0, -1)) return 1;
        if (kr < fr && ray_attacked(b, kf, kr, 0, 1)) return 1;
        return 0;
    }
    return 0;
}

constexpr int VALUE[7] = {0, 1, 5, 3, 3, 9, 0};

struct reference_generator {
    const position& pos;
    move_list& list;
    int n = 0;
    int check = 0;
    void add(int ff, int fr, int tf, int tr, uint8_t promo = NO_PROMOTION, int bonus = 0) {
        move m{};
        m.from_file = static_cast<int8_t>(ff), m.from_rank = static_cast<int8_t>(fr);
        m.to_file = static_cast<int8_t>(tf), m.to_rank = static_cast<int8_t>(tr);
        m.promotion = promo;
        if (reference_leaves_king_attacked(pos, m, check)) return;
        m.capture_value = static_cast<uint8_t>(VALUE[piece_type(pos.board[square_index(tf, tr)])] + bonus);
        list.moves[n++] = m;
    }
    bool own(int f, int r) const { return piece_colour(pos.board[square_index(f, r)]) == side_to_move; }
    bool enemy(int f, int r) const {
        const uint8_t b = pos.board[square_index(f, r)];
        return b != 0 && piece_colour(b) != side_to_move;
    }
    bool empty(int f, int r) const { return pos.board[square_index(f, r)] == 0; }
    void slider(int f, int r, int df, int dr) {
        int x = f + df, y = r + dr;
        while (on_board(x, y) && empty(x, y)) add(f, r, x, y), x += df, y += dr;
        if (on_board(x, y) && !own(x, y)) add(f, r, x, y);
    }
    void run() {
        if (pos.repetition_draw || pos.fifty_move_draw) return;
        check = in_check(pos);
        const bool white = side_to_move == WHITE;
        position probe;
        copy_position(probe, pos);
        int8_t& king_file = white ? probe.white_king_file : probe.black_king_file;
        const int right = white ? pos.white_castle_right : pos.black_castle_right;
        const int left = white ? pos.white_castle_left : pos.black_castle_left;
        king_file = 5;
        const int right_safe = right && !in_check(probe);
        king_file = 3;
        const int left_safe = left && !in_check(probe);
        const int ep = pos.en_passant_file == 255 ? -1 : pos.en_passant_file;
        const int dir = white ? 1 : -1, last = white ? 7 : 0, seventh = white ? 6 : 1, second = white ? 1 : 6;
        for (int s = 0; s < 64; ++s) {
            if (!own(s & 7, s >> 3)) continue;
            const int f = s & 7, r = s >> 3;
            switch (piece_type(pos.board[s])) {
                case PAWN:
                    if (r == last) break;
                    if (r == seventh) {
                        if (empty(f, last)) add(f, r, f, last, QUEEN, 8), add(f, r, f, last, KNIGHT, 2);
                        if (f >= 1 && enemy(f - 1, last)) add(f, r, f - 1, last, QUEEN, 8), add(f, r, f - 1, last, KNIGHT, 2);
                        if (f <= 6 && enemy(f + 1, last)) add(f, r, f + 1, last, QUEEN, 8), add(f, r, f + 1, last, KNIGHT, 2);
                        break;
                    }
                    if (r == second && empty(f, r + dir) && empty(f, r + 2 * dir)) add(f, r, f, r + 2 * dir);
                    if (empty(f, r + dir)) add(f, r, f, r + dir);
                    if (f <= 6 && enemy(f + 1, r + dir)) add(f, r, f + 1, r + dir);
                    if (f >= 1 && enemy(f - 1, r + dir)) add(f, r, f - 1, r + dir);
                    if (r == (white ? 4 : 3)) {
                        if (f <= 6 && ep == f + 1) add(f, r, f + 1, r + dir);
                        if (f >= 1 && ep == f - 1) add(f, r, f - 1, r + dir);
                    }
                    break;
                case KNIGHT: {
                    const int steps[8][2] = {{-1, -2}, {-2, -1}, {-1, 2}, {-2, 1}, {1, -2}, {2, -1}, {1, 2}, {2, 1}};
                    for (const auto& st : steps)
                        if (on_board(f + st[0], r + st[1]) && !own(f + st[0], r + st[1])) add(f, r, f + st[0], r + st[1]);
                    break;
                }
                case BISHOP: slider(f, r, -1, -1), slider(f, r, -1, 1), slider(f, r, 1, -1), slider(f, r, 1, 1); break;
                case ROOK: slider(f, r, -1, 0), slider(f, r, 1, 0), slider(f, r, 0, -1), slider(f, r, 0, 1); break;
                case QUEEN:
                    slider(f, r, -1, -1), slider(f, r, -1, 1), slider(f, r, 1, -1), slider(f, r, 1, 1);
                    slider(f, r, -1, 0), slider(f, r, 1, 0), slider(f, r, 0, -1), slider(f, r, 0, 1);
                    break;
                case KING: {
                    const int steps[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
                    for (const auto& st : steps)
                        if (on_board(f + st[0], r + st[1]) && !own(f + st[0], r + st[1])) add(f, r, f + st[0], r + st[1]);
                    const int home = white ? 0 : 7;
                    const uint8_t rook = static_cast<uint8_t>(side_to_move * 16 + ROOK);
                    if (!check && f == 4 && r == home) {
                        const uint8_t* row = pos.board + 8 * home;
                        if (right_safe && !row[5] && !row[6] && row[7] == rook) add(f, r, 6, home);
                        if (left_safe && !row[3] && !row[2] && !row[1] && row[0] == rook) add(f, r, 2, home);
                    }
                    break;
                }
                default: break;
            }
        }
    }
};

void expect_same_lists(const position& pos, const char* what) {
    static move_list mine, theirs;
    generate_moves(pos, mine);
    const int check = side_in_check;
    reference_generator ref{pos, theirs};
    ref.run();
    ASSERT_EQ(check, ref.check) << what;
    ASSERT_EQ(mine.count, ref.n) << what;
    for (int i = 0; i < ref.n; ++i) {
        const move& a = mine.moves[i];
        const move& b = theirs.moves[i];
        ASSERT_EQ(move_string(a), move_string(b)) << what << " entry " << i;
        ASSERT_EQ(a.capture_value, b.capture_value) << what << " " << move_string(a);
        ASSERT_EQ(a.promotion, b.promotion) << what;
    }
}

uint32_t lcg(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

TEST(RulesReference, RandomGamesMatchTheLiteralGenerator) {
    session_begin_xboard();
    uint32_t state = 7;
    for (int game = 0; game < 60; ++game) {
        new_game();
        for (int ply = 0; ply < 160; ++ply) {
            expect_same_lists(game_position, "random game");
            if (HasFatalFailure()) return;
            generate_moves(game_position, game_moves);
            if (game_moves.count == 0) break;
            make_move(game_position, game_moves.moves[lcg(state) % game_moves.count]);
            side_to_move = other_colour(side_to_move);
        }
    }
}

TEST(RulesReference, OddBoardsMatchTheLiteralGenerator) {
    // Random boards with both kings and a handful of men: pins, checks, double checks,
    // en-passant files with and without a pawn beside, rights with and without rooks.
    uint32_t state = 99;
    const uint8_t men[] = {0x11, 0x12, 0x13, 0x14, 0x15, 0x21, 0x22, 0x23, 0x24, 0x25};
    for (int trial = 0; trial < 20000; ++trial) {
        position pos{};
        int wk = lcg(state) % 64, bk = lcg(state) % 64;
        if (wk == bk) continue;
        if (lcg(state) % 3 == 0) wk = 4;
        if (lcg(state) % 3 == 0 && bk != 4) bk = 60;
        pos.board[wk] = 0x16;
        pos.board[bk] = 0x26;
        pos.white_king_file = static_cast<int8_t>(wk & 7), pos.white_king_rank = static_cast<int8_t>(wk >> 3);
        pos.black_king_file = static_cast<int8_t>(bk & 7), pos.black_king_rank = static_cast<int8_t>(bk >> 3);
        const int count = 2 + lcg(state) % 10;
        for (int i = 0; i < count; ++i) {
            const int s = lcg(state) % 64;
            if (pos.board[s] != 0) continue;
            uint8_t man = men[lcg(state) % 10];
            if (piece_type(man) == PAWN && (s < 8 || s >= 56)) continue;
            pos.board[s] = man;
        }
        if (lcg(state) % 2) pos.board[7] = 0x12, pos.board[0] = 0x12;
        if (lcg(state) % 2) pos.board[63] = 0x22, pos.board[56] = 0x22;
        pos.white_castle_right = pos.white_castle_left = wk == 4;
        pos.black_castle_right = pos.black_castle_left = bk == 60;
        pos.en_passant_file = lcg(state) % 3 == 0 ? static_cast<uint8_t>(lcg(state) % 8) : NO_EN_PASSANT;
        side_to_move = lcg(state) % 2 ? WHITE : BLACK;
        expect_same_lists(pos, "odd board");
        if (HasFatalFailure()) return;
    }
}

}  // namespace
