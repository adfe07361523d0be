#pragma once
// An action sheet: a title and a column of buttons. The keyboard moves a
// ring among them (the arrows, Tab, Home and End) and Enter presses the one
// it is on; Escape presses the last button. A run of buttons may form a
// section of its own under a heading (the Load menu's recent files), which
// scrolls where the sheet would not fit the screen.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render();
// answers reach a delegate on the same thread, from inside draw(). While one
// is shown nothing under it can be clicked; two shown at once take turns.

#include <imgui.h>

#include <string>
#include <vector>

#include "widgets/key_focus.h"

namespace lumo {

class ActionSheet;
class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    // index: the pressed button, 0 for the first. The sheet has closed by then.
    virtual void actionSheet_clickedButtonAtIndex(ActionSheet* sheet, int index) = 0;
};

class ActionSheet {
public:
    ActionSheet(std::string title, ActionSheetDelegate* delegate, std::vector<std::string> buttons);
    ~ActionSheet();
    ActionSheet(const ActionSheet&) = delete;
    ActionSheet& operator=(const ActionSheet&) = delete;
    const std::string& title() const { return title_; }
    const std::vector<std::string>& buttons() const { return buttons_; }
    void showInView();  // opens it; it stays open until a button is pressed
    bool isVisible() const { return visible_; }
    void draw();  // modal popup titled by the sheet, one full-width button each
    // Presses a button as a click would (for keyboard shortcuts and tests).
    void pressButton(int index);
    // Buttons [first, first + count) are drawn as rows of a section under
    // `heading`, scrolled where the sheet would not fit the screen. Rows
    // show a caption on two lines where one is too narrow; "\n" starts the
    // second (a file's folder under its name).
    void setSection(int first, int count, std::string heading);

private:
    std::string title_;
    ActionSheetDelegate* delegate_;
    std::vector<std::string> buttons_;
    int section_first_ = 0, section_count_ = 0;
    std::string section_heading_;
    KeyFocus focus_;
    bool scroll_to_focus_ = false;  // the keyboard moved the ring: keep it in sight
    bool visible_ = false;
    bool opened_ = false;  // the ImGui popup has been opened
    int id_;  // unique per sheet, keeps ImGui ids apart
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
