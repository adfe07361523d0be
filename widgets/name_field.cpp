#include "widgets/name_field.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "widgets/modal_popup.h"
#include "widgets/tap_controls.h"
#include "widgets/widget_probe.h"

namespace lumo {
namespace {

constexpr float kMaxWidth = 320.0f;  // points
constexpr float kScreenMargin = 16.0f;  // least room left on each side
constexpr const char* kCancelCaption = "Cancel";
const ImVec4 kProblemColour(1.0f, 0.45f, 0.35f, 1.0f);
// The keyboard's names for the dialog's parts (widgets/key_focus.h).
constexpr int kFieldKey = 0, kCancelKey = 1, kConfirmKey = 2;

}  // namespace

NameField::NameField(std::string title, std::string message, std::string confirm_caption)
    : title_(std::move(title)),
      message_(std::move(message)),
      confirm_caption_(std::move(confirm_caption)),
      id_(modal::next_widget_id()) {}

NameField::~NameField() { modal::close(popup_id_, &opened_); }

void NameField::setActions(std::function<void(const std::string& name)> confirm, std::function<void()> cancel) {
    on_confirm_ = std::move(confirm);
    on_cancel_ = std::move(cancel);
}

void NameField::show(const std::string& text) {
    text_.fill('\0');
    std::memcpy(text_.data(), text.data(), std::min(text.size(), text_.size() - 1));
    problem_.clear();
    visible_ = true;
    focus_.focus(kFieldKey);
    focus_field_ = true;
}

void NameField::dismiss() {
    visible_ = false;
    modal::close(popup_id_, &opened_);
}

void NameField::confirm() {
    if (!visible_) return;
    // The owner dismisses it, or leaves it open with the problem shown.
    if (on_confirm_) on_confirm_(text());
}

void NameField::cancel() {
    if (!visible_) return;
    dismiss();
    if (on_cancel_) on_cancel_();
}

void NameField::draw() {
    if (!visible_) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float width =
        std::max(1.0f, std::min(tap::points(kMaxWidth), viewport->WorkSize.x - 2.0f * tap::points(kScreenMargin)));
    // In the upper half, where an on-screen keyboard leaves it in sight.
    ImGui::SetNextWindowPos(
        ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f, viewport->WorkPos.y + viewport->WorkSize.y * 0.3f),
        ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("name", id_), modal::kPopupFlags, &popup_id_, &opened_)) return;

    tap::centred_text(title_);
    if (!message_.empty()) tap::centred_text(message_, ImGuiCol_TextDisabled);
    ImGui::Spacing();

    // The field, a fingertip tall; Tab is the dialog's, not the field's.
    const float room = ImGui::GetContentRegionAvail().x;
    const bool field_focused = focus_.control(kFieldKey);
    // Asked again until the field has the keyboard: a popup's first frame,
    // drawn hidden to find its size, may drop the request.
    if (field_focused && focus_field_) ImGui::SetKeyboardFocusHere();
    const float padding_y = std::max(ImGui::GetStyle().FramePadding.y, (tap::height() - ImGui::GetFontSize()) * 0.5f);
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(ImGui::GetStyle().FramePadding.x, padding_y));
    ImGui::PushAllowKeyboardFocus(false);
    ImGui::SetNextItemWidth(room);
    const ImGuiInputTextFlags flags = ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AutoSelectAll;
    bool confirmed = ImGui::InputText("##name", text_.data(), text_.size(), flags);
    ImGui::PopAllowKeyboardFocus();
    ImGui::PopStyleVar();
    const ImVec2 field_min = ImGui::GetItemRectMin(), field_max = ImGui::GetItemRectMax();
    const bool field_active = ImGui::IsItemActive();
    if (field_active) focus_field_ = false;
    // A click in the field puts the ring there too.
    if (ImGui::IsItemActivated()) focus_.focus(kFieldKey);
    reportProbedItem(ProbedItem::control, text(), field_min, field_max, true, field_focused);
    if (!problem_.empty()) tap::wrapped_text(problem_, kProblemColour);
    ImGui::Spacing();

    const float gap = ImGui::GetStyle().ItemSpacing.x, half = (room - gap) * 0.5f;
    tap::set_next_focused(focus_.control(kCancelKey));
    bool cancelled = tap::button(0, kCancelCaption, ImVec2(half, tap::height()));
    ImGui::SameLine();
    tap::set_next_focused(focus_.control(kConfirmKey));
    confirmed = tap::button(1, confirm_caption_, ImVec2(half, tap::height())) || confirmed;

    // In the field Enter confirms (the field says so itself) and the arrows,
    // Home and End edit; on the buttons they move the ring.
    const int before = focus_.focused();
    const int pressed = focus_.end_frame(before == kFieldKey ? KeyFocus::tab : KeyFocus::all);
    if (pressed == kCancelKey) cancelled = true;
    else if (pressed == kConfirmKey) confirmed = true;
    if (focus_.focused() != before) {
        if (focus_.focused() == kFieldKey) focus_field_ = true;
        else if (field_active) ImGui::ClearActiveID();  // typing stops going into the field
    }
    cancelled = cancelled || tap::key_pressed(ImGuiKey_Escape);
    ImGui::EndPopup();
    // Last: the owner may dismiss or replace this dialog.
    if (cancelled) cancel();
    else if (confirmed) confirm();
}

}  // namespace lumo
