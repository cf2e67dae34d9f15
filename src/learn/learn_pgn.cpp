// "bookmake" over a PGN file: every decisive game teaches the book what a
// game file with the same moves and the winner's word would teach.  The
// reader gives one game at a time; its SAN words are resolved against the
// legal moves and played as the game-file pass plays coordinate text.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "book/book.h"
#include "game/game.h"
#include "game/pgn.h"
#include "learn/learn.h"
#include "rules/san.h"

namespace {

constexpr long PROGRESS_EVERY = 1000;  // games between progress lines on a terminal

// The pass's counts and its progress line on standard error.
struct pass_state {
    const char* name;
    long read = 0;
    long learnt = 0;
    long skipped = 0;
    bool show_progress = false;  // standard error is a terminal
    bool progress_open = false;  // a progress line stands without its line end
};

// Writes text to standard error with control characters shown as '?': a
// hostile file must not steer the terminal.  Other bytes (Latin-1, UTF-8)
// go out as they are.
void put_visible(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p)
        std::fputc(*p < 0x20 || *p == 0x7F ? '?' : *p, stderr);
}

void show_progress(pass_state& pass, bool last) {
    if (!pass.show_progress) return;
    std::fprintf(stderr, "\rorvane: bookmake: %s: %ld games read, %ld learnt, %ld skipped", pass.name, pass.read,
                 pass.learnt, pass.skipped);
    pass.progress_open = !last;
    if (last) std::fputc('\n', stderr);
}

// Opens a message about the game being read: the file, the game's number in
// it and its players.
void begin_message(pass_state& pass, const pgn_game& game) {
    if (pass.progress_open) std::fputc('\n', stderr);
    pass.progress_open = false;
    std::fprintf(stderr, "orvane: bookmake: %s: game %ld (", pass.name, pass.read);
    put_visible(game.white[0] != '\0' ? game.white : "?");
    std::fputs(" - ", stderr);
    put_visible(game.black[0] != '\0' ? game.black : "?");
    std::fputs("): ", stderr);
}

// A message naming a bad word of the game, and what became of the game.
void report_word(pass_state& pass, const pgn_game& game, const pgn_word& word, const char* what) {
    begin_message(pass, game);
    put_visible(word.text);
    if (word.cut) std::fputs("...", stderr);
    std::fprintf(stderr, " %s; the game is learnt up to it\n", what);
}

// WHITE or BLACK for "1-0" or "0-1", 0 for a draw or an unfinished game,
// -1 for any other text.
int winner_of_text(const char* text) {
    if (std::strcmp(text, "1-0") == 0) return WHITE;
    if (std::strcmp(text, "0-1") == 0) return BLACK;
    if (std::strcmp(text, "1/2-1/2") == 0 || std::strcmp(text, "*") == 0) return 0;
    return -1;
}

// The winner by the Result tag, or by the result token that ended the
// movetext when the tag is missing or says nothing this engine reads.
int winner_of(const pgn_game& game) {
    if (game.has_result) {
        const int winner = winner_of_text(game.result);
        if (winner >= 0) return winner;
    }
    const int winner = winner_of_text(game.end_token);
    return winner > 0 ? winner : 0;
}

// Sets the game up where the PGN game begins: a new game, or the FEN's
// position checked as "setboard" checks it.  A FEN is taken unless SetUp
// says "0" (some writers leave SetUp out).  false, the game untouched and
// the reason on standard error, when the position is refused.
bool begin_game(pass_state& pass, const pgn_game& game) {
    const bool set_up = game.has_setup && std::strcmp(game.setup, "0") != 0;
    if (!game.has_fen || (game.has_setup && !set_up)) {
        if (set_up) {
            begin_message(pass, game);
            std::fputs("SetUp \"1\" without a FEN; the game is skipped\n", stderr);
            return false;
        }
        new_game();
        return true;
    }
    static position pos;
    int side = WHITE;
    int halfmove = 0;
    const char* why = read_set_up_position(game.fen, pos, side, halfmove);
    if (why != nullptr) {
        begin_message(pass, game);
        std::fputs("its FEN \"", stderr);
        put_visible(game.fen);
        std::fputs("\" is refused (", stderr);
        put_visible(why);
        std::fputs("); the game is skipped\n", stderr);
        return false;
    }
    game_begin_at(pos, side, halfmove);
    engine_moves_made = 0;
    time_used = 0;
    return true;
}

// Plays the game's words from where begin_game set it up, storing the
// winner's moves before they are made, up to the first word that names no
// legal move.
void learn_moves(pass_state& pass, const pgn_game& game, int winner) {
    for (int i = 0; i < game.word_count; ++i) {
        const pgn_word& word = game.words[i];
        if (word.cut) {
            report_word(pass, game, word, "is not a move");
            return;
        }
        generate_moves(game_position, game_moves);
        move found;
        switch (resolve_san(game_position, game_moves, word.text, found)) {
            case san_result::legal_move: break;
            case san_result::not_san: report_word(pass, game, word, "is not a move"); return;
            case san_result::ambiguous: report_word(pass, game, word, "could be more than one move"); return;
            case san_result::no_piece_move:
            case san_result::no_pawn_move:
                report_word(pass, game, word,
                            game_position.repetition_draw || game_position.fifty_move_draw
                                ? "is not a legal move here (the engine's own draw rule has ended the game)"
                                : "is not a legal move here");
                return;
        }
        // The move as the game-file pass reads it from coordinate text, so
        // that both teach the book the same bytes.
        user_move = move{};
        user_move.from_file = found.from_file;
        user_move.from_rank = found.from_rank;
        user_move.to_file = found.to_file;
        user_move.to_rank = found.to_rank;
        user_move.promotion = found.promotion == NO_PROMOTION ? 0 : found.promotion;
        learn_move(user_move, winner);
    }
    if (game.words_dropped) {
        begin_message(pass, game);
        std::fprintf(stderr, "it has more than %d half-moves; the game is learnt up to there\n", PGN_MAX_WORDS);
    }
}

}  // namespace

bool looks_like_pgn(FILE* file) {
    int c = std::fgetc(file);
    if (c == 0xEF) {
        // A byte-order mark is the only thing a PGN file may open with
        // that is not text.
        if (std::fgetc(file) != 0xBB || std::fgetc(file) != 0xBF) c = EOF;
        else c = std::fgetc(file);
    }
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') c = std::fgetc(file);
    std::rewind(file);
    return c == '[' || c == '%' || (c >= '0' && c <= '9');
}

void learn_pgn_games(FILE* file, const char* name, new_game_shown show) {
    pass_state pass;
    pass.name = name;
    pass.show_progress = ::isatty(STDERR_FILENO) == 1;
    // The diagram of the new game, as the game-file pass shows it.
    new_game();
    if (show != nullptr) show();
    const auto reader = std::make_unique<pgn_reader>(file);
    static pgn_game game;
    while (reader->next_game(game)) {
        ++pass.read;
        const int winner = winner_of(game);
        // A draw or an unfinished game teaches nothing: it is not played.
        if (winner == 0 || !begin_game(pass, game)) {
            ++pass.skipped;
        } else {
            ++pass.learnt;
            learn_moves(pass, game, winner);
        }
        if (pass.read % PROGRESS_EVERY == 0) show_progress(pass, false);
    }
    if (pass.read >= PROGRESS_EVERY) show_progress(pass, true);
}
