// The game's position, its record of moves, and taking moves back.
//
// The record keeps the position the game began from and every move played
// since, with the side that played it.  Taking back replays the moves that
// remain from that start: make_move is exact, so the position, its history
// and its draw flags come back bit for bit, and no copy of a position has to
// be kept per move.
#include "game/game.h"

#include <cstring>

position game_position;
move_list game_moves;
int32_t engine_moves_made = 0;
int32_t time_used = 0;

namespace {

// One recorded move and the colour that played it (a turn without a move
// can hand over without playing, so the side cannot be inferred).
struct played_move {
    move m;
    int8_t side;
};

// Long games outgrow any fixed record; when it fills, the older half is
// folded into the start position, so that the last RECORD_KEEP moves can
// still be taken back.
constexpr int RECORD_SIZE = 2048;
constexpr int RECORD_KEEP = RECORD_SIZE / 2;

position record_start;
played_move record[RECORD_SIZE];
int record_count = 0;

// Plays the first count recorded moves from the start on game_position.
void replay(int count) {
    copy_position(game_position, record_start);
    for (int i = 0; i < count; ++i) {
        side_to_move = record[i].side;
        make_move(game_position, record[i].m);
    }
}

}  // namespace

void new_game() {
    set_start_position(game_position);
    side_to_move = WHITE;
    engine_moves_made = 0;
    time_used = 0;
    game_begin_at(game_position, WHITE);
}

void game_begin_at(const position& pos, int side) {
    // Each recorded move carries its side, so the start needs no side of its own.
    if (&pos != &game_position) copy_position(game_position, pos);
    side_to_move = side;
    copy_position(record_start, game_position);
    record_count = 0;
}

void game_play(const move& m) {
    if (record_count == RECORD_SIZE) {
        // Fold the older half into the start: replay it there.
        const int saved_side = side_to_move;
        static position current;
        copy_position(current, game_position);
        replay(RECORD_SIZE - RECORD_KEEP);
        copy_position(record_start, game_position);
        std::memmove(record, record + (RECORD_SIZE - RECORD_KEEP), sizeof(played_move) * RECORD_KEEP);
        record_count = RECORD_KEEP;
        copy_position(game_position, current);
        side_to_move = saved_side;
    }
    record[record_count++] = played_move{m, static_cast<int8_t>(side_to_move)};
    make_move(game_position, m);
}

int game_plies() { return record_count; }

bool game_take_back(int plies) {
    if (plies < 0 || plies > record_count) return false;
    if (plies == 0) return true;
    const int keep = record_count - plies;
    const int side = record[keep].side;
    replay(keep);
    record_count = keep;
    side_to_move = side;
    generate_moves(game_position, game_moves);
    return true;
}

int game_hand_over() {
    side_to_move = other_colour(side_to_move);
    generate_moves(game_position, game_moves);
    return game_moves.count;
}
