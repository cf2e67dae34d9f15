// "bookmake" over a game file of coordinate moves; a PGN file goes to
// learn_pgn.cpp.
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "game/game.h"
#include "io/files.h"
#include "io/io.h"
#include "learn/learn.h"
#include "rules/move_text.h"

void learn_move(const move& m, int winner) {
    if (side_to_move == winner) {
        // Stored as the generator lists it, so that the search's probe finds it.
        move stored = m;
        if (!needs_promotion(game_position, stored)) stored.promotion = NO_PROMOTION;
        store_book_move(game_position, stored);
    }
    game_play(m);
    side_to_move = other_colour(side_to_move);
}

namespace {
void learn_from_file(const char* file_name, new_game_shown show);
}  // namespace

void learn_game_file(const char* file_name, new_game_shown show) {
    // The book is standard chess's: its games are read as standard chess
    // even while Chess960 is chosen, which stays chosen afterwards.
    const bool chess960 = chess960_games();
    set_chess960_games(false);
    learn_from_file(file_name, show);
    set_chess960_games(chess960);
}

namespace {
void learn_from_file(const char* file_name, new_game_shown show) {
    // The name may stand in word_buffer, which the file's words overwrite.
    char name[WORD_BUFFER_SIZE];
    std::snprintf(name, sizeof name, "%s", file_name);
    const char* why = "";
    FILE* file = open_regular_file(name, why);
    if (file == nullptr) {
        std::fprintf(stderr, "orvane: bookmake: cannot open %s: %s; nothing learnt\n", name, why);
        // As after a whole pass, the buffer holds "quit".
        std::strcpy(word_buffer, "quit");
        return;
    }
    if (looks_like_pgn(file)) {
        learn_pgn_games(file, name, show);
        std::fclose(file);
        generate_moves(game_position, game_moves);
        save_book();
        std::strcpy(word_buffer, "quit");
        return;
    }
    new_game();
    if (show != nullptr) show();
    int game_winner = 0;  // none, WHITE or BLACK
    while (read_word(file, word_buffer) && std::strcmp(word_buffer, "quit") != 0) {
        if (std::strcmp(word_buffer, "whitewillwin") == 0) game_winner = WHITE;
        if (std::strcmp(word_buffer, "blackwillwin") == 0) game_winner = BLACK;
        const move_reading read = read_text_move(game_position, word_buffer, game_moves, user_move);
        if (read == move_reading::not_coordinates) continue;
        // A move that is not legal here would teach the book nonsense and could
        // put pieces off the board: the pass ends at it, keeping what it learnt.
        if (read == move_reading::not_legal) {
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
}  // namespace
