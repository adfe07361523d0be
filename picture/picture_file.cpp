#include "picture/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lumo {

namespace {

// Why a file cannot be opened for reading, in a user's words.
std::string reading_problem(int error_number) {
    switch (error_number) {
        case ENOENT:
        case ENOTDIR: return "no such file";
        case EACCES:
        case EPERM: return "you may not read it";
        case EISDIR: return "it is a folder";
        case EIO: return "the disk reported an error";
        case ENOMEM: return "there is not enough memory";
        default: return std::strerror(error_number);
    }
}

}  // namespace

PictureFilePtr open_picture_file(const std::filesystem::path& path, std::uintmax_t* size, std::string* why) {
    const std::string name = path.filename().string();
    // O_NONBLOCK: opening a pipe must not wait for a writer; fstat refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *why = name + ": " + reading_problem(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd);
        *why = name + (folder ? ": it is a folder" : ": it is not a regular file (a pipe, a device or a socket)");
        return nullptr;
    }
    // Reads of a regular file never wait; clearing the flag keeps it that way everywhere.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        *why = name + ": " + reading_problem(errno);
        ::close(fd);
        return nullptr;
    }
    *size = static_cast<std::uintmax_t>(info.st_size);
    return PictureFilePtr(file);
}

}  // namespace lumo
