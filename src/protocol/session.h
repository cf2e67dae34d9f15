// The session policy: which kind of partner the engine is talking to, and
// every answer that depends on it.  A person at the console, a GUI that
// speaks only the old xboard subset, a GUI speaking xboard protocol 2 and a
// UCI GUI differ in a handful of ways; this module is the one place that
// says how, so that behaviour meant for GUIs cannot leak into a session that
// must stay exactly as the old commands define it.
//
//   question                      console  xboard subset  xboard 2  UCI
//   words act during a search     "?"      "?"            some      some
//   draws claimed                 own      own            standard  none
//   strict root (no illegal move) no       no             yes       yes
//   diagrams, bell, sentences     yes      no             no        no
//   an abandoned turn's move      -        -              dropped   -
//   pondering after own move      no       no             "hard"    no (go ponder)
//   "hint" answered               SAN      coordinates    coordinates nothing
//   engine's moves also in SAN    "sanon"  no             no        no
//   the search that plays         classic  classic        strong*   strong*
//
// (*) From the handshake on: "uci", or "protover" after "xboard", which a
// GUI of protocol 2 sends before any other word beyond the old subset (the
// option lines that follow it show the search).  A search the user or the
// GUI has named ("strongsearch", "classicsearch", the Search option; typed,
// sent or in orvane.ini, before the handshake or after it) is kept.  A
// person at the console and a GUI of the old subset that sends no
// "protover" get the classic search, exactly as the old commands define it.
#pragma once

enum class session_mode {
    console,        // a person typing (until "xboard")
    xboard_subset,  // after "xboard", only the old commands so far
    xboard_gui,     // after "xboard", a protocol-2 word has been used
    uci,            // the first word was "uci"
};

// The mode the session is in now.
session_mode current_session_mode();

// The interpreter has taken word as a word of its own (not as an argument):
// "xboard" leaves the console; a word of protocol 2 beyond the old subset
// shows a GUI speaking it.
void session_note_word(const char* word);
// "xboard": a GUI is at the other end from now on, speaking the old subset
// until a word of protocol 2 shows otherwise.
void session_begin_xboard();
// "protover": an xboard GUI of protocol 2 introduces itself, and the
// handshake's option lines follow (they show the search it starts with).
// Typed at the console, before "xboard", it changes nothing.
void session_note_protover();
// The run speaks UCI from now on; the option lines follow.
void session_begin_uci();
// The user or the GUI has set the Search option (by any of its words): the
// handshakes leave the search it named alone.
void session_note_search_named();
// Back to a console session that has seen nothing (human_mode 1 again).
void reset_session();

// A GUI protocol is in use (xboard protocol 2 or UCI): the GUI judges the
// game by standard chess and may act while the engine thinks.
bool gui_protocol_in_use();
// Diagrams, the bell and the console's sentences are printed.
bool console_extras();
// The engine's own draw claims ("report_draw_claims") are printed.
bool claims_own_draws();
// Only the draws standard chess grants are claimed, and the engine's own
// draw flags are cleared so that play goes on where standard chess goes on.
bool claims_standard_draws();
// Root moves that leave the king attacked are dropped before the search.
bool strict_root();
// How "hint" answers: in SAN for a person ("Hint: Nf3"), in coordinates
// under xboard, as its protocol has it ("Hint: g1f3"), and not at all under UCI.
enum class hint_form { none, san, coordinates };
hint_form hint_answer_form();

// --- Lines that arrive while the engine thinks ---
// What a complete line read during a search does.
enum class early_action {
    wait,          // interpreted after the turn, in arrival order
    take,          // taken out of the input and acted on now (act_on_taken_line)
    stop_search,   // ends the search; the line itself waits for its turn
    abandon_turn,  // ends the search and the turn's move is not played
};
// The rule for one line.  analysing: an xboard analysis is running.
early_action early_action_for(const char* line, bool analysing);

// How a front end acts on a taken line; true ends the search.  Installed by
// the front end that speaks the session's protocol.
extern bool (*act_on_taken_line)(const char* line);

// The search's poll while the engine thinks: takes the lines that act at
// once from standard input's queue and acts on them; true when the search
// must end.
bool poll_input_during_search();

// A search begins (analysis: an xboard analysis): nothing abandoned yet.
void begin_turn_watch(bool analysis = false);
// A line arrived during this turn by which the GUI left the game.
bool turn_abandoned();

// --- Pondering (xboard) ---
// After its own move, the engine thinks on the reply it expects: only under
// a protocol-2 GUI that asked for it ("hard"), and only while the GUI has
// not yet sent anything (a line already waiting is read as usual).
bool ponders_after_move();
// The search about to start ponders on the position after reply_text (the
// expected move's coordinate text).  While it runs, "time", "otim" and "."
// are taken; that move itself is the prediction come true; anything else,
// or the end of the input, ends the search and waits for its turn.
void begin_ponder_watch(const char* reply_text);
// The expected move came during this ponder (its line is taken out of the
// input); on_ponder_hit was told at once, from the poll.
bool ponder_hit();
// Told of the expected move's line the moment it is taken.  Installed by
// the xboard front end.
extern void (*on_ponder_hit)(const char* line);
