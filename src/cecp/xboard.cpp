// The xboard protocol beyond the console's commands: the features and
// options of the handshake, ping, setting up and taking back positions, the
// GUI's clock, thinking output, moving at once, analysis, and the game's end
// as the GUI says it.  A GUI judges claims and moves by standard chess, so in
// interface mode the engine claims only the draws standard chess grants and
// never offers a move that leaves its own king attacked.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cecp/cecp.h"
#include "game/time_manager.h"
#include "io/io.h"
#include "protocol/options.h"
#include "protocol/session.h"
#include "protocol/thinking.h"
#include "protocol/turn.h"
#include "settings/settings.h"

namespace {

bool post_thinking = false;     // "post": thinking lines after each iteration
bool analysing = false;         // "analyze" until "exit"
bool analysis_due = false;      // the analysed position has changed
thinking_output xboard_thinking{thinking_output::style::xboard};

bool is(const char* word, const char* command) { return std::strcmp(word, command) == 0; }

// A line taken out of the input while the engine thinks: "?" moves now;
// "." (analysis status) is optional and answered with nothing.
bool act_on_line(const char* line) { return is(line, "?"); }

// "option NAME=VALUE" from the GUI.
void set_gui_option(const char* text) {
    const char* equals = std::strrchr(text, '=');
    if (equals == nullptr) {
        std::fprintf(stderr, "orvane: option %s: no value given\n", text);
        return;
    }
    const size_t name_length = static_cast<size_t>(equals - text);
    const engine_option* option = find_engine_option(text, name_length);
    if (option == nullptr) {
        std::fprintf(stderr, "orvane: option %.*s is not one of this engine's\n", static_cast<int>(name_length), text);
        return;
    }
    const char* value_text = equals + 1;
    int32_t value = 0;
    if (!parse_int(value_text, value) || *value_text != '\0' ||
        change_engine_option(*option, value) == option_change::out_of_range)
        std::fprintf(stderr, "orvane: option %s: %s is not a value from %d to %d\n", option->name, equals + 1,
                     option->low, option->high);
}

// After the position changed under the GUI: the engine's own draw flags go
// (the GUI's rules decide), its moves are listed again, and a finished game
// may go on.
void position_changed() {
    game_clear_own_draw_flags();
    generate_moves(game_position, game_moves);
    game_ended = false;
    analysis_due = analysing;
}

// "setboard FEN": the same checks as a board file's; a refused position
// leaves the game as it was.
void set_board(const char* fen) {
    static position pos;
    int side = WHITE;
    int halfmove = 0;
    const char* why = read_set_up_position(fen, pos, side, halfmove);
    if (why != nullptr) {
        std::fprintf(stderr, "orvane: setboard %s: refused (%s)\n", fen, why);
        print_line("tellusererror Illegal position");
        return;
    }
    game_begin_at(pos, side, halfmove);
    engine_moves_made = 0;
    time_used = 0;
    position_changed();
    display_board();
}

void take_back(int plies) {
    if (!game_take_back(plies)) {
        std::fprintf(stderr, "orvane: cannot take back %d move%s: the game has only %d\n", plies,
                     plies == 1 ? "" : "s", game_plies());
        return;
    }
    position_changed();
    display_board();
}

// Analysis of the game position until a line arrives; thinking lines
// throughout.  Needs the input reader, which tells that a line has come.
void analyse() {
    analysis_due = false;
    if (standard_input_queue == nullptr) return;
    search_limits limits = limits_for_turn(true);
    const int side = side_to_move;
    deepen(game_position, side, MAX_SEARCH_DEPTH, INT32_MAX, 1, &xboard_thinking, &limits);
    side_to_move = side;
}

}  // namespace

void print_protocol_features() {
    // myname has gone out already; done=1 must come last.
    print_line("feature ping=1 setboard=1 time=1 draw=1 sigint=0 reuse=1 colors=0 analyze=1 playother=0 usermove=0");
    char line[160];
    for (int i = 0; i < ENGINE_OPTION_COUNT; ++i) {
        const engine_option& option = ENGINE_OPTIONS[i];
        if (option.check)
            std::snprintf(line, sizeof line, "feature option=\"%s -check %d\"", option.name, option.get() != 0);
        else
            std::snprintf(line, sizeof line, "feature option=\"%s -spin %d %d %d\"", option.name, option.get(),
                          option.low, option.high);
        print_line(line);
    }
}

void act_on_lines_during_search() { act_on_taken_line = act_on_line; }

void prepare_engine_turn(turn_options& options) {
    // Thinking lines go to a GUI that asked for them, never to a person.
    if (post_thinking && !console_extras()) options.observer = &xboard_thinking;
}

bool game_ended_by_gui() { return gui_protocol_in_use() && game_ended; }

bool claim_standard_draw() {
    if (game_ended) return false;  // one claim ends the game; the GUI takes it from there
    const char* line = nullptr;
    switch (game_standard_draw()) {
        case standard_draw::repetition: line = "1/2-1/2 {Draw by triple repetition}"; break;
        case standard_draw::fifty_moves: line = "1/2-1/2 {Draw by 50 move rule}"; break;
        case standard_draw::dead_position: line = "1/2-1/2 {Draw by insufficient material}"; break;
        case standard_draw::none: return false;
    }
    print_line(line);
    game_ended = true;
    finish_game();  // a game ended on the board: counted, and the book saved
    return true;
}

void new_game_for_gui() {
    game_ended = false;
    game_time.max_depth = 0;
    game_time.time_known = false;
    analysis_due = analysing;
}

void interpret_protocol_word(const char* w) {
    char text[WORD_BUFFER_SIZE];
    if (is(w, "ping")) {
        // Every earlier command is done by now: the interpreter runs them in order.
        if (!read_word(input_stream, text)) text[0] = '\0';
        char line[WORD_BUFFER_SIZE + 8];
        std::snprintf(line, sizeof line, "pong %s", text);
        print_line(line);
    }
    if (is(w, "setboard")) {
        read_rest_of_line(input_stream, text, sizeof text);
        set_board(text);
    }
    if (is(w, "undo")) take_back(1);
    if (is(w, "remove")) take_back(2);
    if (is(w, "time")) {
        int32_t centiseconds = 0;
        if (read_int(input_stream, centiseconds)) {
            game_time.time_known = true;
            game_time.time_left_ms = int64_t{centiseconds} * 10;
        }
    }
    if (is(w, "otim")) {
        int32_t ignored = 0;
        read_int(input_stream, ignored);  // the opponent's clock does not change our plan
    }
    if (is(w, "st") && !settings_locked) {
        int64_t ms = 0;
        if (read_seconds_ms(input_stream, ms) && ms > 0) game_time.fixed_move_ms = ms;
    }
    if (is(w, "sd") && !settings_locked) {
        int32_t depth = 0;
        if (read_int(input_stream, depth) && depth >= 1) game_time.max_depth = depth < MAX_SEARCH_DEPTH ? depth : MAX_SEARCH_DEPTH;
    }
    if (is(w, "post")) post_thinking = true;
    if (is(w, "nopost")) post_thinking = false;
    if (is(w, "analyze")) {
        analysing = true;
        analysis_due = true;
    }
    if (is(w, "exit")) analysing = false;
    if (is(w, "result")) {
        // Free text that may hold move text ("Forfeit due to invalid move: c2c5").
        read_rest_of_line(input_stream, text, sizeof text);
        game_ended = true;
    }
    if (is(w, "option")) {
        read_rest_of_line(input_stream, text, sizeof text);
        set_gui_option(text);
    }
    // What follows these is a feature name or a person's name, never a command.
    if (is(w, "accepted") || is(w, "rejected") || is(w, "name")) read_rest_of_line(input_stream, text, sizeof text);
}

bool analysis_mode() { return analysing; }

void after_word_interpreted() {
    if (analysing && analysis_due) analyse();
}

void note_position_changed_for_analysis() { analysis_due = analysing; }

void reset_xboard_state() {
    post_thinking = false;
    analysing = false;
    analysis_due = false;
}
