#pragma once
// An alert: title, message, an optional smaller line under them (where a
// file went, or why it did not), its button and any others (Show in Folder,
// Delete for Good). The keyboard's ring starts on the alert's own button;
// the arrows and Tab move it, Enter presses the button it is on, Escape the
// alert's own. Modal screens over the surface are drawn with Dear ImGui by
// draw(), called once per interface frame between ImGui::NewFrame() and
// ImGui::Render(); answers reach a delegate on the same thread, from inside
// draw(). While one is shown nothing under it can be clicked; two shown at
// once take turns.

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
    // Another button, before the alert's own; pressing it closes the alert,
    // then runs `action`.
    void addButton(std::string caption, std::function<void()> action);
    void draw();
    void dismiss();  // as pressing its own button

private:
    struct Button {
        std::string caption;
        std::function<void()> action;
    };
    std::string title_, message_, button_, detail_;
    std::vector<Button> others_;
    KeyFocus focus_;
    bool visible_ = false;
    bool opened_ = false;
    int id_;
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
