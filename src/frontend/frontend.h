// Front end: start-up and main loop, command interpreter, move text and user
// moves, game-end reports, board diagram and board file.
#pragma once

#include <cstdio>

#include "rules/rules.h"

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

// The program: start-up, replay of orvane.ini, standard input until "quit".
int start_up();
// Prints text and a newline on output_stream and flushes it.
void print_line(const char* text);
// Writes text and a newline to the log, if there is one, and flushes it.
void log_line(const char* text);

// Runs one word: commands, then move text.
void interpret_word(char* word);

// Move text.
int is_move_text(char* word);
move parse_move_text(const char* word);
int is_listed_move(const move& m, const move_list& list);
char* lower_case(char* word);
// Plays the engine's chosen move on game_position and prints its move line.
void emit_engine_move(const move& m);
// The "bookmake" pass over a game file.
void learn_game_file(const char* file_name);

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
