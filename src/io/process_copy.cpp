#include "io/process_copy.h"

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "io/files.h"

namespace {
size_t read_all(int fd, char* data, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}
}  // namespace

bool run_in_process_copy(void (*work)(void* context, void* result), void* context, void* result, size_t size) {
    // What waits in a stream's buffer would be written twice, here and by
    // a copy that flushes on its way out (as a sanitizer's exit may).
    std::fflush(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (child == 0) {
        ::close(fds[0]);
        // The parent's handler writes the book at SIGTERM: the copy must
        // not, nor outlive a GUI that ends the whole group.
        ::signal(SIGTERM, SIG_DFL);
        work(context, result);
        write_fully(fds[1], static_cast<const char*>(result), size);
        // No exit handlers: the files and the book are the parent's.
        ::_exit(0);
    }
    ::close(fds[1]);
    const size_t got = read_all(fds[0], static_cast<char*>(result), size);
    ::close(fds[0]);
    // Once all of result has come, how the copy ends (a sanitizer's report
    // may change its exit status) changes nothing here.
    pid_t waited;
    do waited = ::waitpid(child, nullptr, 0);
    while (waited < 0 && errno == EINTR);
    return got == size;
}
