#pragma once
// The user's file manager opened on a file, the desktop's way: the
// org.freedesktop.FileManager1 service on the session bus (Nautilus, Dolphin,
// Nemo and others show the folder with the file selected), else xdg-open on
// the file's folder. Done on a thread of its own, so that a slow or absent
// file manager never holds a frame; what goes wrong is only logged.

#include <filesystem>
#include <functional>
#include <string>

namespace lumo {

// Starts it and returns at once. `done`, if given, is called on that thread
// with how it went ("FileManager1", "xdg-open", or why neither worked).
void show_in_folder(const std::filesystem::path& file, std::function<void(const std::string& how)> done = {});

}  // namespace lumo
