#include <algorithm>
#include <utility>

#include "widgets/modal_popup.h"
#include "widgets/alert_view.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kMaxWidth = 280.0f;  // points; phones keep alerts narrow
constexpr float kScreenMargin = 24.0f;  // least room left on each side
constexpr float kDetailScale = 0.85f;  // the detail line is secondary to the message
constexpr int kOwnButton = 0;  // the focus key of the closing button; actions count from 1

}  // namespace

AlertView::AlertView(std::string title, std::string message, std::string cancel_button_title)
    : title_(std::move(title)),
      message_(std::move(message)),
      button_(std::move(cancel_button_title)),
      id_(modal::next_widget_id()) {}

AlertView::~AlertView() { modal::close(popup_id_, &opened_); }

void AlertView::show() {
    visible_ = true;
    focus_.focus(kOwnButton);
}

void AlertView::addAction(std::string title, std::function<void()> pressed) {
    actions_.push_back({std::move(title), std::move(pressed), {}, {}, false});
}

bool AlertView::actionRect(int index, ImVec2* min, ImVec2* max) const {
    if (index < 0 || index >= static_cast<int>(actions_.size()) || !visible_ || !actions_[index].drawn) return false;
    *min = actions_[index].min;
    *max = actions_[index].max;
    return true;
}

void AlertView::draw() {
    if (!visible_) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float width =
        std::max(1.0f, std::min(tap::points(kMaxWidth), viewport->WorkSize.x - 2.0f * tap::points(kScreenMargin)));
    ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("alert", id_), modal::kPopupFlags, &popup_id_, &opened_)) return;

    if (!title_.empty()) tap::centred_text(title_);
    if (!message_.empty()) tap::centred_text(message_);
    if (!detail_.empty()) {
        ImGui::SetWindowFontScale(kDetailScale);
        tap::centred_text(detail_, ImGuiCol_TextDisabled);
        ImGui::SetWindowFontScale(1.0f);
    }
    ImGui::Spacing();
    int chosen = -1;
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        Action& action = actions_[i];
        const int key = static_cast<int>(i) + 1;
        tap::set_next_focused(focus_.control(key));
        if (tap::button(key, action.title, ImVec2(ImGui::GetContentRegionAvail().x, tap::height()))) chosen = key;
        action.min = ImGui::GetItemRectMin(), action.max = ImGui::GetItemRectMax();
        action.drawn = true;
    }
    tap::set_next_focused(focus_.control(kOwnButton));
    if (tap::button(0, button_, ImVec2(ImGui::GetContentRegionAvail().x, tap::height()))) chosen = kOwnButton;
    // The ring starts on the closing button, so Enter closes as before.
    const int entered = focus_.end_frame(KeyFocus::tab | KeyFocus::arrows | KeyFocus::enter);
    if (chosen < 0) chosen = entered;
    if (chosen < 0 && tap::key_pressed(ImGuiKey_Escape)) chosen = kOwnButton;
    ImGui::EndPopup();
    if (chosen == kOwnButton) dismiss();
    else if (chosen > 0 && actions_[static_cast<std::size_t>(chosen - 1)].pressed)
        actions_[static_cast<std::size_t>(chosen - 1)].pressed();  // last: it may replace this alert
}

void AlertView::dismiss() {
    visible_ = false;
    for (Action& action : actions_) action.drawn = false;
    modal::close(popup_id_, &opened_);
}

}  // namespace lumo
