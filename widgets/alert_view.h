#pragma once
// An alert: title, message, an optional smaller line under them (where a
// file went, or why it did not), optional actions (each a button of its own
// above the last, which does not close the alert), and one button that
// closes it. The keyboard's ring starts on that one: the arrows and Tab
// move it, Enter presses the button it is on, Escape the closing one.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render();
// answers reach a delegate on the same thread, from inside draw(). While one
// is shown nothing under it can be clicked; two shown at once take turns.

#include <imgui.h>

#include <functional>
#include <string>
#include <vector>

#include "widgets/key_focus.h"

namespace lumo {

class AlertView {
public:
    AlertView(std::string title, std::string message, std::string cancel_button_title);
    ~AlertView();
    AlertView(const AlertView&) = delete;
    AlertView& operator=(const AlertView&) = delete;
    void show();
    bool isVisible() const { return visible_; }
    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    void setDetail(std::string detail) { detail_ = std::move(detail); }
    const std::string& detail() const { return detail_; }
    // A button above the closing one; `pressed` runs when it is pressed.
    void addAction(std::string title, std::function<void()> pressed);
    // Where action `index` was drawn last, window points (min and max corners);
    // false when it was not drawn.
    bool actionRect(int index, ImVec2* min, ImVec2* max) const;
    void draw();
    void dismiss();  // as pressing its button

private:
    struct Action {
        std::string title;
        std::function<void()> pressed;
        ImVec2 min, max;
        bool drawn = false;
    };
    std::string title_, message_, button_, detail_;
    std::vector<Action> actions_;
    KeyFocus focus_;
    bool visible_ = false;
    bool opened_ = false;
    int id_;
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
