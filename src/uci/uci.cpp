// UCI, the Universal Chess Interface: the engine as most GUIs and tournament
// managers of today load it.  A line-based protocol of its own, spoken for
// the rest of the run once the first word of standard input is "uci".  It
// shares the game, the time manager and the thinking output with the xboard
// interpreter; the book keeps learning as in every mode.
//
//   uci                    id name, id author, the options, uciok
//   isready                readyok, at once (also while thinking)
//   setoption name N value V   an option; unknown or bad: info string, nothing changes
//   ucinewgame             a new game; the book is saved
//   position startpos|fen F [moves m1 m2 ...]   the game set up from scratch
//   go [wtime btime winc binc movestogo movetime depth nodes infinite ponder]
//                          think; exactly one bestmove per go
//   stop                   bestmove now, from the last finished iteration
//   quit                   the book is saved and the program ends
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "book/book.h"
#include "game/game.h"
#include "game/time_manager.h"
#include "io/io.h"
#include "protocol/options.h"
#include "protocol/session.h"
#include "protocol/thinking.h"
#include "protocol/turn.h"
#include "uci/uci.h"

namespace {

constexpr size_t LINE_SIZE = 8192;  // a "position ... moves" line of a long game fits

thinking_output uci_thinking{thinking_output::style::uci};
bool quit_requested = false;
std::string last_good_position = "position startpos";

// The words of one line, in place: cut at blanks and tabs.
struct words {
    char* word[LINE_SIZE / 2];
    int count = 0;
    explicit words(char* line) {
        for (char* p = std::strtok(line, " \t\r"); p != nullptr && count < static_cast<int>(LINE_SIZE / 2);
             p = std::strtok(nullptr, " \t\r"))
            word[count++] = p;
    }
};


void info_string(const std::string& text) { print_line(("info string " + text).c_str()); }

// --- Options ---------------------------------------------------------------

void print_options() {
    char line[256];
    for (int i = 0; i < ENGINE_OPTION_COUNT; ++i) {
        const engine_option& option = ENGINE_OPTIONS[i];
        const int32_t value = option.get();
        if (option.get_text != nullptr) {
            std::snprintf(line, sizeof line, "option name %s type string default %s", option.name,
                          option.get_text().c_str());
        } else if (option.button) {
            std::snprintf(line, sizeof line, "option name %s type button", option.name);
        } else if (option.check) {
            std::snprintf(line, sizeof line, "option name %s type check default %s", option.name,
                          value ? "true" : "false");
        } else if (option.labels != nullptr) {
            std::string text = std::string("option name ") + option.name + " type combo default " +
                               option.labels[value - option.low];
            for (int32_t v = option.low; v <= option.high; ++v) text += std::string(" var ") + option.labels[v - option.low];
            std::snprintf(line, sizeof line, "%s", text.c_str());
        } else {
            std::snprintf(line, sizeof line, "option name %s type spin default %d min %d max %d", option.name, value,
                          option.low, option.high);
        }
        print_line(line);
    }
}

// The number an option's value text stands for: true/false for a check, a
// label for a choice, digits for a spin.  Names and values are not
// case-sensitive in UCI: "TRUE" and "strong" are taken.
bool option_value(const engine_option& option, const std::string& text, int32_t& out) {
    if (option.button) return out = 0, true;
    if (option.check) {
        if (::strcasecmp(text.c_str(), "true") == 0) out = 1;
        else if (::strcasecmp(text.c_str(), "false") == 0) out = 0;
        else return false;
        return true;
    }
    if (option.labels != nullptr) return option_label_value(option, text.c_str(), out);
    const char* p = text.c_str();
    return parse_int(p, out) && *p == '\0';
}

void set_option(const words& w) {
    // setoption name <name, several words> [value <value, several words>]
    std::string name, value;
    bool in_value = false;
    for (int i = 1; i < w.count; ++i) {
        if (i == 1 && is(w.word[i], "name")) continue;
        if (!in_value && is(w.word[i], "value")) {
            in_value = true;
            continue;
        }
        std::string& part = in_value ? value : name;
        if (!part.empty()) part += ' ';
        part += w.word[i];
    }
    const engine_option* option = find_engine_option(name.c_str(), name.size());
    if (option == nullptr) {
        info_string("no option named '" + name + "'; nothing changed");
        return;
    }
    if (option->set_text != nullptr) {
        info_string(option->set_text(value));
        return;
    }
    int32_t v = 0;
    if (!option_value(*option, value, v) || change_engine_option(*option, v) == option_change::out_of_range)
        info_string("'" + value + "' is no value for " + name + "; nothing changed");
}

// --- Positions -------------------------------------------------------------

// Plays a coordinate move ("e2e4", "e7e8q") for the side to move if it is
// legal there; false, nothing changed, if not.
bool play_text_move(const char* text) {
    char word[WORD_BUFFER_SIZE];
    std::snprintf(word, sizeof word, "%s", text);
    move m;
    if (read_text_move(game_position, word, game_moves, m, true) != move_reading::legal) return false;
    game_play(m);
    game_clear_own_draw_flags();  // the GUI judges the game by its rules
    game_hand_over();
    return true;
}

// Sets the game from a "position" line's words after the command; false,
// with why, when the FEN or a move is refused.
bool set_position(const words& w, int first, std::string& why) {
    int i = first;
    if (i < w.count && is(w.word[i], "startpos")) {
        new_game();
        ++i;
    } else if (i < w.count && is(w.word[i], "fen")) {
        std::string fen;
        for (++i; i < w.count && !is(w.word[i], "moves"); ++i) fen += std::string(fen.empty() ? "" : " ") + w.word[i];
        static position pos;
        int side = WHITE, halfmove = 0;
        if (const char* problem = read_set_up_position(fen.c_str(), pos, side, halfmove, chess960_games())) {
            why = "FEN '" + fen + "' refused: " + problem;
            return false;
        }
        game_begin_at(pos, side, halfmove);
    } else {
        why = "position needs startpos or fen";
        return false;
    }
    game_clear_own_draw_flags();
    generate_moves(game_position, game_moves);
    if (i < w.count && is(w.word[i], "moves")) {
        for (++i; i < w.count; ++i) {
            if (!play_text_move(w.word[i])) {
                why = std::string("move ") + w.word[i] + " is not legal here";
                return false;
            }
        }
    }
    return true;
}

void position_command(const words& w, const char* line_copy) {
    std::string why;
    if (set_position(w, 1, why)) {
        last_good_position = line_copy;
        return;
    }
    info_string(why + "; the position stays as it was");
    // The last position that was accepted, set up again from its text.
    char again[LINE_SIZE];
    std::snprintf(again, sizeof again, "%s", last_good_position.c_str());
    std::string ignored;
    set_position(words(again), 1, ignored);
}

// --- Thinking ----------------------------------------------------------------

// A line taken out of the input while the engine thinks (the session
// policy says which): "isready" is answered, "stop" ends the search.
// "go ponder": the search thinks on the predicted position until the GUI
// says "ponderhit" (the prediction came true: from then on the go's clock
// holds, counting the time already spent) or "stop".
struct ponder_state {
    bool pondering = false;  // a ponder search that has not been hit yet
    go_clock clock;          // the go's clock, for the ponderhit
} ponder;

// The time manager hears the go's clock, and the game layer's ponder clock
// limits the search from the go's start.
void ponder_hit() {
    if (!ponder.pondering) return;
    ponder.pondering = false;
    set_go_clock(ponder.clock);
    start_pondered_clock();
}

bool act_on_uci_line(const char* line) {
    if (is(line, "isready")) {
        print_line("readyok");
        return false;
    }
    if (is(line, "ponderhit")) {
        ponder_hit();
        return false;
    }
    return is(line, "stop");
}

bool int64_argument(const words& w, int& i, int64_t& out) {
    if (i + 1 >= w.count) return false;
    char* end = nullptr;
    const long long v = std::strtoll(w.word[i + 1], &end, 10);
    if (end == w.word[i + 1] || *end != '\0') return false;
    // Clamped to 10^12: as milliseconds three decades, as nodes more than
    // any search runs, and the time manager's sums of them (the time left
    // plus the increment, three shares) stay far from overflowing.
    constexpr long long LIMIT = 1000000000000LL;
    out = v > LIMIT ? LIMIT : (v < -LIMIT ? -LIMIT : v);
    ++i;
    return true;
}

// After "go infinite" whose search ended by itself (every depth searched):
// the answer waits for "stop"; "isready" is still answered.
void wait_for_stop(FILE* stream, bool pondering) {
    char line[LINE_SIZE];
    while (read_rest_of_line(stream, line, sizeof line)) {
        log_line(line);
        if (is(line, "isready")) print_line("readyok");
        if (is(line, "stop") || (pondering && is(line, "ponderhit"))) return;
        if (is(line, "quit")) {
            quit_requested = true;
            return;
        }
    }
    quit_requested = true;  // the end of the input
}

// The moves after "searchmoves" that are legal here, into out; the index of
// the last word read.
int read_search_moves(const words& w, int i, move* out, int& count) {
    for (; i + 1 < w.count; ++i) {
        char word[WORD_BUFFER_SIZE];
        std::snprintf(word, sizeof word, "%s", w.word[i + 1]);
        if (std::strlen(word) < 4 || std::strlen(word) > 5) break;
        move m;
        const move_reading read = read_text_move(game_position, word, game_moves, m, true);
        if (read == move_reading::not_coordinates) break;
        if (read == move_reading::not_legal) {
            info_string(std::string("searchmoves: ") + w.word[i + 1] + " is not legal here; left out");
            continue;
        }
        out[count++] = m;
    }
    return i;
}

// The deepest "go perft" counts: far beyond what finishes in a day.
constexpr int64_t MAX_PERFT_DEPTH = 15;

// "go perft N": each root move with the leaves below it, then their sum, as
// perft tools read them ("e2e4: 20", a blank line, "Nodes searched: N").
void perft_command(const words& w) {
    int64_t depth = 0;
    int i = 1;
    if (!int64_argument(w, i, depth) || depth < 1 || depth > MAX_PERFT_DEPTH) {
        info_string("go perft needs a depth of 1 to " + std::to_string(MAX_PERFT_DEPTH) + "; nothing counted");
        return;
    }
    static move_list root_moves;
    static uint64_t counts[MOVE_LIST_SIZE];
    const int n = perft_divide(game_position, side_to_move, static_cast<int>(depth), root_moves, counts);
    uint64_t total = 0;
    for (int m = 0; m < n; ++m) {
        char text[8];
        coordinate_text(root_moves.moves[m], text);
        const std::string line = std::string(text) + ": " + std::to_string(counts[m]);
        print_line(line.c_str());
        total += counts[m];
    }
    print_line("");
    print_line(("Nodes searched: " + std::to_string(total)).c_str());
}

void go_command(const words& w, FILE* stream) {
    if (w.count >= 2 && is(w.word[1], "perft")) {
        perft_command(w);
        return;
    }
    int64_t wtime = -1, btime = -1, winc = 0, binc = 0, movestogo = 0, movetime = 0, depth = 0, nodes = 0, mate = 0;
    const struct {
        const char* name;
        int64_t* value;
    } numbers[] = {{"wtime", &wtime},         {"btime", &btime},       {"winc", &winc},   {"binc", &binc},
                   {"movestogo", &movestogo}, {"movetime", &movetime}, {"depth", &depth}, {"nodes", &nodes},
                   {"mate", &mate}};
    bool infinite = false, pondering = false;
    static move search_moves[MOVE_LIST_SIZE];
    int search_move_count = 0;
    bool restricted = false;
    for (int i = 1; i < w.count; ++i) {
        const char* a = w.word[i];
        bool understood = is(a, "infinite") || is(a, "ponder");
        if (is(a, "infinite")) infinite = true;
        if (is(a, "ponder")) pondering = true;
        if (is(a, "searchmoves")) {
            restricted = understood = true;
            i = read_search_moves(w, i, search_moves, search_move_count);
        }
        for (const auto& number : numbers)
            if (!understood && is(a, number.name)) understood = int64_argument(w, i, *number.value);
        if (!understood) info_string(std::string("go: '") + a + "' not understood; ignored");
    }
    if (restricted && search_move_count == 0) info_string("searchmoves: no legal move given; every move is searched");

    const bool white = side_to_move == WHITE;
    go_clock clock;
    clock.time_left_ms = white ? wtime : btime;
    clock.increment_ms = white ? winc : binc;
    clock.moves_to_go = movestogo;
    clock.move_time_ms = movetime;
    clock.depth = depth;
    clock.infinite = infinite;
    const bool limited = clock.time_left_ms >= 0 || movetime > 0 || depth > 0 || nodes > 0;
    // A mate search without other limits goes on until the mate is found
    // (or a stop comes), but answers as soon as it is.
    const bool mate_search = mate > 0 && !limited && !infinite;

    turn_options options;
    options.observer = &uci_thinking;
    uci_thinking.forget_last_line();
    ponder = ponder_state{};
    if (pondering) {
        // Until the ponderhit the clock does not run: the search thinks as
        // under "go infinite", and the go's clock waits for the hit.
        ponder.pondering = true;
        ponder.clock = clock;
        clock.infinite = true;
        options.clock_at_ponderhit = true;
    }
    options.infinite = clock.infinite || mate_search;
    options.fixed_depth = set_go_clock(clock);
    search_limits limits = limits_for_turn();
    // "nodes N" may only lower the cap a test or a fuzzer set for every turn
    // (turn_limits), never lift it.
    if (nodes > 0) {
        const uint64_t limit = nodes_since_start() + static_cast<uint64_t>(nodes);
        if (limits.node_limit == 0 || limit < limits.node_limit) limits.node_limit = limit;
    }
    if (mate > 0) limits.mate_moves = mate < MAX_SEARCH_DEPTH ? static_cast<int>(mate) : MAX_SEARCH_DEPTH;
    if (search_move_count > 0) {
        limits.root_moves = search_moves;
        limits.root_move_count = search_move_count;
    }
    options.limits = &limits;

    const int side = side_to_move;
    move played;
    // The GUI sends the position again with every go: the move is chosen,
    // never played, and the game stays where it was.
    const bool moved = think_turn(played, options);
    log_node_count();
    // "go infinite" answers only after "stop", and a ponder search only after
    // "ponderhit" or "stop", even when the search has ended by itself.
    const bool stopped = last_search_stopped() || stop_requested.load(std::memory_order_relaxed);
    if ((infinite || ponder.pondering) && !stopped) wait_for_stop(stream, ponder.pondering);
    ponder = ponder_state{};
    char line[48] = "bestmove 0000";
    if (moved) {
        // The last line shown is the played move's.
        uci_thinking.before_answer(played);
        char text[8], reply_text[8];
        coordinate_text(played, text);
        move reply;
        if (uci_thinking.ponder_move(reply)) {
            coordinate_text(reply, reply_text);
            std::snprintf(line, sizeof line, "bestmove %s ponder %s", text, reply_text);
        } else {
            std::snprintf(line, sizeof line, "bestmove %s", text);
        }
    }
    side_to_move = side;
    generate_moves(game_position, game_moves);
    print_line(line);
    log_line(line);
}

}  // namespace

void reset_uci_state() {
    quit_requested = false;
    last_good_position = "position startpos";
}

void run_uci(FILE* stream) {
    session_begin_uci();
    act_on_taken_line = act_on_uci_line;
    game_clear_own_draw_flags();
    char line[LINE_SIZE];
    char copy[LINE_SIZE];
    // The first word, "uci", has been read; the rest of its line comes first.
    read_rest_of_line(stream, line, sizeof line);
    std::snprintf(line, sizeof line, "uci");
    do {
        log_line(line);
        std::snprintf(copy, sizeof copy, "%s", line);
        const words w(line);
        if (w.count == 0) continue;
        const char* command = w.word[0];
        if (is(command, "uci")) {
            print_line("id name " ORVANE_NAME);
            print_line("id author " ORVANE_AUTHOR);
            print_options();
            print_line("uciok");
        } else if (is(command, "isready")) {
            print_line("readyok");
        } else if (is(command, "setoption")) {
            set_option(w);
        } else if (is(command, "ucinewgame")) {
            new_game();
            game_clear_own_draw_flags();
            last_good_position = "position startpos";
            save_book();
        } else if (is(command, "position")) {
            position_command(w, copy);
        } else if (is(command, "go")) {
            go_command(w, stream);
        } else if (is(command, "quit")) {
            return;
        } else if (is(command, "stop") || is(command, "ponderhit") || is(command, "debug") ||
                   is(command, "register") || is(command, "hint")) {
            // Nothing to stop, no pondering, no debug output, nothing to
            // register; "hint" is the console's and xboard's, and UCI has none.
        } else {
            info_string(std::string("unknown command '") + command + "'");
        }
    } while (!quit_requested && read_rest_of_line(stream, line, sizeof line));
}
