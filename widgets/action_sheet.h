#pragma once
// An action sheet: a title and a column of buttons. Escape presses the last button.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render();
// answers reach a delegate on the same thread, from inside draw(). While one
// is shown nothing under it can be clicked; two shown at once take turns.

#include <imgui.h>

#include <string>
#include <vector>

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

private:
    std::string title_;
    ActionSheetDelegate* delegate_;
    std::vector<std::string> buttons_;
    bool visible_ = false;
    bool opened_ = false;  // the ImGui popup has been opened
    int id_;  // unique per sheet, keeps ImGui ids apart
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
