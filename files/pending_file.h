#pragma once
// A file written piece by piece (or by a library given its path) under a
// hidden temporary name in its folder, then put in place whole or removed:
// nobody ever sees half a file under the final name.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

namespace lumo {

class PendingFile {
public:
    // Creates the temporary for target in target's folder, which must exist.
    // nullptr, with *error_number set (errno), when it cannot be created.
    static std::unique_ptr<PendingFile> create(const std::filesystem::path& target, int* error_number);

    ~PendingFile();  // removes the temporary unless it was put in place
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where the content goes until commit(); a library that opens files by
    // name (FFmpeg) may truncate and rewrite it.
    const std::filesystem::path& temporary() const { return temporary_; }

    // Appends bytes. false, with *error_number set, when they could not all be
    // written (a full disk, a file-size limit: EFBIG, never a signal, as long
    // as the writing thread does not take SIGXFSZ).
    bool write(std::span<const uint8_t> bytes, int* error_number);

    // Flushes the content to disk and gives it the name target without ever
    // replacing a file of that name: EEXIST when one appeared meanwhile, and
    // the temporary stays for another try. Then flushes the folder.
    bool commit(const std::filesystem::path& target, int* error_number);
    // The same, replacing a file of that name (a name the user gave).
    bool commit_replacing(const std::filesystem::path& target, int* error_number);

    // Removes the temporary now.
    void abandon();

private:
    bool place(const std::filesystem::path& target, bool replace, int* error_number);
    PendingFile(std::filesystem::path temporary, int fd) : temporary_(std::move(temporary)), fd_(fd) {}

    std::filesystem::path temporary_;
    int fd_;
    bool placed_ = false;
};

}  // namespace lumo
