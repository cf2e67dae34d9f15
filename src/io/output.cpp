// Output and log lines, and the shared streams and word buffer.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/io.h"

FILE* output_stream = stdout;
FILE* log_file = nullptr;
char word_buffer[WORD_BUFFER_SIZE] = "";
input_queue* standard_input_queue = nullptr;

void reset_io() {
    input_stream = stdin;
    output_stream = stdout;
    log_file = nullptr;
    word_buffer[0] = '\0';
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

void open_log() {
    // Opened without waiting: a named pipe without a reader would otherwise
    // hold the start-up (and the xboard handshake) for ever.
    const int fd = ::open("orvane.log", O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd >= 0 && ::fcntl(fd, F_SETFL, 0) == 0) log_file = ::fdopen(fd, "w");
    if (log_file == nullptr) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        std::fprintf(stderr, "orvane: cannot open orvane.log (%s); running without a log\n", std::strerror(error));
    }
}

int close_log() {
    if (log_file == nullptr) return 0;
    const int closed = std::fclose(log_file);
    log_file = nullptr;
    return closed;
}
