#include "files/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <system_error>

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
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
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

// Flushes the folder so that the rename itself survives a crash.
bool sync_folder(const std::filesystem::path& folder, std::string* error) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        set_error(error, "cannot open folder", folder, errno);
        return false;
    }
    // Some file systems cannot sync a folder at all; the file itself is safe.
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != EROFS) {
        set_error(error, "cannot flush folder", folder, errno);
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> read_whole_file(const std::filesystem::path& path, std::uintmax_t max_bytes,
                                                    std::string* error) {
    // O_NONBLOCK: opening a pipe must not wait for a writer; it is refused below.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        set_error(error, "cannot open", path, errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        set_error(error, "cannot examine", path, errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        if (error) *error = path.string() + " is not a regular file";
        return std::nullopt;
    }
    const auto size = static_cast<std::uintmax_t>(info.st_size);
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

bool write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, std::string* error) {
    const std::filesystem::path name = path.filename();
    if (name.empty() || name == "." || name == "..") {
        if (error) *error = "not a file name: " + path.string();
        return false;
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    // The rename would put a file where a device, pipe or folder was
    // (/dev/full, as root): only a regular file is ever replaced.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        if (error) *error = "cannot write " + path.string() + ": it is not a regular file";
        return false;
    }

    std::filesystem::path temporary;
    int raw_fd = -1;
    for (int attempt = 0; attempt < 100 && raw_fd < 0; ++attempt) {
        temporary = temporary_name_for(path);
        raw_fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw_fd < 0 && errno != EEXIST) break;
    }
    FileDescriptor fd(raw_fd);
    if (!fd.valid()) {
        set_error(error, "cannot create a temporary file in", folder, errno);
        return false;
    }

    const auto fail = [&](const char* what, const std::filesystem::path& subject) {
        const int saved = errno;
        if (fd.valid()) fd.close();
        ::unlink(temporary.c_str());
        set_error(error, what, subject, saved);
        return false;
    };
    if (!write_fully(fd.get(), bytes.data(), bytes.size())) return fail("cannot write", temporary);
    if (::fsync(fd.get()) != 0) return fail("cannot flush", temporary);
    if (fd.close() != 0) return fail("cannot close", temporary);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail("cannot replace", path);
    return sync_folder(folder, error);
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
        if (std::filesystem::remove(entry.path(), probe)) ++removed;
    }
    return removed;
}

}  // namespace lumo
