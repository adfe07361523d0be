#include "files/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string_view>
#include <system_error>

#include "files/app_paths.h"
#include "files/file_io.h"

namespace lumo {
namespace {

std::string describe(int error_number) { return std::system_category().message(error_number); }

TrashResult failure(TrashResult::Kind kind, std::string message) { return {kind, {}, std::move(message)}; }

// A trash: files/ holds the trashed files, info/ one NAME.trashinfo for each.
struct TrashFolder {
    std::filesystem::path folder;
    // A top-directory trash records paths relative to the file system's top;
    // empty for the home trash, which records them absolute.
    std::filesystem::path top;
};

// Creates folder with mode 0700 unless it exists; then it must be a folder
// (a link to one will do).
bool make_folder(const std::filesystem::path& folder, std::string* error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + folder.string() + ": " + describe(errno);
        return false;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = folder.string() + " is not a folder";
        return false;
    }
    return true;
}

// As make_folder, but on a shared file system: a link, or a folder someone
// else made, could send the user's files where others read them.
bool make_private_folder(const std::filesystem::path& folder, std::string* error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + folder.string() + ": " + describe(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = folder.string() + " is not a folder";
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        *error = folder.string() + " belongs to another user";
        return false;
    }
    return true;
}

bool make_trash(const std::filesystem::path& folder, bool shared, std::string* error) {
    const auto make = shared ? make_private_folder : make_folder;
    return make(folder, error) && make(folder / "files", error) && make(folder / "info", error);
}

// The device of path, or of its nearest folder that exists.
std::optional<dev_t> device_of_nearest(std::filesystem::path path) {
    for (;;) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) return info.st_dev;
        if (!path.has_relative_path()) return std::nullopt;
        path = path.parent_path();
    }
}

// The highest folder above `folder` (canonical) still on `device`: the top
// of its file system.
std::filesystem::path top_of_file_system(std::filesystem::path folder, dev_t device) {
    while (folder.has_relative_path()) {
        const std::filesystem::path up = folder.parent_path();
        struct stat info {};
        if (::stat(up.c_str(), &info) != 0 || info.st_dev != device) break;
        folder = up;
    }
    return folder;
}

// $top/.Trash/$uid when an administrator made $top/.Trash for everyone (a
// real folder with the sticky bit, so users cannot remove each other's),
// else $top/.Trash-$uid.
std::optional<TrashFolder> top_trash(const std::filesystem::path& top, std::string* error) {
    const std::string uid = std::to_string(::getuid());
    const std::filesystem::path shared = top / ".Trash";
    struct stat info {};
    if (::lstat(shared.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0) {
        std::string ignored;
        if (make_trash(shared / uid, true, &ignored)) return TrashFolder{shared / uid, top};
    }
    const std::filesystem::path own = top / (".Trash-" + uid);
    if (make_trash(own, true, error)) return TrashFolder{own, top};
    return std::nullopt;
}

// Percent-encoding as in a URI's path: everything but unreserved characters and '/'.
std::string percent_encoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string local_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// name, then name.2.ext, name.3.ext ... (the extension kept, so the file
// manager still knows the type).
std::string numbered_name(const std::filesystem::path& name, int number) {
    if (number == 1) return name.string();
    return name.stem().string() + "." + std::to_string(number) + name.extension().string();
}

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the record, created exclusively: an existing one means the name is taken.
// 0 on success, else the errno.
int write_info(const std::filesystem::path& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    const bool written = write_all(fd, text) && ::fsync(fd) == 0;
    const int saved = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        return written ? EIO : saved;
    }
    return 0;
}

TrashResult move_into(const TrashFolder& trash, const std::filesystem::path& file) {
    const std::filesystem::path recorded = trash.top.empty() ? file : file.lexically_relative(trash.top);
    const std::string info =
        "[Trash Info]\nPath=" + percent_encoded(recorded.string()) + "\nDeletionDate=" + local_time_now() + "\n";
    for (int number = 1; number <= 1000; ++number) {
        const std::string name = numbered_name(file.filename(), number);
        const std::filesystem::path info_path = trash.folder / "info" / (name + ".trashinfo");
        const std::filesystem::path target = trash.folder / "files" / name;
        if (const int error = write_info(info_path, info); error == EEXIST) {
            continue;
        } else if (error != 0) {
            return failure(TrashResult::Kind::failed, "cannot write " + info_path.string() + ": " + describe(error));
        }
        const int error = place_without_replacing(file, target);
        if (error == 0) return {TrashResult::Kind::trashed, target, {}};
        ::unlink(info_path.c_str());
        if (error == EEXIST) continue;  // a file without a record holds the name
        if (error == EXDEV)
            return failure(TrashResult::Kind::no_trash,
                           "the trash " + trash.folder.string() + " is on another drive than " + file.string());
        return failure(TrashResult::Kind::failed, "cannot move " + file.string() + " to the trash: " + describe(error));
    }
    return failure(TrashResult::Kind::failed,
                   "the trash " + trash.folder.string() + " has no free name for " + file.filename().string());
}

}  // namespace

std::filesystem::path home_trash_folder() {
    // The XDG base-directory rules ignore a relative value.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        return std::filesystem::path(data) / "Trash";
    const std::filesystem::path home = user_home_folder();
    return home.empty() ? home : home / ".local" / "share" / "Trash";
}

TrashResult move_to_trash(const std::filesystem::path& file) { return move_to_trash(file, home_trash_folder()); }

TrashResult move_to_trash(const std::filesystem::path& file, const std::filesystem::path& home_trash) {
    const std::filesystem::path name = file.filename();
    if (name.empty() || name == "." || name == "..")
        return failure(TrashResult::Kind::failed, "not a file name: " + file.string());
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return failure(TrashResult::Kind::failed, "cannot move " + file.string() + " to the trash: " + describe(errno));
    // Its folder with links resolved: the record must name where it really was.
    std::error_code code;
    const std::filesystem::path folder =
        std::filesystem::canonical(std::filesystem::absolute(file, code).parent_path(), code);
    if (code)
        return failure(TrashResult::Kind::failed, "cannot find the folder of " + file.string() + ": " + code.message());
    const std::filesystem::path path = folder / name;

    if (home_trash.empty()) return failure(TrashResult::Kind::failed, "there is no home folder to keep a trash in");
    std::string home_error;
    const bool home_ready =
        ensure_folder(home_trash.parent_path(), &home_error) && make_trash(home_trash, false, &home_error);
    if (device_of_nearest(home_ready ? home_trash / "files" : home_trash) == info.st_dev) {
        if (!home_ready)
            return failure(TrashResult::Kind::failed, "cannot move " + path.string() + " to the trash: " + home_error);
        return move_into({home_trash, {}}, path);
    }
    const std::filesystem::path top = top_of_file_system(folder, info.st_dev);
    std::string top_error;
    if (const std::optional<TrashFolder> trash = top_trash(top, &top_error)) return move_into(*trash, path);
    return failure(TrashResult::Kind::no_trash,
                   "there is no trash on the drive of " + path.string() + " (" + top_error + ")");
}

}  // namespace lumo
