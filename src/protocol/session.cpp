// The session policy: one answer to every question that depends on whom the
// engine is talking to.
#include "protocol/session.h"

#include <cstring>

#include "io/io.h"
#include "search/search.h"
#include "settings/settings.h"

bool (*act_on_taken_line)(const char* line) = nullptr;

namespace {

bool uci_session = false;
bool protocol2_seen = false;  // a word of xboard protocol 2 beyond the old subset was used
bool abandoned = false;       // the GUI left the game during this turn
bool analysing = false;       // the search in progress is an xboard analysis

bool is(const char* word, const char* command) { return std::strcmp(word, command) == 0; }

// The first word of a line, compared.
bool line_starts_with(const char* line, const char* word) {
    const size_t n = std::strlen(word);
    return std::strncmp(line, word, n) == 0 && (line[n] == '\0' || line[n] == ' ' || line[n] == '\t');
}

// The words of xboard protocol 2 (and of the protocol-1 GUIs before it)
// that the old subset does not have.  A session that has used one is driven
// by a GUI that knows the protocol beyond the subset.
const char* const PROTOCOL2_WORDS[] = {
    "accepted", "rejected", "ping", "time", "otim", "st", "sd", "post", "nopost", "setboard", "option",
    "analyze", "exit", "?", "undo", "remove", "result", "hard", "easy", "random", "computer", "name",
    "rating", "ics", "white", "black", "playother", "usermove", "memory", "cores", "egtpath", "nps",
    "pause", "resume", "edit", "hint", "bk", ".", "exclude", "include", "variant", "ponder",
};

bool is_protocol2_word(const char* word) {
    for (const char* w : PROTOCOL2_WORDS)
        if (is(word, w)) return true;
    return false;
}

// Lines under a protocol-2 GUI.  "?" is taken and means "move now".  In
// analysis any other line ends the search (it is read afterwards); "." asks
// only for a status line, which is optional, and is dropped.  During a turn,
// a line by which the GUI ends the game or changes the position ends the
// search and the move is not played: the GUI no longer expects it.  "quit"
// ends the search, the move going out at once.  Other lines ("force",
// "ping", moves typed ahead) wait for the move.
early_action xboard_gui_action(const char* line, bool analysing) {
    if (is(line, "?")) return early_action::take;
    if (analysing) return is(line, ".") ? early_action::take : early_action::stop_search;
    static const char* const leaving[] = {"result", "setboard", "undo", "remove", "edit", "new"};
    for (const char* word : leaving)
        if (line_starts_with(line, word)) return early_action::abandon_turn;
    if (is(line, "quit")) return early_action::stop_search;
    return early_action::wait;
}

// UCI: "stop" and "isready" act at once ("ponderhit" means nothing without
// pondering); "quit" ends the search and waits for its turn.
early_action uci_action(const char* line) {
    if (is(line, "stop") || is(line, "isready") || is(line, "ponderhit")) return early_action::take;
    if (is(line, "quit")) return early_action::stop_search;
    return early_action::wait;
}

// The queue's test for each complete line: takes those acted on now, and
// notes the stops the others ask for.  Once the search is to stop, every
// later line belongs after its answer: an "isready" behind a "stop" must not
// be answered before the "bestmove" the stop asks for.
bool wanted_now(const char* line, void*) {
    if (stop_requested.load(std::memory_order_relaxed)) return false;
    switch (early_action_for(line, analysing)) {
        case early_action::take: return true;
        case early_action::abandon_turn: abandoned = true; [[fallthrough]];
        case early_action::stop_search: stop_requested.store(true, std::memory_order_relaxed); return false;
        case early_action::wait: return false;
    }
    return false;
}

}  // namespace

session_mode current_session_mode() {
    if (uci_session) return session_mode::uci;
    if (human_mode != 0) return session_mode::console;
    return protocol2_seen ? session_mode::xboard_gui : session_mode::xboard_subset;
}

void session_note_word(const char* word) {
    if (!protocol2_seen && is_protocol2_word(word)) protocol2_seen = true;
}

void session_begin_uci() {
    uci_session = true;
    human_mode = 0;  // the setting the old commands know: no person at a console
}

void reset_session() {
    uci_session = false;
    protocol2_seen = false;
    abandoned = false;
    analysing = false;
    act_on_taken_line = nullptr;
}

bool gui_protocol_in_use() {
    const session_mode mode = current_session_mode();
    return mode == session_mode::xboard_gui || mode == session_mode::uci;
}

bool console_extras() { return current_session_mode() == session_mode::console; }

bool claims_own_draws() { return !gui_protocol_in_use(); }

bool claims_standard_draws() { return gui_protocol_in_use(); }

bool strict_root() { return gui_protocol_in_use(); }

early_action early_action_for(const char* line, bool analysing) {
    switch (current_session_mode()) {
        case session_mode::uci: return uci_action(line);
        case session_mode::xboard_gui: return xboard_gui_action(line, analysing);
        case session_mode::console:
        case session_mode::xboard_subset:
            // The old commands are read only after the move, as they always
            // were; "?" is none of them and moves at once.
            return is(line, "?") ? early_action::take : early_action::wait;
    }
    return early_action::wait;
}

bool poll_input_during_search() {
    if (standard_input_queue == nullptr) return false;
    char line[WORD_BUFFER_SIZE];
    bool stop = false;
    while (!stop && standard_input_queue->take_line(wanted_now, nullptr, line, sizeof line)) {
        if (is(line, "?")) protocol2_seen = true;
        if (act_on_taken_line != nullptr && act_on_taken_line(line)) stop = true;
    }
    // A line left for later may still end the search (it asks for stop_requested).
    return stop || stop_requested.load(std::memory_order_relaxed);
}

void begin_turn_watch(bool analysis) {
    abandoned = false;
    analysing = analysis;
}

bool turn_abandoned() { return abandoned; }
