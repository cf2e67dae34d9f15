// Input and output of the program: the streams commands read from and answer
// on, the log, bounded readers of words and numbers, and the line printer.
// Every protocol and every room of the front end reads and writes through
// here, so that a test or a fuzzer can point all of it at memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "io/input_queue.h"

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
// While the engine thinks: the queue standard input arrives in (null until
// the main loop reads standard input through its reader thread).
extern input_queue* standard_input_queue;

// Puts the streams back to standard input and output, no log, an empty word.
// Streams a caller installed are not closed.
void reset_io();

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
// Opens orvane.log afresh as log_file; without one the engine plays on and
// says so once on standard error.
void open_log();
// Closes log_file; the result of fclose (0 without a log).
int close_log();

// The program's name and version and its author: the banner, xboard's
// myname and UCI's id name and id author are all made of these two.
#define ORVANE_NAME "Orvane 1.25"
#define ORVANE_AUTHOR "Quenwick"
inline constexpr const char* BANNER = ORVANE_NAME " by " ORVANE_AUTHOR;

// Whether a word read from the input is the command named: every reader of
// commands (console, xboard, UCI, the input poll) matches words this way.
inline bool is(const char* word, const char* command) { return std::strcmp(word, command) == 0; }
