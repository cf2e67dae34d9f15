// Shared set-up of the fuzz targets.
#include "fuzz_common.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/app.h"
#include "cecp/cecp.h"
#include "io/input_queue.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "settings/settings.h"
#include "search/classic_search.h"

namespace {
std::filesystem::path private_directory;
FILE* null_output = nullptr;
uint64_t nodes_at_start = 0;

void remove_private_directory() {
    std::error_code ignored;
    if (!private_directory.empty()) std::filesystem::remove_all(private_directory, ignored);
}
}  // namespace

void fuzz_enter_private_directory() {
    char name[] = "/tmp/orvane-fuzz-XXXXXX";
    if (::mkdtemp(name) == nullptr || ::chdir(name) != 0) std::abort();
    private_directory = name;
    std::atexit(remove_private_directory);
    null_output = std::fopen("/dev/null", "w");
    if (null_output == nullptr) std::abort();
}

void fuzz_begin_input() {
    // Files an earlier input left (board.txt, book.dat, game files) would
    // make runs depend on their order: every input starts in an empty folder.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(private_directory, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    reset_engine_state();
    output_stream = null_output;
    log_file = null_output;
    clock_mode = 0;
    search_depth = FUZZ_DEPTH_CAP;
    // The allowance is only looked at between words, and one engine turn with
    // the capture extension on can spend tens of seconds in capture lines at
    // depth 2: each turn is also cut at the whole allowance, inside the search,
    // even in its first iteration (the engine then plays the best root move
    // found so far).  reset_engine_state cleared turn_limits, so this comes
    // after it.
    turn_limits.node_limit = FUZZ_NODE_CAP;
    turn_limits.stop_first_iteration = true;
    nodes_at_start = node_count;
}

void fuzz_apply_caps() {
    if (search_depth > FUZZ_DEPTH_CAP) search_depth = FUZZ_DEPTH_CAP;
    if (clock_mode != 0 && clock_mode != 2 && clock_mode != 3) clock_mode = 3;
}

bool fuzz_over_budget(uint64_t allowance) { return node_count - nodes_at_start > allowance; }

size_t fuzz_occurrences(const uint8_t* data, size_t size, const char* text) {
    const size_t length = std::strlen(text);
    size_t count = 0;
    for (size_t i = 0; length > 0 && i + length <= size; ++i)
        if (std::memcmp(data + i, text, length) == 0) ++count;
    return count;
}

void fuzz_write_file(const char* name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(name, "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

void fuzz_run_words(FILE* stream) {
    input_stream = stream;
    while (!fuzz_over_budget() && read_word(stream, word_buffer)) {
        if (std::strcmp(word_buffer, "quit") == 0) break;
        interpret_word(word_buffer);
        fuzz_apply_caps();
    }
}

void fuzz_run_bytes(const void* data, size_t size) {
    FILE* stream = ::fmemopen(const_cast<void*>(data), size, "r");
    if (stream == nullptr) std::abort();
    fuzz_run_words(stream);
    std::fclose(stream);
}

namespace {
input_queue* queued_input = nullptr;

// The queue's bytes, but none once the input has spent its allowance (a
// session that reads its own lines, as run_uci does, ends there).
ssize_t read_queued(void* cookie, char* out, size_t size) {
    if (fuzz_over_budget(4 * FUZZ_NODE_CAP)) return 0;
    return static_cast<ssize_t>(static_cast<input_queue*>(cookie)->read(out, size));
}
}  // namespace

FILE* fuzz_queue_input(const uint8_t* data, size_t size) {
    delete queued_input;
    queued_input = new input_queue;
    queued_input->push(reinterpret_cast<const char*>(data), size);
    queued_input->close();
    cookie_io_functions_t functions{};
    functions.read = read_queued;
    FILE* stream = ::fopencookie(queued_input, "r", functions);
    if (stream == nullptr) std::abort();
    // Unbuffered, as the program's: a byte not yet read stays in the queue,
    // where a search's poll can take its line.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    standard_input_queue = queued_input;
    return stream;
}

void fuzz_end_queued_input(FILE* stream) {
    standard_input_queue = nullptr;
    input_stream = stdin;
    std::fclose(stream);
}

bool fuzz_bookmake_reaches_out(const uint8_t* data, size_t size) {
    constexpr size_t MAX_BOOKMAKES = 2;  // each may read a file the input wrote (book.dat is a megabyte)
    if (fuzz_occurrences(data, size, "bookmake") > MAX_BOOKMAKES) return true;
    const char* word = "bookmake";
    const size_t length = std::strlen(word);
    for (size_t i = 0; i + length <= size; ++i) {
        if (std::memcmp(data + i, word, length) != 0) continue;
        size_t j = i + length;
        while (j < size && (data[j] == ' ' || (data[j] >= '\t' && data[j] <= '\r'))) ++j;
        for (; j < size && !(data[j] == ' ' || (data[j] >= '\t' && data[j] <= '\r')); ++j)
            if (data[j] == '/') return true;
    }
    return false;
}

void fuzz_run_script(const char* script) { fuzz_run_bytes(script, std::strlen(script)); }
