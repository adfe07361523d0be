#include <algorithm>
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

void ActionSheet::showInView() {
    visible_ = true;
    focus_.reset();
}

void ActionSheet::setSection(int first, int count, std::string heading) {
    const int size = static_cast<int>(buttons_.size());
    section_first_ = std::clamp(first, 0, size);
    section_count_ = std::clamp(count, 0, size - section_first_);
    section_heading_ = std::move(heading);
}

void ActionSheet::draw() {
    if (!visible_) return;
    // A panel across the bottom of the screen, as tall as its content.
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float margin = tap::points(kScreenMargin);
    ImGui::SetNextWindowPos(
        ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f, viewport->WorkPos.y + viewport->WorkSize.y - margin),
        ImGuiCond_Always, ImVec2(0.5f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(viewport->WorkSize.x - 2.0f * margin, 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("sheet", id_), modal::kPopupFlags, &popup_id_, &opened_)) return;

    const ImGuiStyle& style = ImGui::GetStyle();
    const float width = ImGui::GetContentRegionAvail().x, tap = tap::height(), step = tap + style.ItemSpacing.y;
    if (!title_.empty()) {
        tap::centred_text(title_, ImGuiCol_TextDisabled);
        ImGui::Spacing();
    }
    const int count = static_cast<int>(buttons_.size());
    int pressed = -1;
    const auto draw_button = [&](int i) {
        tap::set_next_focused(focus_.control(i));
        if (tap::button(i, buttons_[i], ImVec2(width, tap))) pressed = i;
    };
    for (int i = 0; i < section_first_; ++i) draw_button(i);
    if (section_count_ > 0) {
        if (!section_heading_.empty()) tap::wrapped_text(section_heading_, ImGuiCol_TextDisabled);
        // What the rest of the sheet leaves of the screen, for the section.
        const int after = count - section_first_ - section_count_;
        const float room = viewport->WorkSize.y - 2.0f * margin -
                           (ImGui::GetCursorScreenPos().y - ImGui::GetWindowPos().y) -
                           static_cast<float>(after) * step - style.WindowPadding.y - style.ItemSpacing.y;
        const float whole = static_cast<float>(section_count_) * step - style.ItemSpacing.y;
        ImGui::BeginChild("##section", ImVec2(width, std::clamp(room, tap, whole)), false);
        for (int i = section_first_; i < section_first_ + section_count_; ++i) {
            const bool focused = focus_.control(i);
            tap::set_next_focused(focused);
            if (tap::row(i, buttons_[i], false, tap, nullptr, nullptr, width)) pressed = i;
            if (focused && scroll_to_focus_) {
                const float top = ImGui::GetItemRectMin().y, bottom = ImGui::GetItemRectMax().y;
                const ImVec2 sight_min = ImGui::GetWindowPos();
                const float sight_max = sight_min.y + ImGui::GetWindowHeight();
                if (top < sight_min.y) ImGui::SetScrollHereY(0.0f);
                else if (bottom > sight_max) ImGui::SetScrollHereY(1.0f);
            }
        }
        ImGui::EndChild();
    }
    for (int i = section_first_ + section_count_; i < count; ++i) draw_button(i);
    const int before = focus_.focused();
    const int entered = focus_.end_frame();
    scroll_to_focus_ = focus_.focused() != before;
    if (pressed < 0) pressed = entered;
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
