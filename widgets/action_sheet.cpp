#include <utility>

#include "widgets/modal_popup.h"
#include "widgets/action_sheet.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kScreenMargin = 8.0f;  // points between the panel and the screen's edges

}  // namespace

ActionSheet::ActionSheet(std::string title, ActionSheetDelegate* delegate, std::vector<std::string> buttons)
    : title_(std::move(title)), delegate_(delegate), buttons_(std::move(buttons)), id_(modal::next_widget_id()) {}

ActionSheet::~ActionSheet() { modal::close(popup_id_, &opened_); }

void ActionSheet::showInView() { visible_ = true; }

void ActionSheet::draw() {
    if (!visible_) return;
    // A panel across the bottom of the screen, as tall as its content.
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f,
                                   viewport->WorkPos.y + viewport->WorkSize.y - tap::points(kScreenMargin)),
                            ImGuiCond_Always, ImVec2(0.5f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(viewport->WorkSize.x - 2.0f * tap::points(kScreenMargin), 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("sheet", id_), modal::kPopupFlags, &popup_id_, &opened_)) return;

    if (!title_.empty()) {
        tap::centred_text(title_, ImGuiCol_TextDisabled);
        ImGui::Spacing();
    }
    const int count = static_cast<int>(buttons_.size());
    const float width = ImGui::GetContentRegionAvail().x;
    int pressed = -1;
    for (int i = 0; i < count; ++i) {
        if (tap::button(i, buttons_[i], ImVec2(width, tap::height()))) pressed = i;
    }
    if (pressed < 0 && count > 0 && tap::key_pressed(ImGuiKey_Escape)) pressed = count - 1;
    ImGui::EndPopup();
    // Last: the delegate may discard this sheet.
    if (pressed >= 0) pressButton(pressed);
}

void ActionSheet::pressButton(int index) {
    if (!visible_ || index < 0 || index >= static_cast<int>(buttons_.size())) return;
    visible_ = false;
    modal::close(popup_id_, &opened_);
    if (delegate_ != nullptr) delegate_->actionSheet_clickedButtonAtIndex(this, index);
}

}  // namespace lumo
