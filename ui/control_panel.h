#pragma once
// The control panel over the bottom of the surface (save, initialize, load,
// the edit switch and the fix button, undo, redo and record, and where the
// tilt comes from), the recording dot over the view, and the modal screens
// over everything: drawn with Dear ImGui after the surface each time the
// window is composed.

#include <array>
#include <filesystem>
#include <functional>

#include <imgui.h>
#include <memory>
#include <string>

#include "platform/compositor.h"
#include "tilt/tilt_source.h"
#include "ui/panel_layout.h"
#include "widgets/alert_view.h"
#include "widgets/key_help.h"
#include "widgets/name_field.h"
#include "widgets/ui_controls.h"

namespace lumo {

class ClipRecording;
class GLWindow;
class ImGuiLayer;
struct ClipResult;
class RunLoop;
class TiltSelector;
class lumoAppDelegate;
class lumo_view_controller;

struct PanelRect {
    float x = 0, y = 0, width = 0, height = 0;  // window points
    bool contains(float px, float py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

class ControlPanel : public Overlay {
public:
    ControlPanel(ImGuiLayer* imgui, GLWindow* window, RunLoop* run_loop, lumoAppDelegate* delegate,
                 lumo_view_controller* controller, UIView* panel, UISwitch* edit_switch, UIButton* fix_button,
                 TiltSelector* tilt);

    void draw_overlay() override;
    // Places the picture and the panel for the window's present size (at
    // start and whenever the window changes).
    void lay_out();
    const InterfaceLayout& layout() const { return layout_; }
    // Whether a press at this window point belongs to the interface rather than the surface.
    bool captures(float window_x, float window_y) const;
    bool modal_open() const;
    // Makes way for a file the user dropped: the menu, list or picker on
    // screen closes as its Cancel would, and so do the key list and the
    // save's alert. A "Cannot open" notice stays: a drop of several files
    // adds a line to it for each that cannot be opened.
    void make_way_for_drop();
    // A short message over everything, with an OK button.
    void show_notice(const std::string& title, const std::string& message);
    // A file dropped or named on the command line that cannot be opened: one
    // notice says why, a line per file while it stays open.
    void report_cannot_open(const std::string& why);
    AlertView* notice() const { return notice_.get(); }
    // The clip being recorded: the Record control, and the dot and seconds over the view.
    void set_recording(ClipRecording* recording) { recording_ = recording; }
    // What became of a clip: where its files went and "Show in folder", or
    // the page's "Share" for each, or why it was not saved.
    void show_clip_notice(const ClipResult& result);
    // The list of keys and gestures (F1 or ?), over everything like a notice.
    // Showing it is a use of the hint.
    void show_key_help();
    KeyHelp& key_help() { return key_help_; }
    // The Save As dialog's name field, where the desktop has no dialog of its own.
    NameField& name_field() { return name_field_; }

    // The hint under the rows ("F1: keys · tap the middle to hide the
    // panel"), shown until it has been used once: F1 pressed, or the panel
    // hidden by a tap. Whether it was is kept in the state folder (none:
    // shown every run).
    void set_state_folder(std::filesystem::path state_folder);
    bool hint_pending() const { return hint_pending_; }
    void hint_used();
    static const char* hint_text();

    // Where the named control was drawn last time (empty when it was not drawn).
    enum Control { save, initialize, load, edit, fix, lines, undo, redo, record, keys, kControlCount };
    PanelRect rect_of(Control control) const { return rects_[control]; }
    PanelRect panel_rect() const { return panel_rect_; }

private:
    void draw_panel();
    void draw_tools_row(ImVec2 cell, const std::function<void(int column)>& place);
    void draw_tilt_row(ImVec2 at, float width, float height);
    void draw_hint(ImVec2 at, float width, float height);
    void draw_record_control(ImVec2 size);
    void draw_recording_dot();
    void place_share_controls();
    void notice_tilt_refusal();
    void remember(Control control);

    ImGuiLayer* imgui_;
    GLWindow* window_;
    RunLoop* run_loop_;
    lumoAppDelegate* delegate_;
    lumo_view_controller* controller_;
    UIView* panel_;
    UISwitch* edit_switch_;
    UIButton* fix_button_;
    TiltSelector* tilt_;
    ClipRecording* recording_ = nullptr;
    std::unique_ptr<AlertView> notice_;
    int share_controls_ = 0;  // the notice's clip files the page is told about
    KeyHelp key_help_;
    NameField name_field_{"Save As", "A shape file in lumo's documents folder, or a path", "Save"};
    std::filesystem::path state_folder_;
    bool hint_pending_ = false;
    PanelRect panel_rect_;
    InterfaceLayout layout_;
    bool permission_control_shown_ = false;  // the tilt sensor knows where "Enable tilt" is
    SensorAccess last_sensor_access_ = SensorAccess::open;
    std::array<PanelRect, kControlCount> rects_{};
};

}  // namespace lumo
