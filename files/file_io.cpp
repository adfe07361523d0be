#include "files/file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

#include "files/file_error_words.h"
#include "files/temporary_name.h"

namespace lumo {
namespace {

std::string describe(int error_number) { return std::system_category().message(error_number); }

void set_error(std::string* error, const std::string& what, const std::filesystem::path& path, int error_number) {
    if (error) *error = what + " " + path.string() + ": " + describe(error_number);
}

// Closes a descriptor on every way out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    bool valid() const { return fd_ >= 0; }
    // Closes now, reporting the error a deferred write may surface only here.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool read_fully(int fd, uint8_t* data, std::size_t size, std::size_t* got) {
    *got = 0;
    while (*got < size) {
        const ssize_t n = ::read(fd, data + *got, size - *got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        *got += static_cast<std::size_t>(n);
    }
    return true;
}

bool write_fully(int fd, const uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string regular_file_problem(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int number = errno;
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return "it is a link to a file that does not exist";
        return number == ENOENT ? "no such file" : std::system_category().message(number);
    }
    if (S_ISDIR(info.st_mode)) return "it is a folder";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file (a pipe, a device or a socket)";
    return {};
}

namespace {
// A regular file opened for reading, its size in *size. O_NONBLOCK: opening
// a pipe must not wait for a writer; it is refused by fstat.
FileDescriptor open_regular_file(const std::filesystem::path& path, std::uintmax_t* size, std::string* error) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        set_error(error, "cannot open", path, errno);
        return fd;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        set_error(error, "cannot examine", path, errno);
        return FileDescriptor(-1);
    }
    if (!S_ISREG(info.st_mode)) {
        if (error) *error = path.string() + " is not a regular file";
        return FileDescriptor(-1);
    }
    *size = static_cast<std::uintmax_t>(info.st_size);
    return fd;
}
}  // namespace

std::optional<std::vector<uint8_t>> read_whole_file(const std::filesystem::path& path, std::uintmax_t max_bytes,
                                                    std::string* error) {
    std::uintmax_t size = 0;
    FileDescriptor fd = open_regular_file(path, &size, error);
    if (!fd.valid()) return std::nullopt;
    if (size > max_bytes) {
        if (error) *error = path.string() + " is too big (" + std::to_string(size) + " bytes)";
        return std::nullopt;
    }
    // One byte more than expected tells a file that grew since fstat.
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    if (!read_fully(fd.get(), bytes.data(), bytes.size(), &got)) {
        set_error(error, "cannot read", path, errno);
        return std::nullopt;
    }
    if (got > size) {
        if (error) *error = path.string() + " changed while it was read";
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

std::optional<std::vector<uint8_t>> read_file_head(const std::filesystem::path& path, std::size_t max_bytes,
                                                   std::string* error) {
    std::uintmax_t size = 0;
    FileDescriptor fd = open_regular_file(path, &size, error);
    if (!fd.valid()) return std::nullopt;
    std::vector<uint8_t> bytes(max_bytes);
    std::size_t got = 0;
    if (!read_fully(fd.get(), bytes.data(), bytes.size(), &got)) {
        set_error(error, "cannot read", path, errno);
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

int DurableFileCalls::sync_file(int fd) { return ::fsync(fd); }

int DurableFileCalls::rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str());
    const int error_number = place_without_replacing(from, to);
    if (error_number == 0) return 0;
    errno = error_number;
    return -1;
}

int DurableFileCalls::sync_folder(int fd) { return ::fsync(fd); }

int place_without_replacing(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    // No RENAME_NOREPLACE here: a hard link fails on an existing name too; a
    // file system without hard links (FAT, the browser's) gets a check, then
    // a rename.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int create_temporary_for(const std::filesystem::path& target, std::filesystem::path* temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = temporary_name_for(target);
        FileDescriptor fd(::open(temporary->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid()) {
            if (errno == EEXIST) continue;
            return -1;
        }
        // Locked before anything is written. A file system without locks
        // keeps its temporaries from the clean-up too (it cannot lock them).
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) continue;  // a clean-up holds it, about to remove it
            return fd.release();
        }
        // A clean-up that removed the name just before the lock: try another.
        struct stat mine {
        }, named{};
        if (::fstat(fd.get(), &mine) == 0 && ::lstat(temporary->c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
            mine.st_dev == named.st_dev)
            return fd.release();
    }
    errno = EEXIST;
    return -1;
}

namespace {

// Everything of a save but its name: the bytes into a fresh temporary beside
// target, flushed to disk. The temporary stays locked and open (in *fd) until
// it has its name. false, with *error_number set, leaves nothing behind.
bool write_temporary(const std::filesystem::path& target, std::span<const uint8_t> bytes, DurableFileCalls& calls,
                     FileDescriptor* fd, std::filesystem::path* temporary, int* error_number) {
    *fd = FileDescriptor(create_temporary_for(target, temporary));
    if (!fd->valid()) {
        *error_number = errno;
        temporary->clear();
        return false;
    }
    if (write_fully(fd->get(), bytes.data(), bytes.size()) && calls.sync_file(fd->get()) == 0) return true;
    *error_number = errno;
    fd->close();
    ::unlink(temporary->c_str());
    temporary->clear();
    return false;
}

// The folder flushed, so that the new name itself survives a crash. Some file
// systems cannot flush a folder at all; the file itself is safe then.
int sync_folder(const std::filesystem::path& folder, DurableFileCalls& calls) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return errno;
    if (calls.sync_folder(fd.get()) != 0 && errno != EINVAL && errno != EROFS) return errno;
    return 0;
}

std::filesystem::path folder_of(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

bool could_not_save(std::string* error, const std::filesystem::path& path, const std::string& why) {
    if (error) *error = "could not save " + path.filename().string() + ": " + why;
    return false;
}

}  // namespace

bool write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, std::string* error,
                           DurableFileCalls* calls) {
    DurableFileCalls system_calls;
    if (calls == nullptr) calls = &system_calls;
    const std::filesystem::path name = path.filename();
    if (name.empty() || name == "." || name == "..") {
        if (error) *error = "could not save " + path.string() + ": it is not a file name";
        return false;
    }
    // The rename would put a file where a device, pipe or folder was
    // (/dev/full, as root): only a regular file is ever replaced.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return could_not_save(error, path, "a folder or device of that name is in the way");

    FileDescriptor fd(-1);
    std::filesystem::path temporary;
    int error_number = 0;
    if (!write_temporary(path, bytes, *calls, &fd, &temporary, &error_number))
        return could_not_save(error, path, file_error_words(error_number));
    if (calls->rename(temporary, path, true) != 0) {
        error_number = errno;
        ::unlink(temporary.c_str());
        return could_not_save(error, path, file_error_words(error_number));
    }
    fd.close();
    if ((error_number = sync_folder(folder_of(path), *calls)) != 0)
        return could_not_save(error, path, "it may not survive a power cut: " + file_error_words(error_number));
    return true;
}

std::optional<std::filesystem::path> write_new_file(const std::filesystem::path& folder,
                                                    const std::function<std::string(int)>& name_for, int max_names,
                                                    std::span<const uint8_t> bytes, std::string* error,
                                                    DurableFileCalls* calls) {
    DurableFileCalls system_calls;
    if (calls == nullptr) calls = &system_calls;
    const std::filesystem::path first = folder / name_for(1);
    FileDescriptor fd(-1);
    std::filesystem::path temporary;
    int error_number = 0;
    if (!write_temporary(first, bytes, *calls, &fd, &temporary, &error_number)) {
        could_not_save(error, first, file_error_words(error_number));
        return std::nullopt;
    }
    std::filesystem::path placed;
    for (int n = 1; n <= max_names && placed.empty(); ++n) {
        const std::filesystem::path candidate = folder / name_for(n);
        if (calls->rename(temporary, candidate, false) == 0) placed = candidate;
        else if ((error_number = errno) != EEXIST) break;
    }
    if (placed.empty()) {
        ::unlink(temporary.c_str());
        could_not_save(error, first,
                       error_number == EEXIST ? "too many files of that name" : file_error_words(error_number));
        return std::nullopt;
    }
    fd.close();
    // The file is in place and listed; only its survival of a power cut is in doubt.
    if ((error_number = sync_folder(folder, *calls)) != 0) {
        could_not_save(error, placed, "it may not survive a power cut: " + file_error_words(error_number));
        return std::nullopt;
    }
    return placed;
}

namespace {
// The name write_file_atomically() gives its temporary file for a target
// whose name ends with extension: '.', the target's name, '.', six letters or digits.
bool is_temporary_for(std::string_view name, std::string_view extension) {
    constexpr std::size_t kSuffix = 7;  // ".XXXXXX"
    if (name.size() < 1 + extension.size() + kSuffix || name[0] != '.') return false;
    const std::string_view suffix = name.substr(name.size() - kSuffix);
    if (suffix[0] != '.') return false;
    for (const char c : suffix.substr(1))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    const std::string_view target = name.substr(1, name.size() - 1 - kSuffix);
    return target.size() > extension.size() && target.ends_with(extension);
}
}  // namespace

namespace {
// Removes a temporary no writer holds: locked here first, so that a save
// starting meanwhile sees its name go and takes another.
bool remove_if_abandoned(const std::filesystem::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {
    }, named{};
    if (!fd.valid() || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return false;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    if (::lstat(path.c_str(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev)
        return false;
    return ::unlink(path.c_str()) == 0;
}
}  // namespace

int remove_stale_temporaries(const std::filesystem::path& folder, std::string_view extension,
                             std::chrono::seconds min_age) {
    std::error_code code;
    std::filesystem::directory_iterator entries(folder, code);
    if (code) return 0;
    const auto now = std::filesystem::file_time_type::clock::now();
    int removed = 0;
    for (const std::filesystem::directory_iterator end; entries != end; entries.increment(code)) {
        if (code) break;
        const std::filesystem::directory_entry& entry = *entries;
        if (!is_temporary_for(entry.path().filename().string(), extension)) continue;
        std::error_code probe;
        if (!entry.is_regular_file(probe) || entry.is_symlink(probe)) continue;
        const auto written = entry.last_write_time(probe);
        if (probe || now - written < min_age) continue;
        if (remove_if_abandoned(entry.path())) ++removed;
    }
    return removed;
}

}  // namespace lumo
