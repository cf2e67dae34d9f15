// Moves as coordinate text: checking and parsing the user's words, playing a
// user's move (coordinate text or SAN) and what follows it, printing the
// engine's move line, and the "bookmake" pass that replays a game file into
// the book (a PGN file goes to learn_pgn.cpp).
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "frontend/frontend.h"
#include "rules/san.h"
#include "settings/settings.h"
#include "game/game.h"

namespace {
inline bool is_rank_digit(char c) { return c >= '1' && c <= '8'; }
inline bool is_small_letter(char c) { return c >= 'a' && c <= 'z'; }
inline bool is_capital(char c) { return c >= 'A' && c <= 'Z'; }
inline char capital(char c) { return is_small_letter(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// A pawn of either colour moving to the first or last rank must name its piece.
bool needs_promotion(const move& m) {
    if (m.to_rank != 0 && m.to_rank != 7) return false;
    if (!on_board(m.from_file, m.from_rank)) return false;
    const uint8_t piece = game_position.board[square_index(m.from_file, m.from_rank)];
    return piece == WHITE * 16 + PAWN || piece == BLACK * 16 + PAWN;
}

bool is_promotion_piece(uint8_t type) { return type == QUEEN || type == ROOK || type == BISHOP || type == KNIGHT; }
}  // namespace

void log_node_count() {
    if (!log_nodes) return;
    char line[40];
    std::snprintf(line, sizeof line, "nodes %" PRIu64, node_count);
    log_line(line);
}

int is_move_text(char* word) {
    // Each position is looked at only when the ones before it exist, so a
    // short word is never read beyond its terminator.
    if (word[0] == '\0' || !is_rank_digit(word[1])) return 0;
    if (word[2] == '\0' || !is_rank_digit(word[3])) return 0;
    word[0] = capital(word[0]);
    word[2] = capital(word[2]);
    word[4] = capital(word[4]);  // the terminator of a four-letter word is left alone
    return is_capital(word[0]) && is_capital(word[2]);
}

move parse_move_text(const char* word) {
    move m = {};
    m.from_file = static_cast<int8_t>(word[0] - 'A');
    m.from_rank = static_cast<int8_t>(word[1] - '1');
    m.to_file = static_cast<int8_t>(word[2] - 'A');
    m.to_rank = static_cast<int8_t>(word[3] - '1');
    switch (word[4]) {
        case 'Q': case 'q': m.promotion = QUEEN; break;
        case 'R': case 'r': m.promotion = ROOK; break;
        case 'B': case 'b': m.promotion = BISHOP; break;
        case 'N': case 'n': m.promotion = KNIGHT; break;
        default: m.promotion = 0; break;
    }
    m.score = 0;
    return m;
}

int is_listed_move(const move& m, const move_list& list) {
    const bool promotion_needed = needs_promotion(m);
    if (promotion_needed && !is_promotion_piece(m.promotion)) return 0;
    for (int i = 0; i < list.count; ++i) {
        const move& entry = list.moves[i];
        // The list's own promotion piece is not compared: the user may choose
        // any of the four, while the generator lists only queen and knight.
        if (entry.from_file == m.from_file && entry.from_rank == m.from_rank && entry.to_file == m.to_file &&
            entry.to_rank == m.to_rank)
            return 1;
    }
    return 0;
}

char* lower_case(char* word) {
    for (char* p = word; *p != '\0'; ++p)
        if (is_capital(*p)) *p = static_cast<char>(*p - 'A' + 'a');
    return word;
}

void play_user_move(char* word) {
    user_move = parse_move_text(word);
    generate_moves(game_position, game_moves);
    if (!is_listed_move(user_move, game_moves)) {
        std::fprintf(output_stream, "Illegal move: %s\n", lower_case(word));
        std::fflush(output_stream);
        return;
    }
    log_line(word);  // the move again, with the capitals is_move_text gave it
    game_play(user_move);
    note_position_changed_for_analysis();
    // Under a GUI the game goes on wherever standard chess goes on, and only
    // the draws it grants are claimed, after mate and stalemate.
    const bool interface = human_mode == 0;
    if (interface)
        game_clear_own_draw_flags();
    else
        report_draw_claims();
    if (game_hand_over() == 0) {
        report_user_win_or_stalemate();
        // A GUI has ended the game itself; at the console the engine's turn
        // that follows reports it once more, as it always has.
        if (interface) game_ended = true;
    } else if (interface) {
        claim_standard_draw();
    }
    display_board();
    // In analysis the moves only change the position that is analysed.
    if (force_mode || game_ended_by_gui() || analysis_mode()) return;
    take_engine_turn();
    log_node_count();
    report_draw_claims();
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

search_limits turn_limits;

void take_engine_turn() {
    move played;
    turn_options options;
    search_limits limits = turn_limits;
    if (limits.node_limit != 0) limits.node_limit += node_count;  // a cap per turn
    if (standard_input_queue != nullptr && urgent_input.wanted != nullptr) limits.poll = poll_urgent_input;
    prepare_engine_turn(options, limits);
    options.limits = &limits;
    const bool moved = engine_turn(played, options);
    if (engine_turn_abandoned()) {
        // The GUI has moved on (the game ended, a take-back, a new position):
        // the move is not sent, and the position stays the GUI's.
        if (moved) game_take_back(1);
        generate_moves(game_position, game_moves);
        return;
    }
    if (moved)
        emit_engine_move(played);
    else
        report_user_win_or_stalemate();  // the engine has no move: mated or stalemated
    if (sound_enabled != 0) ring_bell();
    const bool interface = human_mode == 0;
    if (interface) game_clear_own_draw_flags();
    if (game_hand_over() == 0)
        report_engine_win_or_stalemate();
    else if (interface)
        claim_standard_draw();
    display_board();
}

void coordinate_text(const move& m, char* out, bool capitals) {
    const char a = capitals ? 'A' : 'a';
    out[0] = static_cast<char>(a + m.from_file);
    out[1] = static_cast<char>('1' + m.from_rank);
    out[2] = static_cast<char>(a + m.to_file);
    out[3] = static_cast<char>('1' + m.to_rank);
    int length = 4;
    switch (m.promotion) {
        case QUEEN: out[length++] = capitals ? 'Q' : 'q'; break;
        case ROOK: out[length++] = capitals ? 'R' : 'r'; break;
        case BISHOP: out[length++] = capitals ? 'B' : 'b'; break;
        case KNIGHT: out[length++] = capitals ? 'N' : 'n'; break;
        default: break;  // NO_PROMOTION, or a user move's 0
    }
    out[length] = '\0';
}

void emit_engine_move(const move& m) {
    // The line is built in word_buffer, where the last word stood.
    std::memcpy(word_buffer, "move ", 5);
    coordinate_text(m, word_buffer + 5);
    print_line(word_buffer);
    log_line(word_buffer);
}

void learn_move(const move& m, int winner) {
    if (side_to_move == winner) {
        // Stored as the generator lists it, so that the search's probe finds it.
        move stored = m;
        if (!needs_promotion(stored)) stored.promotion = NO_PROMOTION;
        store_book_move(game_position, stored);
    }
    game_play(m);
    side_to_move = other_colour(side_to_move);
}

void learn_game_file(const char* file_name) {
    // The name may stand in word_buffer, which the file's words overwrite.
    char name[WORD_BUFFER_SIZE];
    std::snprintf(name, sizeof name, "%s", file_name);
    const char* why = "";
    FILE* file = open_regular_file(name, why);
    if (file == nullptr) {
        std::fprintf(stderr, "orvane: bookmake: cannot open %s: %s; nothing learnt\n", name, why);
        // As after a whole pass, the buffer holds "quit", so that the name is
        // not taken for a command or a move by the tests that follow.
        std::strcpy(word_buffer, "quit");
        return;
    }
    if (looks_like_pgn(file)) {
        learn_pgn_games(file, name);
        std::fclose(file);
        generate_moves(game_position, game_moves);
        save_book();
        std::strcpy(word_buffer, "quit");
        return;
    }
    start_new_game();
    int game_winner = 0;  // none, WHITE or BLACK
    while (read_word(file, word_buffer) && std::strcmp(word_buffer, "quit") != 0) {
        if (std::strcmp(word_buffer, "whitewillwin") == 0) game_winner = WHITE;
        if (std::strcmp(word_buffer, "blackwillwin") == 0) game_winner = BLACK;
        if (!is_move_text(word_buffer)) continue;
        user_move = parse_move_text(word_buffer);
        // A move that is not legal here would teach the book nonsense and could
        // put pieces off the board: the pass ends at it, keeping what it learnt.
        generate_moves(game_position, game_moves);
        if (!is_listed_move(user_move, game_moves)) {
            std::fprintf(stderr, "orvane: bookmake: %s: %s is not a legal move here; the pass stops\n", name,
                         lower_case(word_buffer));
            break;
        }
        learn_move(user_move, game_winner);
    }
    std::fclose(file);
    generate_moves(game_position, game_moves);
    save_book();
    std::strcpy(word_buffer, "quit");
}
