#include "picture/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumo {

PictureFilePtr open_picture_file(const std::filesystem::path& path, std::uintmax_t* size, std::string* why) {
    // O_NONBLOCK: opening a pipe must not wait for a writer; fstat refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *why = "cannot read " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        *why = "cannot read " + path.string() +
               (folder ? ": it is a folder" : ": it is not a regular file (a pipe, a device or a socket)");
        return nullptr;
    }
    // Reads of a regular file never wait; clearing the flag keeps it that way everywhere.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        *why = "cannot read " + path.string() + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    *size = static_cast<std::uintmax_t>(info.st_size);
    return PictureFilePtr(file);
}

}  // namespace lumo
