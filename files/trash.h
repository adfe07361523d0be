#pragma once
// Moving a file to the user's trash the freedesktop.org way, so that the
// file manager lists it and can put it back: the home trash
// ($XDG_DATA_HOME/Trash) for files on the home trash's file system, the
// trash at the top of another file system ($topdir/.Trash/$uid or
// $topdir/.Trash-$uid) for the others, where one can be used safely.

#include <filesystem>
#include <string>

namespace lumo {

struct TrashResult {
    enum class Kind {
        trashed,  // the file is in a trash; trashed_as says where
        no_trash,  // no trash can take it (its file system has none we may use): nothing changed
        failed,  // it could not be moved: nothing changed, message says why
    };
    Kind kind = Kind::failed;
    std::filesystem::path trashed_as;  // trashed: <trash>/files/<name>
    std::string message;  // no_trash and failed: why, in plain words
};

// $XDG_DATA_HOME/Trash (when absolute), else <user home>/.local/share/Trash.
std::filesystem::path home_trash_folder();

// Moves file (a file, folder or link; a link is moved, not what it points
// to) into a trash under a name unique there, with its .trashinfo record
// (where it was, and when it was deleted). The move is a rename: the file is
// either in the trash with its record, or where it was without one.
TrashResult move_to_trash(const std::filesystem::path& file);
// The same with the home trash given (tests; the default is home_trash_folder()).
TrashResult move_to_trash(const std::filesystem::path& file, const std::filesystem::path& home_trash);

}  // namespace lumo
