// Game-end reports: the result lines in xboard's form, the console's own
// sentence for a person, and the counting of finished games.
#include "book/book.h"
#include "cecp/cecp.h"
#include "game/game.h"
#include "io/io.h"
#include "protocol/session.h"

namespace {
// Mate or stalemate of side_to_move, with the console sentence for a mate.
void report_win_or_stalemate(const char* mate_sentence) {
    finish_game();
    // A repetition or fifty-move draw empties the move list too; its claim
    // line has already given the result, so no mate or stalemate follows it.
    if (game_position.repetition_draw || game_position.fifty_move_draw) return;
    if (in_check(game_position)) {
        print_line(side_to_move == BLACK ? "1-0 {White mates}" : "0-1 {Black mates}");
        if (console_extras()) print_line(mate_sentence);
    } else {
        print_line("1/2-1/2 {Stalemate}");
        if (console_extras()) print_line("Stalemate!");
    }
}
}  // namespace

void finish_game() {
    // The count comes from a file and may stand anywhere; it wraps rather than overflows.
    game_count = static_cast<int32_t>(static_cast<uint32_t>(game_count) + 1u);
    save_book();
}

void report_user_win_or_stalemate() { report_win_or_stalemate("Congratulations! You win!"); }

void report_engine_win_or_stalemate() { report_win_or_stalemate("You Lose!"); }

void report_agreed_draw() {
    finish_game();
    if (console_extras()) print_line("Match result: draw");
}

void report_draw_claims() {
    // Under a GUI protocol the claims are standard chess's, made as the moves
    // are played; otherwise the engine's own, whoever is listening.
    if (!claims_own_draws()) return;
    if (game_position.repetition_draw) print_line("1/2-1/2 {Draw by triple repetition}");
    if (game_position.fifty_move_draw) print_line("1/2-1/2 {Draw by 50 move rule}");
    if (insufficient_material(WHITE) && insufficient_material(BLACK))
        print_line("1/2-1/2 {Draw by insufficient material}");
}
