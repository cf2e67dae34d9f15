// Opening the engine's files without waiting and without reading devices.
#include "settings/files.h"

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
