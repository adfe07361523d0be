#pragma once
// "Show in folder": the desktop's file manager opens the file's folder with
// the file selected, asked over D-Bus (org.freedesktop.FileManager1.ShowItems,
// which GNOME Files, Dolphin, Nemo, Caja and others answer); where nothing
// answers, xdg-open opens the folder. On a thread of its own: the D-Bus call
// may wait for a file manager to start, and a frame never waits.

#include <filesystem>
#include <future>

namespace lumo {

enum class FolderShownBy {
    file_manager,  // ShowItems was answered
    xdg_open,  // xdg-open ran and said it opened the folder
    nothing,  // neither worked
};

// Starts at once; the future tells how it went (the program does not wait for it).
std::future<FolderShownBy> show_in_folder(const std::filesystem::path& file);

}  // namespace lumo
