#pragma once
// Whole-file reading with a size cap, and atomic replacement of a file.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// The whole content of a regular file no bigger than max_bytes. The size is
// checked before anything is read, so an oversized file costs no memory.
// nullopt, with *error set, for a missing, unreadable or oversized file and
// for anything that is not a regular file (a folder, a pipe, a device).
std::optional<std::vector<uint8_t>> read_whole_file(const std::filesystem::path& path, std::uintmax_t max_bytes,
                                                    std::string* error);

// The three calls that make a written file durable under its name, in the
// order they must come: the file's content to disk, the name, the folder (so
// that the name survives a power cut). The system's own by default; a test
// passes one that watches the order. Each returns 0, or -1 with errno set.
class DurableFileCalls {
public:
    virtual ~DurableFileCalls() = default;
    virtual int sync_file(int fd);
    // With replace false, fails with EEXIST rather than replace a file at to.
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace);
    virtual int sync_folder(int fd);
};

// Why path is no file to open, in plain words and without the path ("no
// such file", "it is a folder", "it is not a regular file (a pipe, a device
// or a socket)"); empty for a regular file. Decided by stat alone, so a pipe
// or a device is never opened (opening one can wait for ever).
std::string regular_file_problem(const std::filesystem::path& path);

// Up to max_bytes from the start of a regular file; nullopt, with *error
// set, for anything else, which is never waited on.
std::optional<std::vector<uint8_t>> read_file_head(const std::filesystem::path& path, std::size_t max_bytes,
                                                   std::string* error);

// Replaces path with bytes so that the target is either the complete new
// content or untouched: a temporary file in the same folder is written,
// flushed to disk and renamed over the target, then the folder is flushed.
// On any failure the temporary file is removed and false returned with *error
// set, in plain words naming the file ("could not save NAME: the disk is
// full"); the target is then untouched, unless only the final flush of the
// folder failed (the new content is in place but might not survive a power
// cut).
bool write_file_atomically(const std::filesystem::path& path, std::span<const uint8_t> bytes, std::string* error,
                           DurableFileCalls* calls = nullptr);

// Writes bytes as a new file in folder, never replacing one: under the first
// of name_for(1), name_for(2), ... (at most max_names) that is free when the
// complete file is put in place, so two writers racing for a name both keep
// their file. The path it got, or nullopt with *error set as above; nothing
// is left behind on failure.
std::optional<std::filesystem::path> write_new_file(const std::filesystem::path& folder,
                                                    const std::function<std::string(int)>& name_for, int max_names,
                                                    std::span<const uint8_t> bytes, std::string* error,
                                                    DurableFileCalls* calls = nullptr);

// Gives from the name to without ever replacing a file of that name: 0, or
// the errno (EEXIST when the name is taken). Atomic where the file system
// can do it (RENAME_NOREPLACE, else a hard link); elsewhere (the browser's
// file system, FAT) a check, then a rename.
int place_without_replacing(const std::filesystem::path& from, const std::filesystem::path& to);

// A temporary file for target, created beside it and locked (flock) while
// it is written, so that remove_stale_temporaries() in this or another
// process leaves it alone. -1, with errno set, when none can be created.
int create_temporary_for(const std::filesystem::path& target, std::filesystem::path* temporary);

// A process killed while writing leaves its temporary file (".NAME.XXXXXX")
// behind. Removes those in folder whose NAME ends with `extension`, that were
// last written at least `min_age` ago and that no writer holds locked (a save
// under way, in any process). Returns how many went.
int remove_stale_temporaries(const std::filesystem::path& folder, std::string_view extension,
                             std::chrono::seconds min_age);

}  // namespace lumo
