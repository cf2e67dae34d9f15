// The console's start-up (banner, first game, log, orvane.ini) and its main
// loop over standard input.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cecp/cecp.h"
#include "io/files.h"
#include "io/io.h"

namespace {
// Replays orvane.ini up to "end" (or its end of file).
void replay_start_up_file() {
    const char* why = nullptr;
    FILE* file = open_regular_file("orvane.ini", why);
    if (file == nullptr) {
        // No start-up file is the usual case; one that cannot be read is not.
        if (errno != ENOENT) std::fprintf(stderr, "orvane: cannot read orvane.ini (%s); no start-up words\n", why);
        return;
    }
    input_stream = file;
    // The test looks at the buffer as the interpreter left it: "bookmake"
    // leaves "quit" there, which does not end the replay.
    while (std::strcmp(word_buffer, "end") != 0) {
        if (!read_word(file, word_buffer)) break;
        interpret_word(word_buffer);
    }
    std::fclose(file);
}
}  // namespace

void start_console() {
    std::fprintf(output_stream, "Chess engine %s\n", BANNER);
    std::fputs("\nPlease read txt file. There is a information about settings, control,\nand graphic interface.\n",
               output_stream);
    start_new_game();
    open_log();
    replay_start_up_file();
}

void run_console(FILE* stream, const char* first_word) {
    input_stream = stream;
    act_on_lines_during_search();
    if (first_word != nullptr) {
        if (std::strcmp(first_word, "quit") == 0) return;
        interpret_word(const_cast<char*>(first_word));
    }
    while (read_word(stream, word_buffer) && std::strcmp(word_buffer, "quit") != 0) interpret_word(word_buffer);
}
