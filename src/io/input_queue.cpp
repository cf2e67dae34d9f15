// Standard input read by a thread of its own, handed to the interpreter in
// arrival order.
#include "io/input_queue.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

void input_queue::push(const char* data, size_t size) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        bytes_.append(data, size);
    }
    arrived_.notify_all();
}

void input_queue::close() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    arrived_.notify_all();
}

namespace {
bool never(const char*, void*) { return false; }
bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

bool input_queue::view_line(size_t start, size_t end, char (&line)[TAKE_LINE_VIEW], size_t& length) const {
    length = end - start;
    if (length > 0 && bytes_[end - 1] == '\r') --length;
    const char* text = bytes_.data() + start;
    if (std::memchr(text, '\0', length) != nullptr) return false;
    const size_t shown = length < TAKE_LINE_VIEW - 1 ? length : TAKE_LINE_VIEW - 1;
    std::memcpy(line, text, shown);
    line[shown] = '\0';
    return true;
}

bool input_queue::waiting() const { return waiting_but_for(never, nullptr); }

bool input_queue::waiting_but_for(bool (*passes)(const char* line, void* context), void* context) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    // A line the interpreter has begun to read is its own: its rest must be blank.
    size_t start = head_;
    if (!at_line_start_) {
        const size_t end = bytes_.find('\n', head_);
        for (size_t i = head_; i < (end == std::string::npos ? bytes_.size() : end); ++i)
            if (!blank(bytes_[i])) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
    char line[TAKE_LINE_VIEW];
    while (start < bytes_.size()) {
        const size_t end = bytes_.find('\n', start);
        const size_t stop = end == std::string::npos ? bytes_.size() : end;
        size_t first = start;
        while (first < stop && blank(bytes_[first])) ++first;
        if (first < stop) {
            // A line still coming, or one that cannot be looked at whole, is not one that passes.
            size_t length = 0;
            if (end == std::string::npos || !view_line(start, end, line, length) || length >= TAKE_LINE_VIEW ||
                !passes(line, context))
                return false;
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

bool input_queue::ended() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

size_t input_queue::read(char* out, size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait(lock, [this] { return head_ < bytes_.size() || closed_; });
    const size_t available = bytes_.size() - head_;
    const size_t n = available < size ? available : size;
    if (n == 0) return 0;
    std::memcpy(out, bytes_.data() + head_, n);
    head_ += n;
    at_line_start_ = out[n - 1] == '\n';
    // Read bytes are dropped now and then, not at every read.
    if (head_ >= 4096 && head_ * 2 >= bytes_.size()) {
        bytes_.erase(0, head_);
        head_ = 0;
    }
    return n;
}

bool input_queue::take_line(bool (*wanted)(const char* line, void* context), void* context, char* out,
                            size_t out_size) {
    const std::lock_guard<std::mutex> lock(mutex_);
    size_t start = head_;
    // A line the interpreter has begun to read is its own.
    if (!at_line_start_) {
        const size_t end = bytes_.find('\n', head_);
        if (end == std::string::npos) return false;
        start = end + 1;
    }
    // The line is looked at in a buffer of fixed size: this runs at every
    // poll of a search, which must not allocate.  A longer line is shown cut,
    // which no command the test matches in full can be.
    char line[TAKE_LINE_VIEW];
    for (;;) {
        const size_t end = bytes_.find('\n', start);
        if (end == std::string::npos) return false;  // only whole lines are looked at
        size_t length = 0;
        if (view_line(start, end, line, length)) {
            const size_t shown = length < TAKE_LINE_VIEW - 1 ? length : TAKE_LINE_VIEW - 1;
            if (wanted(line, context)) {
                if (out_size > 0) {
                    const size_t n = shown < out_size - 1 ? shown : out_size - 1;
                    std::memcpy(out, line, n);
                    out[n] = '\0';
                }
                bytes_.erase(start, end + 1 - start);
                return true;
            }
        }
        start = end + 1;
    }
}

namespace {

ssize_t read_queue(void* cookie, char* out, size_t size) {
    return static_cast<ssize_t>(static_cast<input_queue*>(cookie)->read(out, size));
}

// Reads the descriptor until its end, appending everything to the queue.
void read_descriptor(int fd, input_queue* queue) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            queue->push(chunk, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n < 0) std::fprintf(stderr, "orvane: reading standard input failed (%s); taken as its end\n",
                                    std::strerror(errno));
            queue->close();
            return;
        }
    }
}

}  // namespace

FILE* open_queue_stream(input_queue& queue) {
    cookie_io_functions_t functions{};
    functions.read = read_queue;
    FILE* stream = ::fopencookie(&queue, "r", functions);
    if (stream == nullptr) return nullptr;
    // Unbuffered: a byte the interpreter has not asked for stays in the
    // queue, where take_line can still see it.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

FILE* open_threaded_input(int fd, input_queue** queue_out) {
    // The reader thread may still be blocked in read() when the program
    // ends, so the queue is never destroyed.
    static input_queue* const queue = new input_queue;
    FILE* stream = open_queue_stream(*queue);
    if (stream == nullptr) return nullptr;
    // Signals belong to the main thread: the reader starts with all blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread reader(read_descriptor, fd, queue);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    reader.detach();
    if (queue_out != nullptr) *queue_out = queue;
    return stream;
}
