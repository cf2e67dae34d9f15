// The program's start-up sequence, the choice of protocol, the signals a GUI
// sends, and the reset that puts the process back to its start for tests.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/app.h"
#include "book/book.h"
#include "book/random.h"
#include "cecp/cecp.h"
#include "game/strength.h"
#include "io/io.h"
#include "protocol/turn.h"
#include "search/request.h"
#include "settings/settings.h"
#include "uci/uci.h"

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

// Reads standard input up to "quit"; the end of the input counts as "quit".
// A thread reads it as it arrives, so that a GUI's lines can act while the
// engine thinks; without a thread it is read directly.  A UCI GUI says
// "uci" first; from then on the run speaks UCI.
void read_standard_input() {
    FILE* stream = open_threaded_input(STDIN_FILENO, &standard_input_queue);
    if (stream == nullptr) {
        std::fprintf(stderr, "orvane: cannot start the input reader (%s); input waits while the engine thinks\n",
                     std::strerror(errno));
        stream = stdin;
    }
    input_stream = stream;
    if (!read_word(stream, word_buffer)) return;
    if (std::strcmp(word_buffer, "uci") == 0)
        run_uci(stream);
    else
        run_console(stream, word_buffer);
}
}  // namespace

int run_program() {
    // xboard interrupts the engine before nearly every move it forwards;
    // SIGINT must never end the process.
    ::signal(SIGINT, SIG_IGN);
    // A GUI that has gone away must not take the unsaved book with it: a
    // write to a closed pipe fails quietly, and the end of the input ends
    // the run as "quit" does.
    ::signal(SIGPIPE, SIG_IGN);
    clock_restart();
    set_default_settings();
    word_buffer[0] = '\0';
    random_seed(0);
    load_book();
    handle_terminate();
    random_seed(static_cast<uint32_t>(std::time(nullptr)));
    strength_seed(static_cast<uint32_t>(std::time(nullptr)));
    start_console();
    read_standard_input();
    save_book();
    return close_log();
}

void reset_engine_state() {
    set_default_settings();
    random_seed(0);
    make_fresh_book();
    random_seed(0);
    game_count = 0;
    reset_io();
    reset_search_state();
    reset_game_state();
    reset_protocol_state();
    reset_console_state();
    reset_uci_state();
    new_game();  // no diagram on the caller's standard output
}
