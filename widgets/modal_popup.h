#pragma once
// The ImGui modal popup behind each widget. Opened when the widget is shown,
// closed from anywhere when it is dismissed, so that a dismissed widget never
// keeps blocking input even if its draw() is no longer called.

#include <imgui.h>

namespace lumo::modal {

// A number no other widget of this process has, for ImGui ids.
int next_widget_id();

// "##lumo_<kind>_<id>": hidden, unique window name of a widget's popup.
struct PopupName {
    PopupName(const char* kind, int id);
    char text[48];
};

// Opens the popup unless another popup is open at this level, in which case
// it waits its turn: two widgets shown at once take turns instead of closing
// each other. *popup_id receives ImGui's id of the popup, *opened becomes
// true once ImGui has been asked to open it. True when its window is begun:
// draw it, then ImGui::EndPopup().
bool begin(const PopupName& name, ImGuiWindowFlags flags, ImGuiID* popup_id, bool* opened);

// Takes the popup off ImGui's stack if *opened, and clears *opened. Call
// outside the popup's own window, inside a frame or between frames; does
// nothing to ImGui without a current context.
void close(ImGuiID popup_id, bool* opened);

// Flags of every widget's popup: placed and sized by the widget alone.
inline constexpr ImGuiWindowFlags kPopupFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                                ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                                ImGuiWindowFlags_NoSavedSettings;

// Begins a full-screen widget's popup over the main viewport's work area (the
// ImGui layer makes it the picture's 2:3 rectangle), opaque, square-cornered
// and without a scroll bar of its own (its lists scroll inside).
bool begin_full_screen(const PopupName& name, ImGuiID* popup_id, bool* opened);

}  // namespace lumo::modal
