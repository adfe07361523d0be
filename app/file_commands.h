#pragma once
// Open (Ctrl+O) and Save As (Ctrl+Shift+S) in the desktop's own dialogs,
// and lumo's own screens where the desktop has none: the picture browser,
// listing shape files too, for Open, and a name field for Save As. The
// dialogs' answers are taken between frames (poll()); the program goes on
// meanwhile.

#include <filesystem>
#include <functional>
#include <string>

namespace lumo {

class ControlPanel;
class lumoAppDelegate;
class lumo_view_controller;

class FileCommands {
public:
    using Opener = std::function<bool(const std::filesystem::path&)>;
    // desktop_dialogs: whether to ask the desktop at all (headless runs do
    // not, unless a test asks for it); open_file opens what Open chose.
    FileCommands(lumoAppDelegate* delegate, lumo_view_controller* controller, ControlPanel* panel,
                 std::filesystem::path documents, Opener open_file, bool desktop_dialogs);

    void open();
    void save_as();
    // Between frames: the desktop dialog's answer, once it has come.
    void poll();
    // Whether a desktop dialog is open and its answer awaited.
    bool waiting() const { return asked_ != Asked::nothing; }

private:
    enum class Asked { nothing, open, save_as };
    void fall_back(Asked asked);
    void ask_for_name();
    void save_named(const std::string& typed);

    lumoAppDelegate* delegate_;
    lumo_view_controller* controller_;
    ControlPanel* panel_;
    std::filesystem::path documents_;
    Opener open_file_;
    bool desktop_dialogs_;
    Asked asked_ = Asked::nothing;
};

}  // namespace lumo
