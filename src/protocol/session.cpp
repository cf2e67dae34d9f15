// The session policy: one answer to every question that depends on whom the
// engine is talking to.
#include "protocol/session.h"

#include <cstdio>
#include <cstring>

#include "io/io.h"
#include "protocol/options.h"
#include "search/request.h"
#include "settings/settings.h"

bool (*act_on_taken_line)(const char* line) = nullptr;
void (*on_ponder_hit)(const char* line) = nullptr;

namespace {

bool uci_session = false;
bool search_named = false;    // the Search option was set by the user or the GUI
bool protocol2_seen = false;  // a word of xboard protocol 2 beyond the old subset was used
bool abandoned = false;       // the GUI left the game during this turn
bool analysing = false;       // the search in progress is an xboard analysis
bool pondering = false;       // the search in progress ponders, the expected move not yet come
bool hit = false;             // the expected move came during this ponder
char reply[8] = "";           // the expected move's coordinate text

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

// The line is the expected move: its text, letters in either case, blanks around it.
bool is_expected_reply(const char* line) {
    while (*line == ' ' || *line == '\t') ++line;
    size_t i = 0;
    for (; reply[i] != '\0'; ++i)
        if (line[i] == '\0' || (line[i] | 0x20) != reply[i]) return false;
    for (; line[i] != '\0'; ++i)
        if (line[i] != ' ' && line[i] != '\t') return false;
    return true;
}

// Lines a ponder takes while it runs and that say nothing of the game: the
// GUI's clock and the status request.  Come before the ponder began, they
// need not keep it from starting.
bool taken_by_any_ponder(const char* line, void*) {
    return line_starts_with(line, "time") || line_starts_with(line, "otim") || is(line, ".");
}

// Lines while pondering: the GUI's clock and the status request are taken,
// and so is the expected move; any other line means the prediction failed
// or the GUI wants something else, and is read after the search.
early_action ponder_action(const char* line) {
    if (taken_by_any_ponder(line, nullptr)) return early_action::take;
    if (is_expected_reply(line)) return early_action::take;
    return early_action::stop_search;
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
    switch (pondering ? ponder_action(line) : early_action_for(line, analysing)) {
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

void session_begin_xboard() { human_mode = 0; }

namespace {
// A GUI that speaks a protocol beyond the old subset gets the strong search,
// unless a search was named: the classic one is a choice from then on.
void start_gui_search() {
    if (!search_named) start_with_search(true);
}
}  // namespace

void session_note_protover() {
    if (human_mode == 0) start_gui_search();
}

void session_begin_uci() {
    uci_session = true;
    human_mode = 0;  // the setting the old commands know: no person at a console
    start_gui_search();
}

void session_note_search_named() { search_named = true; }

void reset_session() {
    human_mode = 1;
    uci_session = false;
    search_named = false;
    protocol2_seen = false;
    abandoned = false;
    analysing = false;
    pondering = hit = false;
    reply[0] = '\0';
    act_on_taken_line = nullptr;
    on_ponder_hit = nullptr;
}

bool gui_protocol_in_use() {
    const session_mode mode = current_session_mode();
    return mode == session_mode::xboard_gui || mode == session_mode::uci;
}

bool console_extras() { return current_session_mode() == session_mode::console; }

bool claims_own_draws() { return !gui_protocol_in_use(); }

bool claims_standard_draws() { return gui_protocol_in_use(); }

bool strict_root() { return gui_protocol_in_use(); }

hint_form hint_answer_form() {
    switch (current_session_mode()) {
        case session_mode::console: return hint_form::san;
        case session_mode::uci: return hint_form::none;
        default: return hint_form::coordinates;
    }
}

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
        if (pondering && is_expected_reply(line)) {
            // From here on the search is the engine's own turn.
            pondering = false;
            hit = true;
            if (on_ponder_hit != nullptr) on_ponder_hit(line);
            continue;
        }
        if (act_on_taken_line != nullptr && act_on_taken_line(line)) stop = true;
    }
    // With no more input no move can come: the ponder is over.
    if (pondering && standard_input_queue->ended()) stop_requested.store(true, std::memory_order_relaxed);
    // A line left for later may still end the search (it asks for stop_requested).
    return stop || stop_requested.load(std::memory_order_relaxed);
}

void begin_turn_watch(bool analysis) {
    abandoned = false;
    analysing = analysis;
    pondering = hit = false;
}

bool turn_abandoned() { return abandoned; }

bool ponders_after_move() {
    return current_session_mode() == session_mode::xboard_gui && ponder_enabled != 0 &&
           standard_input_queue != nullptr && standard_input_queue->waiting_but_for(taken_by_any_ponder, nullptr);
}

void begin_ponder_watch(const char* reply_text) {
    begin_turn_watch(false);
    std::snprintf(reply, sizeof reply, "%s", reply_text);
    for (char* c = reply; *c != '\0'; ++c) *c = static_cast<char>(*c | 0x20);
    pondering = true;
}

bool ponder_hit() { return hit; }
