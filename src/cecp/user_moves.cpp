// The user's moves (coordinate text or SAN) and what follows them (the
// engine's turn is engine_moves.cpp's), and the "bookmake" pass with its
// diagram.
#include <cstdio>
#include <cstring>

#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "rules/san.h"
#include "settings/settings.h"

void play_user_move(char* word) {
    // A GUI may send castling as the king onto its rook ("e1h1").
    if (read_text_move(game_position, word, game_moves, user_move, gui_protocol_in_use()) != move_reading::legal) {
        std::fprintf(output_stream, "Illegal move: %s\n", lower_case(word));
        std::fflush(output_stream);
        return;
    }
    log_line(word);  // the move again, with the capitals is_move_text gave it
    game_play(user_move);
    note_position_changed_for_analysis();
    // Under a GUI protocol the game goes on wherever standard chess goes on,
    // and only the draws it grants are claimed, after mate and stalemate.
    const bool standard = claims_standard_draws();
    if (standard)
        game_clear_own_draw_flags();
    else
        report_draw_claims();
    if (game_hand_over() == 0) {
        report_user_win_or_stalemate();
        // A GUI has ended the game itself; at the console the engine's turn
        // that follows reports it once more, as it always has.
        if (standard) game_ended = true;
    } else if (standard) {
        claim_standard_draw();
    }
    display_board();
    // In analysis the moves only change the position that is analysed.
    if (force_mode || game_ended_by_gui() || analysis_mode()) return;
    engine_moves();
}

bool play_user_san(char* word, bool answer_illegal) {
    generate_moves(game_position, game_moves);
    move found;
    switch (resolve_san(game_position, game_moves, word, found)) {
        case san_result::legal_move: break;
        case san_result::no_piece_move:
        case san_result::ambiguous:
            if (!answer_illegal) return false;
            // As typed: the person (or a GUI) sees the word it sent.
            std::fprintf(output_stream, "Illegal move: %s\n", word);
            std::fflush(output_stream);
            return true;
        case san_result::not_san:
        case san_result::no_pawn_move: return false;  // "e2", "hard", "name": no move meant
    }
    // The coordinate text with the capitals is_move_text leaves ("G1F3",
    // "E7E8Q"): the rest of the path, and the log, are the coordinate move's.
    coordinate_text(found, word, true);
    play_user_move(word);
    return true;
}

void start_new_game() {
    new_game();
    display_board();
}

void bookmake(const char* file_name) { learn_game_file(file_name, display_board); }

