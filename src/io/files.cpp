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
