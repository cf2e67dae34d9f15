// The command interpreter: every word read goes through interpret_word.
#include <cstdio>
#include <cstring>

#include "cecp/cecp.h"
#include "game/game.h"
#include "game/pgn.h"
#include "game/strength.h"
#include "game/time_manager.h"
#include "io/files.h"
#include "io/io.h"
#include "protocol/options.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "rules/san.h"
#include "settings/settings.h"

namespace {
// The "level" holders keep their last values: a base time that does not
// begin with a number leaves the minutes (and seconds) of the last "level".
int32_t level_minutes = 0;
int32_t level_seconds = 0;

// "depth"/"ply" N: the depth limit, refused outside 1 to MAX_SEARCH_DEPTH.
void set_depth() {
    int32_t depth = 0;
    if (!read_int(input_stream, depth)) return;  // the word stays in the input
    if (depth < 1 || depth > MAX_SEARCH_DEPTH) {
        std::fprintf(stderr, "orvane: depth %d refused: it must lie between 1 and %d\n", depth, MAX_SEARCH_DEPTH);
        return;
    }
    search_depth = depth;
    if (clock_mode == 1) clock_mode = 2;
}

// "level" MOVES BASE INCREMENT: the time per move from a time control.  The
// base-time word is read into word_buffer, where the later tests see it.
void set_level() {
    int32_t moves = 0, increment = 0;
    if (!read_int(input_stream, moves)) return;
    if (!read_word(input_stream, word_buffer)) return;
    const char* text = word_buffer;
    if (std::strchr(word_buffer, ':') != nullptr) {
        // "%d:%d": minutes, the colon, seconds; each part that is missing
        // keeps its last value, and a missing first part stops the parse.
        if (parse_int(text, level_minutes) && *text == ':') {
            ++text;
            parse_int(text, level_seconds);
        }
    } else {
        parse_int(text, level_minutes);
        level_seconds = 0;
    }
    if (!read_int(input_stream, increment)) return;
    // GUIs send fractional increments ("level 0 2 0.5", "level 0 4:57 3.0").
    int64_t increment_ms = 0;
    read_fraction_ms(input_stream, increment, increment_ms);
    set_level_control(moves, level_minutes, level_seconds, increment_ms);
}

// A setting of the option table from a console word; a value out of its
// range is refused with a line on the error stream, which names the word
// when it is given (else the option).  true when the setting was made.
bool set_option_by_name(const char* name, int32_t value, const char* word = nullptr) {
    const engine_option* option = find_engine_option(name, std::strlen(name));
    if (option == nullptr) return false;
    const option_change change = change_engine_option(*option, value);
    if (change == option_change::out_of_range)
        std::fprintf(stderr, "orvane: %s %d refused: it must lie between %d and %d\n",
                     word != nullptr ? word : option->name, value, option->low, option->high);
    return change == option_change::done;
}

// "elo N": the engine plays at the level of N Elo (UCI_Elo, UCI_LimitStrength on).
void set_level_in_elo(int32_t elo) {
    if (set_option_by_name("UCI_Elo", elo, "elo")) set_option_by_name("UCI_LimitStrength", 1);
}

// "hint": a move for the side to move, as the session's partner reads it.
void give_hint() {
    const hint_form form = hint_answer_form();
    if (form == hint_form::none) return;
    move suggested;
    if (!hint_move(suggested, turn_limits.node_limit)) return;
    char text[SAN_TEXT_SIZE + 8];
    if (form == hint_form::san)
        write_san(game_position, side_to_move, suggested, text);
    else
        engine_move_text(suggested, text);
    char line[sizeof text + 8];
    std::snprintf(line, sizeof line, "Hint: %s", text);
    print_line(line);
}

// The game so far as PGN (the buffer is large; one is enough).
char pgn_buffer[PGN_TEXT_SIZE];
size_t game_score() { return format_game_pgn(pgn_buffer, ORVANE_NAME); }

// "pgn": the game printed; its closing blank line is print_line's line end.
void print_game_score() {
    const size_t length = game_score();
    if (length > 0) pgn_buffer[length - 1] = '\0';
    print_line(pgn_buffer);
}

// "savepgn FILE": the game appended to FILE, whole or not at all.
void save_game_score(const char* file_name) {
    const size_t length = game_score();
    const char* why = nullptr;
    if (!append_to_file(file_name, pgn_buffer, length, why)) {
        std::fprintf(stderr, "orvane: cannot append the game to %s (%s)\n", file_name, why);
        return;
    }
    if (console_extras()) {
        char line[WORD_BUFFER_SIZE + 32];
        std::snprintf(line, sizeof line, "Game appended to %s", file_name);
        print_line(line);
    }
}

// "draw": accepted when the side that is not to move cannot mate.
void offer_draw() {
    if (!insufficient_material(other_colour(side_to_move))) return;
    print_line("offer draw");
    report_agreed_draw();
}
}  // namespace

void reset_console_state() {
    level_minutes = 0;
    level_seconds = 0;
    reset_xboard_state();
    reset_engine_moves_state();
}

// The commands, tested in this order; every test that matches runs, and the
// word is then tried as a move.  (L) marks the commands that "levellock"
// turns off; a locked command reads none of its arguments.
//
//   protover             print "feature myname=..." and "feature done=1"
//   xboard               human_mode 0: no diagrams, bell or console lines
//   display              draw the board (human mode)
//   soundon / soundoff   bell after engine moves on / off
//   reverse              flip the diagram; "board reversed" in human mode
//   new                  new game (settings, force_mode included, stay)
//   load / save          board.txt
//   depth N, ply N (L)   search_depth := N (1..MAX_SEARCH_DEPTH); clock_mode 1 -> 2
//   level M B I (L)      move_time_ms from M moves in B minutes[:seconds], I s increment
//   levelmode N (L)      clock_mode := N
//   noclocks (L)         clock_mode := 0
//   bookon / bookoff (L) book_enabled := 1 / 0 (read at start-up only)
//   bookmake FILE        learn a game file into the book
//   advancelevel N       eval_variant := N
//   donullmove           null_move_enabled := 1
//   docutting            cutting_enabled := 1
//   advancedsearchingon / advancedsearchingoff   advanced_search := 1 / 0
//   emotion N            emotion := N
//   levellock            settings_locked := 1
//   force, twoplayers    force_mode := 1
//   draw                 accept a draw when the side not to move cannot mate
//   lognodes             log_nodes := 1
//   strongsearch / classicsearch   the strong search thinks / the classic one (the Search option)
//   hash N               the strong search's table, N MB (the Hash option)
//   threads N            the strong search's threads (the Threads option)
//   elo N / fullstrength play at the level of N Elo / at full strength (UCI_Elo, UCI_LimitStrength)
//   hint                 "Hint: Nf3" (console), "Hint: g1f3" (xboard), nothing (UCI); the game untouched
//   pgn / savepgn FILE   print the game as PGN / append it to FILE
//   sanon / sanoff       the engine's moves also in SAN, after the move line (human mode)
//   help                 the console's words, a line each
//   go                   force_mode := 0; the engine moves for side_to_move
//   then the xboard protocol's own commands (see xboard.cpp): ping N, setboard
//   FEN, undo, remove, time N, otim N, st S, sd N, post, nopost, analyze,
//   exit, result ..., option NAME=VALUE, accepted/rejected/name ...
//   move text            the user's move, or "Illegal move: ..."
//   SAN                  the user's move in SAN ("Nf3", "exd5", "O-O", "e8=Q"),
//                        played as its coordinate text; "Illegal move: WORD" (as
//                        typed) for a piece move or castling that names no legal
//                        move; a pawn word naming none, and any other word, are
//                        passed over in silence
void interpret_word(char* word) {
    // The tests look at word_buffer, which "level" and "bookmake" overwrite
    // with their text argument; a word from elsewhere is copied there first.
    if (word != word_buffer) std::snprintf(word_buffer, WORD_BUFFER_SIZE, "%s", word);
    const char* w = word_buffer;
    log_line(w);
    session_note_word(w);

    if (is(w, "protover")) {
        session_note_protover();  // before the option lines, which show the search it starts with
        std::fprintf(output_stream, "feature myname=%c%s%c\n", 34, BANNER, 34);
        print_protocol_features();
        print_line("feature done=1");
    }
    if (is(w, "xboard")) session_begin_xboard();
    if (is(w, "display")) display_board();
    if (is(w, "soundon")) sound_enabled = 1;
    if (is(w, "soundoff")) sound_enabled = 0;
    if (is(w, "reverse")) {
        board_reversed = 1 - board_reversed;
        if (console_extras()) print_line("board reversed");
    }
    if (is(w, "new")) {
        set_chess960_games(false);  // xboard's "new" is a game of standard chess
        start_new_game();
        new_game_for_gui();
    }
    if (is(w, "load")) {
        load_board_file();
        note_position_changed_for_analysis();
    }
    if (is(w, "save")) save_board_file();
    if ((is(w, "depth") || is(w, "ply")) && !settings_locked) set_depth();
    if (is(w, "level") && !settings_locked) set_level();
    if (is(w, "levelmode") && !settings_locked) {
        int32_t mode = 0;
        if (read_int(input_stream, mode)) clock_mode = mode;
    }
    if (is(w, "noclocks") && !settings_locked) clock_mode = 0;
    if (is(w, "bookon") && !settings_locked) book_enabled = 1;
    if (is(w, "bookoff") && !settings_locked) book_enabled = 0;
    if (is(w, "bookmake") && read_word(input_stream, word_buffer)) bookmake(word_buffer);
    if (is(w, "advancelevel")) {
        int32_t variant = 0;
        if (read_int(input_stream, variant)) eval_variant = variant;
    }
    if (is(w, "donullmove")) null_move_enabled = 1;
    if (is(w, "docutting")) cutting_enabled = 1;
    if (is(w, "advancedsearchingon")) advanced_search = 1;
    if (is(w, "advancedsearchingoff")) advanced_search = 0;
    if (is(w, "emotion")) {
        int32_t value = 0;
        if (read_int(input_stream, value)) emotion = value;
    }
    if (is(w, "levellock")) settings_locked = 1;
    if (is(w, "force") || is(w, "twoplayers")) force_mode = 1;
    if (is(w, "draw")) offer_draw();
    if (is(w, "lognodes")) log_nodes = 1;
    if (is(w, "strongsearch")) set_option_by_name("Search", 1);
    if (is(w, "classicsearch")) set_option_by_name("Search", 0);
    if (is(w, "hash")) {
        int32_t mb = 0;
        if (read_int(input_stream, mb)) set_option_by_name("Hash", mb);
    }
    if (is(w, "threads")) {
        int32_t count = 0;
        if (read_int(input_stream, count)) set_option_by_name("Threads", count);
    }
    if (is(w, "elo")) {
        int32_t elo = 0;
        if (read_int(input_stream, elo)) set_level_in_elo(elo);
    }
    if (is(w, "fullstrength")) set_option_by_name("UCI_LimitStrength", 0);
    if (is(w, "syzygypath")) {
        // The rest of the line is the path (folders separated by ':').
        char path[1024];
        read_rest_of_line(input_stream, path, sizeof path);
        const char* start = path;
        while (*start == ' ' || *start == '\t') ++start;
        print_line(set_syzygy_path(start).c_str());
    }
    if (is(w, "hint")) give_hint();
    if (is(w, "pgn")) print_game_score();
    if (is(w, "savepgn")) {
        // The name is read aside: the word's tests below still see "savepgn".
        char name[WORD_BUFFER_SIZE];
        if (read_word(input_stream, name)) save_game_score(name);
    }
    if (is(w, "sanon")) san_enabled = 1;
    if (is(w, "sanoff")) san_enabled = 0;
    if (is(w, "help")) print_console_help();
    if (is(w, "go")) {
        force_mode = 0;
        engine_moves();
    }
    interpret_protocol_word(w);
    // The word as typed, for SAN: is_move_text puts capitals into it.
    char typed[WORD_BUFFER_SIZE];
    std::memcpy(typed, word_buffer, sizeof typed);
    if (is_move_text(word_buffer)) {
        // "R1a3" has the shape of coordinate text, but R is no file: as SAN
        // naming a legal move it is played; otherwise the coordinate path
        // answers as it always has.
        const bool piece_first = typed[0] == 'K' || typed[0] == 'Q' || typed[0] == 'R' || typed[0] == 'N';
        if (!piece_first || !play_user_san(typed, false)) play_user_move(word_buffer);
    } else {
        play_user_san(typed);  // SAN, or a word that is no move at all
    }
    after_word_interpreted();
}
