#include "files/pending_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_io.h"

namespace lumo {
namespace {

// Makes the new name survive a power cut. Some file systems cannot flush a
// folder at all; the file itself is already safe, so this is best effort.
void flush_folder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::unique_ptr<PendingFile> PendingFile::create(const std::filesystem::path& target, int* error_number) {
    std::filesystem::path temporary;
    const int fd = create_temporary_for(target, &temporary);
    if (fd >= 0) return std::unique_ptr<PendingFile>(new PendingFile(std::move(temporary), fd));
    *error_number = errno;
    return nullptr;
}

PendingFile::~PendingFile() { abandon(); }

bool PendingFile::write(std::span<const uint8_t> bytes, int* error_number) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error_number = n == 0 ? EIO : errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool PendingFile::commit(const std::filesystem::path& target, int* error_number) {
    return place(target, false, error_number);
}

bool PendingFile::commit_replacing(const std::filesystem::path& target, int* error_number) {
    return place(target, true, error_number);
}

bool PendingFile::place(const std::filesystem::path& target, bool replace, int* error_number) {
    if (fd_ < 0 || placed_) {
        *error_number = EBADF;
        return false;
    }
    // Any descriptor of the file flushes what every writer wrote to it.
    if (::fsync(fd_) != 0) {
        *error_number = errno;
        return false;
    }
    if (replace && ::rename(temporary_.c_str(), target.c_str()) != 0) {
        *error_number = errno;
        return false;
    }
    if (const int error = replace ? 0 : place_without_replacing(temporary_, target); error != 0) {
        *error_number = error;
        return false;
    }
    placed_ = true;
    ::close(fd_);
    fd_ = -1;
    flush_folder(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
    return true;
}

void PendingFile::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!placed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace lumo
