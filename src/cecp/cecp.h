// The console and its xboard interpreter: the words a person or an xboard
// GUI types, from the old commands to protocol 2, the user's moves, the
// engine's turn as they see it, the game-end reports, the board diagram and
// the board file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "game/game.h"

// --- Start-up and the main loop ---
// Prints the banner and its two lines, starts the first game with its
// diagram, opens the log and replays orvane.ini up to "end".
void start_console();
// Reads words from stream until "quit" or its end and interprets them;
// first_word, when not null, is the first of them, already read.
void run_console(FILE* stream, const char* first_word);
// Forgets what the console and its xboard interpreter keep between words:
// the "level" holders, thinking output, analysis.
void reset_console_state();

// --- The interpreter ---
// Runs one word: commands, then move text.
void interpret_word(char* word);

// --- The xboard protocol beyond the console's commands (xboard.cpp) ---
// Forgets thinking output, analysis and the turn's state.
void reset_xboard_state();
// The handshake's features and options, after the "feature myname" line.
void print_protocol_features();
// Lines taken out of the input while the engine thinks ("?") are acted on
// here from now on.
void act_on_lines_during_search();
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
// Sets up an engine turn for the interface: thinking output, and the root
// moves "exclude"/"include" leave.
void prepare_engine_turn(turn_options& options, search_limits& limits);
// Before the engine's move line: the thinking output's last line becomes
// the played move's, when thinking lines are on.
void before_engine_move(const move& chosen);
// Keeps the thinking output from printing (while pondering) or lets it print.
void quiet_thinking(bool quiet);
// Under a GUI protocol: the GUI ended the game ("result") or a draw was claimed.
bool game_ended_by_gui();
// Under a GUI protocol: claims the draw standard chess grants, if any; true then.
bool claim_standard_draw();

// --- Moves (user_moves.cpp) ---
// The user-move path for a word that passed is_move_text: play it and what
// follows, or answer "Illegal move".
void play_user_move(char* word);
// Plays a SAN word ("Nf3", "exd5", "O-O") of the user's as play_user_move
// plays coordinate text (the word is rewritten to that text, "G1F3", which
// is logged), or, with answer_illegal, answers "Illegal move: WORD" (as
// typed) for a piece move or castling that names no legal move or more than
// one; false, nothing done, for any other word (a pawn move that names no
// legal move included).  word needs room for six bytes.
bool play_user_san(char* word, bool answer_illegal = true);
// A new game, with its diagram for a person.
void start_new_game();
// The "bookmake" pass, with the diagram of its new game for a person.
void bookmake(const char* file_name);

// --- The engine's turn (engine_moves.cpp) ---
// The engine's move m of game_position (before it is played) as xboard and
// the console read it: coordinates, but Chess960's castling as "O-O" or
// "O-O-O", which xboard takes and its coordinates (the king onto its rook)
// would not tell from a move.  out: at least 8 bytes.
void engine_move_text(const move& m, char* out);
// Prints and logs the move line of a move the engine has played, its text
// made by engine_move_text before it was played.
void emit_engine_move(const char* text);
// The engine's turn as the user sees it: the engine thinks and plays, its
// move line (or the report that it has none), the bell, the hand-over to the
// other side with its game-end report, and the diagram.
void take_engine_turn();
// The engine's turn with what follows it: the node count to the log, the
// engine's own draw claims, and pondering when the GUI asked for it.
void engine_moves();
// Under a GUI that asked for pondering ("hard"): thinks on the reply the
// engine expects until the GUI's next line; that reply is answered from the
// search, and so on while the predictions come true.
void ponder_after_engine_moves();
// Forgets the reply the engine expected.
void reset_engine_moves_state();

// --- The console's help for people (help.cpp) ---
// "help": every console word with a line.
void print_console_help();

// --- Game-end reports ---
void report_user_win_or_stalemate();
void report_engine_win_or_stalemate();
void report_agreed_draw();
void report_draw_claims();
void finish_game();

// --- Board display and board file ---
void display_board();
void print_square(int file, int rank);
// The two-character diagram and board-file token of a board byte ("" for no piece).
const char* board_square_token(uint8_t piece);
void ring_bell();
void save_board_file();
void load_board_file();
