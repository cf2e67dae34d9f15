// The program's start-up sequence and main loop, the signals a GUI sends,
// and the reset that puts the process back to its start for tests.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "book/book.h"
#include "book/random.h"
#include "frontend/frontend.h"
#include "settings/settings.h"
#include "game/game.h"
#include "game/time_manager.h"

namespace {
// xboard sends "quit" and SIGTERM at the same instant and kills the engine a
// second later, whatever it is doing: the book is written here, whole, from
// the table as it stands, and the process ends as at "quit".  The log needs
// nothing: it is flushed line by line.  Only async-signal-safe calls.
void end_on_terminate(int) {
    static uint8_t buffer[BOOK_WRITE_BUFFER_SIZE];
    if (!book_saving_enabled) ::_exit(0);
    if (!write_book_file("book.dat.term", "book.dat", buffer)) {
        static const char message[] = "orvane: could not write book.dat at SIGTERM; the old file is kept\n";
        [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
    }
    // A save of the main program that the signal cut short leaves nothing behind.
    ::unlink("book.dat.tmp");
    ::_exit(0);
}

void handle_terminate() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = end_on_terminate;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    ::sigaction(SIGTERM, &action, nullptr);
}

// Opens orvane.log; without one the engine plays on and says so once.
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

// Reads standard input up to "quit"; the end of the input counts as "quit".
// A thread reads it as it arrives, so that a front end can act on some lines
// while the engine thinks; without a thread it is read directly.
void read_standard_input() {
    input_stream = open_threaded_input(STDIN_FILENO, &standard_input_queue);
    if (input_stream == nullptr) {
        std::fprintf(stderr, "orvane: cannot start the input reader (%s); input waits while the engine thinks\n",
                     std::strerror(errno));
        input_stream = stdin;
    }
    watch_urgent_lines();
    FILE* const stream = input_stream;
    bool first_word = true;
    while (read_word(stream, word_buffer) && std::strcmp(word_buffer, "quit") != 0) {
        // A UCI GUI says "uci" first; from then on the run speaks UCI.
        if (first_word && std::strcmp(word_buffer, "uci") == 0) {
            run_uci(stream);
            break;
        }
        first_word = false;
        interpret_word(word_buffer);
    }
}
}  // namespace

int start_up() {
    // xboard interrupts the engine before nearly every move it forwards;
    // SIGINT must never end the process.
    ::signal(SIGINT, SIG_IGN);
    // A GUI that has gone away must not take the unsaved book with it: a
    // write to a closed pipe fails quietly, and the end of the input ends
    // the run as "quit" does.
    ::signal(SIGPIPE, SIG_IGN);
    clock_init(1000);
    set_default_settings();
    word_buffer[0] = '\0';
    random_seed(0);
    load_book();
    handle_terminate();
    random_seed(static_cast<uint32_t>(std::time(nullptr)));
    std::fprintf(output_stream, "Chess engine %s\n", BANNER);
    std::fputs("\nPlease read txt file. There is a information about settings, control,\nand graphic interface.\n",
               output_stream);
    start_new_game();
    open_log();
    replay_start_up_file();
    read_standard_input();
    save_book();
    if (log_file == nullptr) return 0;
    const int closed = std::fclose(log_file);
    log_file = nullptr;
    return closed;
}

void reset_engine_state() {
    set_default_settings();
    random_seed(0);
    make_fresh_book();
    random_seed(0);
    game_count = 0;
    input_stream = stdin;
    log_file = nullptr;
    output_stream = stdout;
    word_buffer[0] = '\0';
    user_move = move{};
    turn_limits = search_limits{};
    game_time = time_control{};
    reset_interpreter_state();
    new_game();  // no diagram on the caller's standard output
}
