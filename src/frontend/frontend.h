// Front end: start-up and main loop, command interpreter, move text and user
// moves, game-end reports, board diagram and board file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "frontend/input_queue.h"
#include "game/game.h"
#include "settings/files.h"

inline constexpr const char* BANNER = "Orvane 1.25 by Quenwick";
inline constexpr int WORD_BUFFER_SIZE = 256;  // a word of at most 255 characters and its terminator

// Where console and protocol output goes (standard output; tests may redirect it).
extern FILE* output_stream;
// The stream commands read their arguments from: orvane.ini during the
// replay, standard input afterwards (tests and fuzzers may point it at memory).
extern FILE* input_stream;
// orvane.log, or nullptr when it could not be opened.
extern FILE* log_file;
// The current word, shared by the main loop, "level", "bookmake" and the move line.
extern char word_buffer[WORD_BUFFER_SIZE];
// The last parsed user move or game-file move.
extern move user_move;
// While the engine thinks: the queue standard input arrives in (null until
// the main loop reads standard input through its reader thread), and the
// lines a front end acts on at once instead of after the turn.
extern input_queue* standard_input_queue;
struct urgent_lines {
    bool (*wanted)(const char* line, void* context) = nullptr;  // lines that act at once (none: nothing does)
    bool (*act)(const char* line) = nullptr;                     // acts on one; true ends the search
};
extern urgent_lines urgent_input;
// The search's poll while the engine thinks: takes the urgent lines that have
// arrived and acts on them; true when one of them ends the search.
bool poll_urgent_input();

// --- UCI ---
// Speaks UCI on stream for the rest of the run; the word "uci" has been read
// from it.  Returns at "quit" or the end of the input.
void run_uci(FILE* stream);

// --- The xboard protocol beyond the console's commands ---
// The handshake's features and options, after the "feature myname" line.
void print_protocol_features();
// Lines that must act while the engine thinks ("?", and those by which the
// GUI leaves the game) are watched for from now on (standard input is read
// by its thread).
void watch_urgent_lines();
// The protocol's commands (ping, setboard, undo, remove, time, otim, st, sd,
// post, nopost, analyze, exit, result, option, and the words whose rest of
// line is no command); run for every word after the console's commands.
void interpret_protocol_word(const char* word);
// "analyze" until "exit".
bool analysis_mode();
// After each word: analysis of the position when it is due.
void after_word_interpreted();
// "new" for a GUI: the depth cap and the GUI's time left are forgotten.
void new_game_for_gui();
// A move was played or a position set: analysis starts again on it.
void note_position_changed_for_analysis();
// Sets up an engine turn for the interface: the strict root, thinking output.
void prepare_engine_turn(turn_options& options, search_limits& limits);
// The GUI left the game while the engine thought: its move is not played.
bool engine_turn_abandoned();
// In interface mode: the GUI ended the game ("result") or a draw was claimed.
bool game_ended_by_gui();
// In interface mode: claims the draw standard chess grants, if any; true then.
bool claim_standard_draw();
// A position given as a FEN, checked as "setboard" checks it: readable, one
// king each, the side not to move not in check; an en-passant file that
// names no capture dropped; halfmove from the FEN's fifth field (0 without
// one).  nullptr when pos, side and halfmove are set, else why not.
const char* read_set_up_position(const char* fen, position& pos, int& side, int& halfmove);

// The limits every engine turn starts from: none in play; a fuzzer or a test
// sets a node cap here (node_limit counts the nodes of one turn) so that no
// single turn can run long.
extern search_limits turn_limits;

// The program: start-up, replay of orvane.ini, standard input until "quit".
int start_up();
// Puts the process back where start-up leaves it, without touching any file:
// default settings, the generator seeded with 0, a fresh book in memory with
// game_count 0, input from stdin, output to stdout, no log, no turn limits,
// a new game.  For
// in-process tests and fuzzers; streams they installed are not closed.
void reset_engine_state();

// Input, bounded versions of "%s" and "%d".
// Reads one whitespace-separated word into buffer (WORD_BUFFER_SIZE bytes):
// the first 255 characters are kept and the rest of a longer word dropped.
// false at the end of the stream, buffer unchanged.
bool read_word(FILE* stream, char* buffer);
// Skips white space and reads a decimal integer with an optional sign,
// clamped to the 32-bit range.  false, value unchanged, when no number
// follows; the next word then stays in the stream.
bool read_int(FILE* stream, int32_t& value);
// Reads the given text from the stream, a blank in it matching any white
// space (none included); false at the first character that differs.
bool read_text(FILE* stream, const char* text);
// Reads the rest of the current line (leading blanks skipped, the line end
// consumed and not kept) into buffer, cut to size - 1 bytes; false at the
// end of the stream with nothing read.
bool read_rest_of_line(FILE* stream, char* buffer, size_t size);
// After whole units were read with read_int: a fraction that follows at once
// (".5") is read too; ms receives whole.fraction * 1000.
bool read_fraction_ms(FILE* stream, int64_t whole, int64_t& ms);
// Reads seconds with an optional fraction ("1", "0.5", ".5") as milliseconds;
// false, the word left in the stream, when no number follows.
bool read_seconds_ms(FILE* stream, int64_t& ms);
// read_int over a string: advances text past the number; false if none.
bool parse_int(const char*& text, int32_t& value);
// Prints text and a newline on output_stream and flushes it.
void print_line(const char* text);
// Writes text and a newline to the log, if there is one, and flushes it.
void log_line(const char* text);

// Runs one word: commands, then move text.
void interpret_word(char* word);
// Forgets what the interpreter keeps between calls (the "level" holders).
void reset_interpreter_state();
// move_time_ms from the three arguments of "level" (the base time already
// split into minutes and seconds); 0 moves count as 40.  Never overflows.
int32_t level_move_time(int32_t moves, int32_t minutes, int32_t seconds, int32_t increment);
// The same with the increment in milliseconds (a GUI may send "0.5").
int32_t level_move_time_ms(int32_t moves, int32_t minutes, int32_t seconds, int64_t increment_ms);

// Move text.
int is_move_text(char* word);
move parse_move_text(const char* word);
int is_listed_move(const move& m, const move_list& list);
char* lower_case(char* word);
// The coordinate text of a move ("e2e4", "e7e8q"; with capitals "E2E4",
// "E7E8Q") into out, at least 6 bytes.
void coordinate_text(const move& m, char* out, bool capitals = false);
// The user-move path for a word that passed is_move_text: play it and what
// follows, or answer "Illegal move".
void play_user_move(char* word);
// After an engine turn: "nodes N" to the log when "lognodes" asked for it.
void log_node_count();
// Prints and logs the move line of a move the engine has played.
void emit_engine_move(const move& m);
// The engine's turn as the user sees it: the engine thinks and plays, its
// move line (or the report that it has none), the bell, the hand-over to the
// other side with its game-end report, and the diagram.
void take_engine_turn();
// A new game, with its diagram for a person.
void start_new_game();
// The "bookmake" pass over a game file or a PGN file.
void learn_game_file(const char* file_name);
// One move of a game being learnt (user_move's form: promotion 0 for none):
// the winner's moves are stored in the book before they are made; then it
// is played and the side flips.
void learn_move(const move& m, int winner);
// Whether an open file holds PGN: after a byte-order mark and white space
// it begins with '[', a '%' line or a move number.  The file is rewound.
bool looks_like_pgn(FILE* file);
// Learns every game of a PGN file into the book (the caller saves it); name
// is for the messages.  The position is then that of the end of the last
// game learnt (a new game when none was).
void learn_pgn_games(FILE* file, const char* name);
// Plays a SAN word ("Nf3", "exd5", "O-O") of the user's as play_user_move
// plays coordinate text (the word is rewritten to that text, "G1F3", which
// is logged), or, with answer_illegal, answers "Illegal move: WORD" (as
// typed) for a piece move or castling that names no legal move or more than
// one; false, nothing done, for any other word (a pawn move that names no
// legal move included).  word needs room for six bytes.
bool play_user_san(char* word, bool answer_illegal = true);

// Game-end reports.
void report_user_win_or_stalemate();
void report_engine_win_or_stalemate();
void report_agreed_draw();
void report_draw_claims();
void finish_game();

// Board display and board file.
void display_board();
void print_square(int file, int rank);
// The two-character diagram and board-file token of a board byte ("" for no piece).
const char* board_square_token(uint8_t piece);
void ring_bell();
void save_board_file();
void load_board_file();
