// Output and log lines, and the front end's shared buffers.
#include <cstdio>

#include "frontend/frontend.h"

FILE* output_stream = stdout;
FILE* log_file = nullptr;
char word_buffer[WORD_BUFFER_SIZE] = "";
move user_move = {};
input_queue* standard_input_queue = nullptr;
urgent_lines urgent_input;

bool poll_urgent_input() {
    if (standard_input_queue == nullptr || urgent_input.wanted == nullptr) return false;
    char line[WORD_BUFFER_SIZE];
    bool stop = false;
    while (standard_input_queue->take_line(urgent_input.wanted, nullptr, line, sizeof line))
        if (urgent_input.act != nullptr && urgent_input.act(line)) stop = true;
    // A line left for later may still end the search (it asks for stop_requested).
    return stop || stop_requested.load(std::memory_order_relaxed);
}

void print_line(const char* text) {
    std::fputs(text, output_stream);
    std::fputc('\n', output_stream);
    std::fflush(output_stream);
}

void log_line(const char* text) {
    if (log_file == nullptr) return;
    // Flushed line by line: a GUI may end the process at any moment, and the
    // transcript should be whole up to that point.
    std::fputs(text, log_file);
    std::fputc('\n', log_file);
    std::fflush(log_file);
}
