// The xboard protocol beyond the console's commands: the features and
// options of the handshake, ping, setting up and taking back positions, the
// GUI's clock, thinking output, moving at once, analysis, and the game's end
// as the GUI says it.  A GUI judges claims and moves by standard chess, so in
// interface mode the engine claims only the draws standard chess grants and
// never offers a move that leaves its own king attacked.
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <ctime>

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


// "exclude"/"include": the root moves left out of the search, for the
// position they were given in (a move or a new position forgets them).
struct root_restriction {
    bool active = false;
    bool all_excluded = false;           // "exclude all": only the included moves remain
    move listed[MOVE_LIST_SIZE];         // excluded moves, or the included ones after "exclude all"
    int count = 0;
    uint8_t board[64] = {};
    int side = 0;
    move allowed[MOVE_LIST_SIZE];        // the moves the search may play, worked out per search
} restriction;

bool restriction_holds() {
    return restriction.active && restriction.side == side_to_move &&
           std::memcmp(restriction.board, game_position.board, 64) == 0;
}

bool listed_in_restriction(const move& m) {
    for (int i = 0; i < restriction.count; ++i)
        if (same_move(restriction.listed[i], m)) return true;
    return false;
}

// "exclude WHAT" or "include WHAT" (a move or "all").
void restrict_root(const char* what, bool exclude) {
    if (!restriction_holds()) {
        restriction = root_restriction{};
        restriction.active = true;
        std::memcpy(restriction.board, game_position.board, 64);
        restriction.side = side_to_move;
    }
    if (is(what, "all")) {
        restriction.all_excluded = exclude;
        restriction.count = 0;
        return;
    }
    char word[WORD_BUFFER_SIZE];
    std::snprintf(word, sizeof word, "%s", what);
    move listed;
    if (read_text_move(game_position, word, game_moves, listed) != move_reading::legal) {
        std::fprintf(stderr, "orvane: %s %s: no legal move here\n", exclude ? "exclude" : "include", what);
        return;
    }
    // As the generator lists it, so that same_move finds it among the legal moves.
    if (!needs_promotion(game_position, listed)) listed.promotion = NO_PROMOTION;
    // Excluding after "exclude all" takes an included move out again, and
    // the other way round.
    const bool adds = exclude != restriction.all_excluded;
    if (adds && !listed_in_restriction(listed) && restriction.count < MOVE_LIST_SIZE)
        restriction.listed[restriction.count++] = listed;
    if (!adds)
        for (int i = 0; i < restriction.count; ++i)
            if (same_move(restriction.listed[i], listed)) restriction.listed[i--] = restriction.listed[--restriction.count];
}

// The root moves a search may play under the restriction, into limits;
// nothing when none is in force or it would leave no move at all.
void apply_root_restriction(search_limits& limits) {
    if (!restriction_holds()) return;
    generate_moves(game_position, game_moves);
    int n = 0;
    for (int i = 0; i < game_moves.count; ++i)
        if (listed_in_restriction(game_moves.moves[i]) == restriction.all_excluded)
            restriction.allowed[n++] = game_moves.moves[i];
    if (n == 0) return;
    limits.root_moves = restriction.allowed;
    limits.root_move_count = n;
}

// "time N": the engine's time left, in centiseconds.
void set_time_left(int64_t centiseconds) {
    game_time.time_known = true;
    game_time.time_left_ms = centiseconds * 10;
}

// A line taken out of the input while the engine thinks: "?" moves now;
// "." (in analysis) asks for the status line; "time" and "otim" (while
// pondering) are the GUI's clock before its move.
bool act_on_line(const char* line) {
    if (std::strncmp(line, "time", 4) == 0 || std::strncmp(line, "otim", 4) == 0) {
        // Read as the interpreter reads "time N" (the opponent's clock changes nothing).
        log_line(line[0] == 't' ? "time" : "otim");
        const char* text = line + 4;
        while (*text == ' ' || *text == '\t') ++text;
        int32_t centiseconds = 0;
        if (line[0] == 't' && parse_int(text, centiseconds)) set_time_left(centiseconds);
        return false;
    }
    if (is(line, ".")) {
        // The analysis status: elapsed centiseconds, nodes, depth, root moves
        // left and in all, and the move being searched.
        int total = 0;
        const progress_report now = search_progress(total);
        char text[8] = "";
        if (now.current_number > 0) engine_move_text(now.current_move, text);
        char out[128];
        std::snprintf(out, sizeof out, "stat01: %u %llu %d %d %d %s", now.elapsed_ms / 10,
                      static_cast<unsigned long long>(now.nodes), now.depth,
                      total - now.current_number > 0 ? total - now.current_number : 0, total, text);
        print_line(out);
        return false;
    }
    return is(line, "?");
}

// "option NAME=VALUE" from the GUI.
void set_gui_option(const char* text) {
    const char* equals = std::strrchr(text, '=');
    // A button comes bare: "option ClearHash".
    const engine_option* bare = find_engine_option(text, std::strlen(text));
    if (equals == nullptr && bare != nullptr && bare->button) {
        change_engine_option(*bare, 0);
        return;
    }
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
    if (option->set_text != nullptr) {
        std::fprintf(stderr, "orvane: %s\n", option->set_text(value_text).c_str());
        return;
    }
    int32_t value = 0;
    if (option->button) {
        change_engine_option(*option, 0);
        return;
    }
    // A choice shown as a combo comes back as its label (letters in either case).
    if (option->xboard_combo && option_label_value(*option, value_text, value)) {
        change_engine_option(*option, value);
        return;
    }
    if (!parse_int(value_text, value) || *value_text != '\0' ||
        change_engine_option(*option, value) == option_change::out_of_range) {
        // A combo's GUI knows it by its labels, not by the numbers behind them.
        if (option->xboard_combo && option->labels != nullptr) {
            std::string labels;
            for (int32_t v = option->low; v <= option->high; ++v)
                labels += std::string(v > option->low ? ", " : "") + option->labels[v - option->low];
            std::fprintf(stderr, "orvane: option %s: %s is not one of %s\n", option->name, equals + 1, labels.c_str());
        } else {
            std::fprintf(stderr, "orvane: option %s: %s is not a value from %d to %d\n", option->name, equals + 1,
                         option->low, option->high);
        }
    }
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
    const char* why = read_set_up_position(fen, pos, side, halfmove, chess960_games());
    if (why != nullptr) {
        std::fprintf(stderr, "orvane: setboard %s: refused (%s)\n", fen, why);
        print_line("tellusererror Illegal position");
        return;
    }
    game_begin_at(pos, side, halfmove, fen_move_number(fen));
    engine_moves_made = 0;
    time_used = 0;
    position_changed();
    display_board();
}

// "variant NAME": standard chess ("normal") or Chess960 ("fischerandom")
// for the games from now on, and for the game in hand while no move of it
// has been played (a GUI sends it after "new", before its "setboard").
void set_variant(const char* name) {
    const bool chess960 = is(name, "fischerandom");
    if (!chess960 && !is(name, "normal")) {
        char answer[WORD_BUFFER_SIZE + 40];
        std::snprintf(answer, sizeof answer, "Error (unsupported variant): %s", name);
        print_line(answer);
        return;
    }
    set_chess960_games(chess960);
    if (game_plies() > 0) return;
    static position pos;
    copy_position(pos, game_position);
    if (chess960)
        pos.chess960 = 1;  // the files a standard position castles from are its own
    else
        set_standard_castling_files(pos);
    int side = 0, halfmove = 0, number = 1;
    game_record_start(side, halfmove, number);
    game_begin_at(pos, side_to_move, halfmove, number);
    position_changed();
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
    apply_root_restriction(limits);
    turn_options options;
    options.analysis = true;
    options.observer = &xboard_thinking;
    options.limits = &limits;
    move ignored;
    think_turn(ignored, options);
}

}  // namespace

void print_protocol_features() {
    // myname has gone out already; done=1 must come last.
    print_line("feature ping=1 setboard=1 time=1 draw=1 sigint=0 reuse=1 colors=0 analyze=1 playother=0 usermove=0 nps=1 "
               "exclude=1 memory=1 smp=1 variants=\"normal,fischerandom\" egt=\"syzygy\"");
    char line[160];
    for (int i = 0; i < ENGINE_OPTION_COUNT; ++i) {
        const engine_option& option = ENGINE_OPTIONS[i];
        if (option.uci_only) continue;
        if (option.button) {
            std::snprintf(line, sizeof line, "feature option=\"%s -button\"", option.xboard_name);
        } else if (option.xboard_combo && option.labels != nullptr) {
            std::string text = std::string("feature option=\"") + option.xboard_name + " -combo";
            for (int32_t v = option.low; v <= option.high; ++v)
                text += std::string(v > option.low ? " /// " : " ") + (v == option.get() ? "*" : "") +
                        option.labels[v - option.low];
            std::snprintf(line, sizeof line, "%s\"", text.c_str());
        } else if (option.check)
            std::snprintf(line, sizeof line, "feature option=\"%s -check %d\"", option.xboard_name, option.get() != 0);
        else
            std::snprintf(line, sizeof line, "feature option=\"%s -spin %d %d %d\"", option.xboard_name, option.get(),
                          option.low, option.high);
        print_line(line);
    }
}

void act_on_lines_during_search() { act_on_taken_line = act_on_line; }

void prepare_engine_turn(turn_options& options, search_limits& limits) {
    apply_root_restriction(limits);
    xboard_thinking.forget_last_line();
    // Thinking lines go to a GUI that asked for them, never to a person.
    if (post_thinking && !console_extras()) options.observer = &xboard_thinking;
}

void before_engine_move(const move& chosen) {
    if (post_thinking && !console_extras()) xboard_thinking.before_answer(chosen);
}

void quiet_thinking(bool quiet) { xboard_thinking.set_quiet(quiet); }

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

namespace {

// xboard's protocol 2 is line-based: a command of its own reads its
// arguments from its own line and never from the next one (a bare "ping"
// once took the "force" after it as its argument, and the force was lost).
// Within the line the words are read one by one, as the interpreter reads
// them.  A missing or unreadable argument gets the protocol's
// "Error (TYPE): COMMAND" and changes nothing.
void argument_error(const char* kind, const char* command, const char* argument) {
    char line[2 * WORD_BUFFER_SIZE + 32];
    std::snprintf(line, sizeof line, "Error (%s): %s%s%s", kind, command, argument[0] != '\0' ? " " : "", argument);
    print_line(line);
}

// The next word of the command's line into out (WORD_BUFFER_SIZE bytes).
bool argument_word(const char* command, char* out) {
    int c = std::getc(input_stream);
    while (c == ' ' || c == '\t' || c == '\r') c = std::getc(input_stream);
    if (c != EOF) std::ungetc(c, input_stream);
    if (c == EOF || c == '\n' || !read_word(input_stream, out)) {
        argument_error("missing argument", command, "");
        return false;
    }
    return true;
}

// A whole number, the whole word.
bool whole_number(const char* word, int32_t& value) {
    const char* p = word;
    return parse_int(p, value) && *p == '\0';
}

// Seconds, whole or with a fraction ("1", "0.5", ".25"), as milliseconds.
bool seconds_as_ms(const char* word, int64_t& ms) {
    const char* p = word;
    int64_t whole = 0, fraction_ms = 0, scale = 100;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p, digits = true)
        if (whole < 100000000) whole = whole * 10 + (*p - '0');
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9'; ++p, digits = true) fraction_ms += (*p - '0') * scale, scale /= 10;
    if (!digits || *p != '\0') return false;
    ms = whole * 1000 + fraction_ms;
    return true;
}

// The next word of the line as read by parse, which must take all of it.
template <typename T>
bool argument_value(const char* command, T& value, bool (*parse)(const char* word, T& value)) {
    char word[WORD_BUFFER_SIZE];
    if (!argument_word(command, word)) return false;
    if (parse(word, value)) return true;
    argument_error("bad argument", command, word);
    return false;
}

// A count of things, 1 or more.
bool count_number(const char* word, int32_t& value) { return whole_number(word, value) && value >= 1; }

bool argument_number(const char* command, int32_t& value) { return argument_value(command, value, whole_number); }
bool argument_seconds(const char* command, int64_t& ms) { return argument_value(command, ms, seconds_as_ms); }

}  // namespace

void interpret_protocol_word(const char* w) {
    char text[WORD_BUFFER_SIZE];
    if (is(w, "ping")) {
        // Every earlier command is done by now: the interpreter runs them in order.
        if (argument_word(w, text)) {
            char answer[WORD_BUFFER_SIZE + 8];
            std::snprintf(answer, sizeof answer, "pong %s", text);
            print_line(answer);
        }
    }
    if (is(w, "setboard")) {
        read_rest_of_line(input_stream, text, sizeof text);
        set_board(text);
    }
    if (is(w, "variant") && argument_word(w, text)) set_variant(text);
    if (is(w, "undo")) take_back(1);
    if (is(w, "remove")) take_back(2);
    if (is(w, "time")) {
        int32_t centiseconds = 0;
        if (argument_number(w, centiseconds)) set_time_left(centiseconds);
    }
    if (is(w, "otim")) {
        int32_t ignored = 0;
        argument_number(w, ignored);  // the opponent's clock does not change our plan
    }
    if (is(w, "st") && !settings_locked) {
        int64_t ms = 0;
        if (argument_seconds(w, ms) && ms > 0) game_time.fixed_move_ms = ms;
    }
    if (is(w, "sd") && !settings_locked) {
        int32_t depth = 0;
        if (argument_number(w, depth) && depth >= 1)
            game_time.max_depth = depth < MAX_SEARCH_DEPTH ? depth : MAX_SEARCH_DEPTH;
    }
    if (is(w, "nps")) {
        // The clock counts this many nodes as one second (0: real time).
        int32_t nps = 0;
        if (argument_number(w, nps)) game_time.nodes_per_second = nps > 0 ? nps : 0;
    }
    if (is(w, "exclude") || is(w, "include")) {
        if (argument_word(w, text)) restrict_root(text, is(w, "exclude"));
    }
    if (is(w, "memory")) {
        // The GUI's memory for the engine's tables, in MB: the strong search's table.
        int32_t mb = 0;
        if (argument_number(w, mb) && mb > 0) {
            const engine_option* hash = find_engine_option("Hash", 4);
            if (hash != nullptr) change_engine_option(*hash, mb < hash->high ? mb : hash->high);
        }
    }
    if (is(w, "cores")) {
        // The CPUs the GUI grants the engine: the strong search's threads.
        // More than it can use is all it can use, as with memory; fewer
        // than one is no count at all.
        int32_t cores = 0;
        const engine_option* threads = find_engine_option("Threads", 7);
        if (argument_value(w, cores, count_number) && threads != nullptr)
            change_engine_option(*threads, cores < threads->high ? cores : threads->high);
    }
    if (is(w, "egtpath")) {
        // "egtpath syzygy PATH": the folders of the Syzygy tables (the rest
        // of the line, which may hold blanks).  A person at the console
        // reads what came of it; a GUI finds it among the engine's errors.
        char line[1024];
        read_rest_of_line(input_stream, line, sizeof line);
        const char* path = line;
        while (*path == ' ' || *path == '\t') ++path;
        const char* kind_end = path;
        while (*kind_end != '\0' && *kind_end != ' ' && *kind_end != '\t') ++kind_end;
        const std::string kind(path, static_cast<size_t>(kind_end - path));
        while (*kind_end == ' ' || *kind_end == '\t') ++kind_end;
        if (kind.empty()) {
            argument_error("missing argument", w, "");
        } else if (::strcasecmp(kind.c_str(), "syzygy") != 0) {
            std::fprintf(stderr, "orvane: egtpath: %s tables are not known here, only syzygy\n", kind.c_str());
        } else {
            const std::string said = set_syzygy_path(kind_end);
            if (console_extras()) print_line(said.c_str());
            else std::fprintf(stderr, "orvane: %s\n", said.c_str());
        }
    }
    if (is(w, "hard")) ponder_enabled = 1;
    if (is(w, "easy")) ponder_enabled = 0;
    if (is(w, "post")) post_thinking = true;
    if (is(w, "nopost")) post_thinking = false;
    if (is(w, "analyze")) {
        analysing = true;
        analysis_due = true;
    }
    if (is(w, "exit")) analysing = false;
    if (is(w, "result")) {
        // Free text that may hold move text ("Forfeit due to invalid move: c2c5").
        // Without a result the line says nothing, and the game goes on.
        read_rest_of_line(input_stream, text, sizeof text);
        if (text[0] == '\0') argument_error("missing argument", w, "");
        else game_ended = true;
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
    restriction = root_restriction{};
    xboard_thinking.set_quiet(false);
    analysing = false;
    analysis_due = false;
}
