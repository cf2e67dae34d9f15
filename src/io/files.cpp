// Opening the engine's files without waiting and without reading devices.
#include "io/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

FILE* open_regular_file(const char* name, const char*& why) {
    // Opened without waiting: opening a named pipe for reading would
    // otherwise block until some writer came, which may be never.
    const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return nullptr;
    }
    // A device or a pipe could feed one endless word, or block for ever.
    struct stat status;
    FILE* file = nullptr;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::fcntl(fd, F_SETFL, 0) == 0)
        file = ::fdopen(fd, "r");
    if (file == nullptr) {
        ::close(fd);
        why = "not a regular file";
        errno = EINVAL;
        return nullptr;
    }
    return file;
}

bool sync_folder_of(const char* path) {
    // The folder's name is cut from the path on the stack: no allocation,
    // which a signal handler could not make.
    char folder[4096];
    size_t slash = 0;
    bool has_slash = false;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == '/') {
            slash = i;
            has_slash = true;
        }
    }
    if (!has_slash) {
        folder[0] = '.';
        folder[1] = '\0';
    } else {
        const size_t length = slash == 0 ? 1 : slash;  // "/book.dat" lies in "/"
        if (length >= sizeof folder) return false;
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

size_t write_fully(int fd, const char* data, size_t size) {
    size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    return written;
}

bool append_to_file(const char* name, const char* data, size_t size, const char*& why) {
    // Without waiting, as for reading: a named pipe must not hold the engine.
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        why = "not a regular file";
        return false;
    }
    const off_t before = status.st_size;
    const size_t written = write_fully(fd, data, size);
    if (written < size || ::fsync(fd) != 0) {
        why = written < size ? std::strerror(errno) : "cannot sync it to the disk";
        // Nothing half written stays behind: the file is as it was.
        if (::ftruncate(fd, before) != 0) why = "the write failed and the file could not be cut back";
        ::close(fd);
        return false;
    }
    ::close(fd);
    if (before == 0) sync_folder_of(name);  // a new file's name lasts too
    return true;
}
