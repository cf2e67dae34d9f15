// The game's position, its record of moves, and taking moves back.
//
// The record keeps the position the game began from and every move played
// since, with the side that played it.  Taking back replays the moves that
// remain from that start: make_move is exact, so the position, its history
// and its draw flags come back bit for bit, and no copy of a position has to
// be kept per move.
#include "game/game.h"

#include <climits>
#include <cstring>

#include "game/strength.h"
#include "game/time_manager.h"
#include "rules/position_key.h"

position game_position;
move_list game_moves;
move user_move = {};
int32_t engine_moves_made = 0;
int32_t time_used = 0;
bool game_ended = false;

namespace {

// One recorded move and the colour that played it (a turn without a move
// can hand over without playing, so the side cannot be inferred).
struct played_move {
    move m;
    int8_t side;
    bool by_engine;  // the engine's own move (for the names a game score gives)
};

// Long games outgrow any fixed record; when it fills, the older half is
// folded into the start position, so that the last RECORD_KEEP moves can
// still be taken back.
constexpr int RECORD_SIZE = 2048;
constexpr int RECORD_KEEP = RECORD_SIZE / 2;

position record_start;
int record_start_side = WHITE;
int record_start_number = 1;  // the move number there
played_move record[RECORD_SIZE];
int record_count = 0;

// Entry i: the position after i recorded moves (0: the start) as standard
// chess's repetition rule compares it (the board, the side to move, the
// castling rights that can still be used and an en-passant capture that is
// there to be made); with the half-moves since a capture or a pawn move there.
repetition_key keys[RECORD_SIZE + 1];
int halfmove_clocks[RECORD_SIZE + 1];

// A capture or a pawn move: standard chess's fifty-move count starts again.
bool resets_halfmove_clock(const position& pos, const move& m) {
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    const uint8_t target = pos.board[square_index(m.to_file, m.to_rank)];
    // (A Chess960 king onto its own rook castles: no capture.)
    return piece_type(piece) == PAWN || (target != 0 && piece_colour(target) != piece_colour(piece));
}

// Plays the first count recorded moves from the start on game_position.
void replay(int count) {
    copy_position(game_position, record_start);
    for (int i = 0; i < count; ++i) {
        side_to_move = record[i].side;
        make_move(game_position, record[i].m);
    }
}

}  // namespace

namespace {
bool chess960_mode = false;  // whether games begun from now on are Chess960 games
}  // namespace

void set_chess960_games(bool on) { chess960_mode = on; }
bool chess960_games() { return chess960_mode; }

void new_game() {
    set_start_position(game_position);
    // The standard array is also Chess960's position 518.
    game_position.chess960 = chess960_mode ? 1 : 0;
    side_to_move = WHITE;
    engine_moves_made = 0;
    time_used = 0;
    game_begin_at(game_position, WHITE);
}

void game_begin_at(const position& pos, int side, int halfmove_clock, int move_number) {
    // Each recorded move carries its side, so the start needs no side of its own.
    if (&pos != &game_position) copy_position(game_position, pos);
    side_to_move = side;
    copy_position(record_start, game_position);
    record_start_side = side;
    record_start_number = move_number < 1 ? 1 : move_number;
    record_count = 0;
    game_ended = false;
    keys[0] = repetition_key_of(game_position, side);
    halfmove_clocks[0] = halfmove_clock < 0 ? 0 : halfmove_clock;
}

void game_play(const move& m) {
    if (record_count == RECORD_SIZE) {
        // Fold the older half into the start: replay it there.
        const int saved_side = side_to_move;
        static position current;
        copy_position(current, game_position);
        replay(RECORD_SIZE - RECORD_KEEP);
        copy_position(record_start, game_position);
        const int folded = RECORD_SIZE - RECORD_KEEP;
        record_start_number += (folded + (record_start_side == BLACK ? 1 : 0)) / 2;
        record_start_side = record[folded].side;
        std::memmove(record, record + (RECORD_SIZE - RECORD_KEEP), sizeof(played_move) * RECORD_KEEP);
        std::memmove(keys, keys + (RECORD_SIZE - RECORD_KEEP), sizeof(repetition_key) * (RECORD_KEEP + 1));
        std::memmove(halfmove_clocks, halfmove_clocks + (RECORD_SIZE - RECORD_KEEP), sizeof(int) * (RECORD_KEEP + 1));
        record_count = RECORD_KEEP;
        copy_position(game_position, current);
        side_to_move = saved_side;
    }
    // A set-up position may bring any clock up to INT_MAX; past a hundred only
    // "at least a hundred" matters, so the count stops at the top of its range.
    const int before = halfmove_clocks[record_count];
    const int clock = resets_halfmove_clock(game_position, m) ? 0 : before == INT_MAX ? before : before + 1;
    record[record_count++] = played_move{m, static_cast<int8_t>(side_to_move), false};
    make_move(game_position, m);
    keys[record_count] = repetition_key_of(game_position, other_colour(side_to_move));
    halfmove_clocks[record_count] = clock;
}

int game_plies() { return record_count; }

const position& game_record_start(int& side, int& halfmove_clock, int& move_number) {
    side = record_start_side;
    halfmove_clock = halfmove_clocks[0];
    move_number = record_start_number;
    return record_start;
}

const move& game_recorded_move(int i, int& side, bool& by_engine) {
    side = record[i].side;
    by_engine = record[i].by_engine;
    return record[i].m;
}

void game_note_engine_move() {
    if (record_count > 0) record[record_count - 1].by_engine = true;
}

bool game_take_back(int plies) {
    if (plies < 0 || plies > record_count) return false;
    if (plies == 0) return true;
    const int keep = record_count - plies;
    const int side = record[keep].side;
    replay(keep);
    record_count = keep;
    game_ended = false;
    side_to_move = side;
    generate_moves(game_position, game_moves);
    return true;
}

int game_hand_over() {
    side_to_move = other_colour(side_to_move);
    generate_moves(game_position, game_moves);
    return game_moves.count;
}

int game_halfmove_clock() { return halfmove_clocks[record_count]; }

int game_repetition_keys(uint64_t* out, int capacity) {
    const int since_reset = halfmove_clocks[record_count];
    int first = since_reset < record_count ? record_count - since_reset : 0;
    if (capacity < 0) capacity = 0;
    if (record_count - first > capacity) first = record_count - capacity;
    int count = 0;
    for (int i = first; i < record_count; ++i) {
        out[count++] = position_key(keys[i]);
    }
    return count;
}

standard_draw game_standard_draw() {
    // The key of the position now, with the side actually to move (a turn
    // without a move hands over without a recorded move).
    const repetition_key now = repetition_key_of(game_position, side_to_move);
    int seen = 0;
    for (int i = 0; i <= record_count; ++i)
        if (keys[i] == now) ++seen;
    if (seen >= 3) return standard_draw::repetition;
    if (game_halfmove_clock() >= 100) return standard_draw::fifty_moves;
    if (dead_position(game_position)) return standard_draw::dead_position;
    return standard_draw::none;
}

int dead_position(const position& pos) {
    int minors = 0, knights = 0;
    int bishop_colours = 0;  // bit 0: a bishop on a dark square, bit 1: on a light one
    for (int square = 0; square < 64; ++square) {
        const uint8_t piece = pos.board[square];
        if (piece == 0) continue;
        switch (piece_type(piece)) {
            case KING: break;
            case KNIGHT: ++minors, ++knights; break;
            case BISHOP:
                ++minors;
                bishop_colours |= (((square & 7) + (square >> 3)) % 2 == 0) ? 1 : 2;
                break;
            default: return 0;  // a pawn, rook or queen can still take part in a mate
        }
    }
    if (minors <= 1) return 1;
    return knights == 0 && bishop_colours != 3 ? 1 : 0;
}

void game_clear_own_draw_flags() {
    game_position.repetition_draw = 0;
    game_position.fifty_move_draw = 0;
}

void reset_game_state() {
    game_time = time_control{};
    user_move = move{};
    limit_strength = 0;
    strength_elo = DEFAULT_ELO;
    strength_seed(0);
    chess960_mode = false;
    new_game();
    game_moves.count = 0;  // as at start-up: nothing listed yet
}
