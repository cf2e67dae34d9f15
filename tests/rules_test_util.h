// Small helpers for tests of the rules: positions from FEN, moves from text.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/game.h"
#include "rules/rules.h"

// Coordinate text of a move ("e2e4", "b7b8q"), the way the engine prints it.
inline std::string move_string(const move& m) {
    std::string s;
    s += static_cast<char>('a' + m.from_file);
    s += static_cast<char>('1' + m.from_rank);
    s += static_cast<char>('a' + m.to_file);
    s += static_cast<char>('1' + m.to_rank);
    if (m.promotion == QUEEN) s += 'q';
    if (m.promotion == KNIGHT) s += 'n';
    if (m.promotion == ROOK) s += 'r';
    if (m.promotion == BISHOP) s += 'b';
    return s;
}

// The generated list of pos as texts, for comparing orders.
inline std::vector<std::string> list_strings(const position& pos) {
    static move_list list;
    generate_moves(pos, list);
    std::vector<std::string> out;
    for (int i = 0; i < list.count; ++i) out.push_back(move_string(list.moves[i]));
    return out;
}

// A move record from text, promotion 255 unless a fifth letter names one.
inline move text_move(const char* text) {
    move m{};
    m.from_file = static_cast<int8_t>(text[0] - 'a');
    m.from_rank = static_cast<int8_t>(text[1] - '1');
    m.to_file = static_cast<int8_t>(text[2] - 'a');
    m.to_rank = static_cast<int8_t>(text[3] - '1');
    m.promotion = NO_PROMOTION;
    if (text[4] == 'q') m.promotion = QUEEN;
    if (text[4] == 'n') m.promotion = KNIGHT;
    if (text[4] == 'r') m.promotion = ROOK;
    if (text[4] == 'b') m.promotion = BISHOP;
    return m;
}

// Sets game_position and side_to_move from a FEN; fails the test if unreadable.
inline void load_fen(const char* fen) {
    static position pos;
    int side = WHITE;
    ASSERT_TRUE(parse_fen(fen, pos, side)) << fen;
    game_begin_at(pos, side);
}

// Makes a move of side_to_move on game_position and flips side_to_move, as the game does.
inline int play(const char* text) {
    const int kind = make_move(game_position, text_move(text));
    side_to_move = other_colour(side_to_move);
    return kind;
}

// Plays on pos the listed move of side that the text names (as the engine
// prints it) and flips side; false when no listed move has that name.
inline bool play_listed(position& pos, int& side, const std::string& text) {
    side_to_move = side;
    static move_list list;
    generate_moves(pos, list);
    for (int i = 0; i < list.count; ++i) {
        if (move_string(list.moves[i]) != text) continue;
        make_move(pos, list.moves[i]);
        side = other_colour(side);
        return true;
    }
    return false;
}

// Whether each move is legal in turn from the FEN's position (as the engine
// prints moves).
inline bool legal(const std::string& fen, const std::vector<std::string>& moves) {
    static position pos;
    int side = WHITE;
    bool ok = parse_fen(fen.c_str(), pos, side);
    for (const std::string& m : moves) ok = ok && play_listed(pos, side, m);
    return ok;
}
