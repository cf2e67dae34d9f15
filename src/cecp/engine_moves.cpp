// The engine's turn as the console and xboard show it, in one place: the
// search with the interface's thinking output, the move line (or the report
// that there is none), the bell, the hand-over with its game-end report and
// the diagram; then, under a GUI that asked for it, pondering on the reply
// the engine expects, answered from the same search when it comes.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cecp/cecp.h"
#include "io/io.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "rules/san.h"
#include "settings/settings.h"

namespace {

// The reply the engine expects to its last move (the second move of that
// move's line), for pondering.
bool prediction_known = false;
move prediction;

// "12. Nf3" or "12... Nf6": the move number counts on from the record's start.
void numbered_san(const move& m, char* out, size_t size) {
    int start_side = WHITE, halfmove = 0, number = 1;
    game_record_start(start_side, halfmove, number);
    const int plies = game_plies() + (start_side == BLACK ? 1 : 0);
    char san[SAN_TEXT_SIZE];
    write_san(game_position, side_to_move, m, san);
    std::snprintf(out, size, "%d%s %s", number + plies / 2, side_to_move == WHITE ? "." : "...", san);
}

// Its move (or the report that it has none) and what follows, for a turn
// already thought (moved: chosen is the move).
void answer_engine_turn(bool moved, const move& chosen) {
    if (moved) {
        before_engine_move(chosen);
        const search_line line = best_line_of(chosen);
        prediction_known = line.length >= 2;
        if (prediction_known) prediction = line.moves[1];
        // "sanon": the move as players write it, from the position before it.
        char san_line[SAN_TEXT_SIZE + 16];
        const bool show_san = san_enabled != 0 && console_extras();
        if (show_san) numbered_san(chosen, san_line, sizeof san_line);
        char text[8];
        engine_move_text(chosen, text);
        game_play(chosen);
        game_note_engine_move();
        emit_engine_move(text);
        if (show_san) print_line(san_line);
    } else {
        report_user_win_or_stalemate();  // the engine has no move: mated or stalemated
    }
    if (sound_enabled != 0) ring_bell();
    const bool standard = claims_standard_draws();
    if (standard) game_clear_own_draw_flags();
    if (game_hand_over() == 0)
        report_engine_win_or_stalemate();
    else if (standard)
        claim_standard_draw();
    display_board();
}

// The expected move has come while pondering: logged as the interpreter
// logs a move, and the turn's clock starts.
void expected_move_came(const char* line) {
    char word[WORD_BUFFER_SIZE];
    if (std::sscanf(line, "%15s", word) != 1) word[0] = '\0';
    log_line(word);
    is_move_text(word);  // the capitals the user-move path logs
    log_line(word);
    quiet_thinking(false);  // the search is the engine's turn now
    start_pondered_clock();
}

// Thinks on the position after the expected reply until the GUI's next
// line.  Returns the search's outcome; on a miss the game is as before.
enum class ponder_outcome { none, answered, missed };
ponder_outcome ponder_on_prediction() {
    if (!prediction_known || force_mode || game_ended || analysis_mode() || !ponders_after_move()) return ponder_outcome::none;
    prediction_known = false;
    generate_moves(game_position, game_moves);
    if (!is_listed_move(prediction, game_moves)) return ponder_outcome::none;
    char text[8];
    engine_move_text(prediction, text);  // as the GUI will send it
    // The position the GUI would set with that move; none where its move
    // ends the game.
    game_play(prediction);
    game_clear_own_draw_flags();
    if (game_hand_over() == 0 || game_standard_draw() != standard_draw::none) {
        game_take_back(1);
        return ponder_outcome::none;
    }
    turn_options options;
    search_limits limits = limits_for_turn();
    begin_ponder_watch(text);
    prepare_engine_turn(options, limits);
    options.limits = &limits;
    options.ponder = true;
    quiet_thinking(true);
    move chosen;
    think_turn(chosen, options);
    // A search that ended by itself (its depth reached, a mate) waits for the GUI.
    while (!ponder_hit() && !stop_requested.load(std::memory_order_relaxed)) {
        struct timespec pause = {0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
        poll_input_during_search();
    }
    quiet_thinking(false);
    if (!ponder_hit()) {
        pondered_turn_missed();
        game_take_back(1);
        return ponder_outcome::missed;
    }
    const bool moved = pondered_turn_answer(chosen);
    if (turn_abandoned()) {
        // After the move came the GUI left the game, as in any turn: it
        // keeps its move, and no answer goes out.
        generate_moves(game_position, game_moves);
        return ponder_outcome::missed;
    }
    answer_engine_turn(moved, chosen);
    return ponder_outcome::answered;
}

}  // namespace

void take_engine_turn() {
    move chosen;
    turn_options options;
    search_limits limits = limits_for_turn();
    prepare_engine_turn(options, limits);
    options.limits = &limits;
    const bool moved = think_turn(chosen, options);
    if (turn_abandoned()) {
        // The GUI has moved on (the game ended, a take-back, a new position):
        // the move is not sent, and the position stays the GUI's.
        generate_moves(game_position, game_moves);
        return;
    }
    answer_engine_turn(moved, chosen);
}

void engine_move_text(const move& m, char* out) {
    if (game_position.chess960 && is_castling(game_position, m))
        std::snprintf(out, 8, "%s", castling_word(m));
    else
        coordinate_text(m, out);
}

void emit_engine_move(const char* text) {
    // The line is built in word_buffer, where the last word stood.
    std::snprintf(word_buffer, WORD_BUFFER_SIZE, "move %s", text);
    print_line(word_buffer);
    log_line(word_buffer);
}

void engine_moves() {
    take_engine_turn();
    log_node_count();
    report_draw_claims();
    ponder_after_engine_moves();
}

void ponder_after_engine_moves() {
    on_ponder_hit = expected_move_came;
    while (ponder_on_prediction() == ponder_outcome::answered) {
        log_node_count();
        report_draw_claims();
    }
}

void reset_engine_moves_state() { prediction_known = false; }
