#include <algorithm>
#include <string_view>
#include <utility>

#include "widgets/modal_popup.h"
#include "widgets/table_view.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kMinButtonWidth = 72.0f;  // points
constexpr float kScrollbarWidth = 16.0f;  // points: wide enough to drag with a finger
constexpr const char* kEditCaption = "Edit";
constexpr const char* kDoneCaption = "Done";
constexpr const char* kDeleteCaption = "Delete";
constexpr const char* kConfirmCaption = "Yes, delete";
constexpr const char* kKeepCaption = "Keep";
// The keyboard's names for the controls (widgets/key_focus.h); a row's
// actions are 2000 + 8 x row + action, as their ImGui ids.
constexpr int kRowsKey = 0;
constexpr int kCancelKey = 1;
constexpr int kEditKey = 2;
constexpr int kKeepKey = 3;
constexpr int kConfirmKey = 4;
constexpr int kStatusActionKey = 5;
constexpr int kListActionKeys = 10;
constexpr int kDeleteKeys = 1'000'000;

}  // namespace

TableView::TableView(std::string title, std::string cancel_caption, std::string empty_text)
    : title_(std::move(title)),
      cancel_caption_(std::move(cancel_caption)),
      empty_text_(std::move(empty_text)),
      id_(modal::next_widget_id()) {}

TableView::~TableView() { modal::close(popup_id_, &opened_); }

void TableView::reloadData() {
    rows_.clear();
    confirm_row_ = -1;
    if (source_ == nullptr || source_->numberOfSectionsInTableView(this) < 1) return;
    const int count = std::max(0, source_->tableView_numberOfRowsInSection(this, 0));
    rows_.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) rows_.push_back(source_->tableView_cellForRowAtIndexPath(this, 0, row));
}

void TableView::present() {
    if (visible_) return;
    if (source_ != nullptr) reloadData();
    visible_ = true;
    scroll_to_top_ = true;
    focus_row_ = 0;
    focus_.focus(kRowsKey);
}

void TableView::dismiss() {
    visible_ = false;
    editing_ = false;
    confirm_row_ = -1;
    status_.clear();
    status_action_.clear();
    modal::close(popup_id_, &opened_);
}

void TableView::draw() {
    if (!visible_) return;
    if (!modal::begin_full_screen(modal::PopupName("table", id_), &popup_id_, &opened_)) return;

    // The bar: the cancel control at the left, Edit at the right, the title
    // centred between them, or on a line of its own above them where it
    // would be cut between them.
    const ImGuiStyle& style = ImGui::GetStyle();
    const float width = ImGui::GetContentRegionAvail().x;
    const float gap = style.ItemSpacing.x, spacing = style.ItemSpacing.y, tap = tap::height();
    const bool can_edit = source_ != nullptr && source_->tableView_canEditRows(this) && !rows_.empty();
    float widest = tap::caption_width(cancel_caption_);
    if (can_edit) widest = std::max({widest, tap::caption_width(kEditCaption), tap::caption_width(kDoneCaption)});
    const float bar_button_width = std::min(width * 0.4f, std::max(tap::points(kMinButtonWidth), widest));
    const float title_room = width - 2.0f * (bar_button_width + gap);
    if (ImGui::CalcTextSize(title_.c_str()).x > title_room) {
        const ImVec2 at = ImGui::GetCursorScreenPos();
        tap::bar_title(title_, at, ImVec2(at.x + width, at.y + ImGui::GetFrameHeight()));
        ImGui::Dummy(ImVec2(width, ImGui::GetFrameHeight()));
    }
    const bool confirming = confirm_row_ >= 0 && confirm_row_ < rowCount();
    // While a deletion waits for its answer, only the answers take the ring.
    const auto focusable = [&](int key) { return !confirming && focus_.control(key); };
    const ImVec2 bar_min = ImGui::GetCursorScreenPos();
    tap::set_next_focused(focusable(kCancelKey));
    bool cancel = tap::button(0, cancel_caption_, ImVec2(bar_button_width, tap));
    bool edit = false;
    if (can_edit) {
        ImGui::SameLine(bar_min.x - ImGui::GetWindowPos().x + width - bar_button_width);
        tap::set_next_focused(focusable(kEditKey));
        edit = tap::button(1, editing_ ? kDoneCaption : kEditCaption, ImVec2(bar_button_width, tap));
    }
    if (ImGui::CalcTextSize(title_.c_str()).x <= title_room)
        tap::bar_title(title_, ImVec2(bar_min.x + bar_button_width + gap, bar_min.y),
                       ImVec2(bar_min.x + width - bar_button_width - gap, bar_min.y + tap));
    ImGui::Separator();

    int selected = -1, delete_asked = -1, action_row = -1, action = -1;
    bool confirmed = false, kept = false;
    // Under the rows: the confirmation, the list's controls and the status,
    // each as tall as its text wraps to (a separator takes only spacing).
    const std::string question = !confirming         ? ""
                                 : question_.empty() ? "Delete " + rows_[static_cast<std::size_t>(confirm_row_)] + "?"
                                                     : question_;
    const std::string confirm_caption = confirm_caption_.empty() ? std::string(kConfirmCaption) : confirm_caption_;
    float footer = 0.0f;
    if (confirming) footer += spacing + tap::wrapped_height(question, width) + spacing + tap + spacing;
    if (!list_actions_.empty()) footer += spacing + tap + spacing;
    if (!status_.empty()) footer += tap::wrapped_height(status_, width) + spacing;
    if (!status_action_.empty()) footer += tap + spacing;
    ImGui::PushStyleVar(ImGuiStyleVar_ScrollbarSize, tap::points(kScrollbarWidth));
    ImGui::BeginChild("##rows", ImVec2(0.0f, -footer), false);
    ImGui::PopStyleVar();
    if (scroll_to_top_) {
        ImGui::SetScrollY(0.0f);
        scroll_to_top_ = false;
    }
    const bool rows_focused = !rows_.empty() && focusable(kRowsKey);
    if (!rows_.empty()) focus_row_ = std::clamp(focus_row_, 0, rowCount() - 1);
    if (rows_.empty()) {
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + ImGui::GetContentRegionAvail().y * 0.3f);
        tap::centred_text(empty_text_, ImGuiCol_TextDisabled);
    } else {
        // While editing, each row's controls go at its right where every
        // row's text still shows whole beside them, else on a line of their
        // own under it.
        const auto button_width = [](std::string_view caption) {
            return std::max(tap::points(kMinButtonWidth), tap::caption_width(caption));
        };
        float actions_width = button_width(kDeleteCaption);
        for (const std::string& caption : row_actions_) actions_width += button_width(caption) + gap;
        const float list_width = ImGui::GetContentRegionAvail().x;
        bool beside = editing_;
        for (std::size_t row = 0; beside && row < rows_.size(); ++row)
            beside = tap::row_fits(rows_[row], list_width - actions_width - gap, tap, source_ != nullptr);
        const float row_width = beside ? list_width - actions_width - gap : 0.0f;
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(rows_.size()));
        if (scroll_to_focus_row_) clipper.ForceDisplayRangeByIndices(focus_row_, focus_row_ + 1);
        while (clipper.Step()) {
            for (int row = clipper.DisplayStart; row < clipper.DisplayEnd; ++row) {
                const ImTextureID image =
                    source_ != nullptr ? source_->tableView_imageForRowAtIndexPath(this, 0, row) : nullptr;
                tap::set_next_focused(rows_focused && row == focus_row_);
                if (tap::row(row, rows_[static_cast<std::size_t>(row)], row == confirm_row_, tap, nullptr, image,
                             row_width) &&
                    !editing_)
                    selected = row;
                if (scroll_to_focus_row_ && row == focus_row_) {
                    const float top = ImGui::GetItemRectMin().y, bottom = ImGui::GetItemRectMax().y;
                    const float sight_top = ImGui::GetWindowPos().y,
                                sight_bottom = sight_top + ImGui::GetWindowHeight();
                    if (top < sight_top) ImGui::SetScrollHereY(0.0f);
                    else if (bottom > sight_bottom) ImGui::SetScrollHereY(1.0f);
                }
                if (!editing_) continue;
                if (beside) ImGui::SameLine();
                else ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::max(0.0f, list_width - actions_width));
                for (std::size_t a = 0; a < row_actions_.size(); ++a) {
                    const std::string& caption = row_actions_[a];
                    const int key = 2000 + row * 8 + static_cast<int>(a);
                    tap::set_next_focused(focusable(key));
                    if (tap::button(key, caption, ImVec2(button_width(caption), tap))) {
                        action = static_cast<int>(a);
                        action_row = row;
                    }
                    ImGui::SameLine();
                }
                tap::set_next_focused(focusable(kDeleteKeys + row));
                if (tap::button(1000 + row, kDeleteCaption, ImVec2(button_width(kDeleteCaption), tap)))
                    delete_asked = row;
                // Tells which row the controls above belong to.
                if (!beside && row + 1 < rowCount()) ImGui::Separator();
            }
        }
    }
    scroll_to_focus_row_ = false;
    ImGui::EndChild();
    if (confirming) {
        ImGui::Separator();
        tap::centred_text(question);
        const float half = (ImGui::GetContentRegionAvail().x - gap) * 0.5f;
        tap::set_next_focused(focus_.control(kKeepKey));
        kept = tap::button(2, kKeepCaption, ImVec2(half, tap));
        ImGui::SameLine();
        tap::set_next_focused(focus_.control(kConfirmKey));
        confirmed = tap::button(3, confirm_caption, ImVec2(half, tap));
    }
    if (!list_actions_.empty()) {
        ImGui::Separator();
        const float count = static_cast<float>(list_actions_.size());
        const float each = (ImGui::GetContentRegionAvail().x - gap * (count - 1.0f)) / count;
        for (std::size_t a = 0; a < list_actions_.size(); ++a) {
            if (a > 0) ImGui::SameLine();
            tap::set_next_focused(focusable(kListActionKeys + static_cast<int>(a)));
            if (tap::button(4 + static_cast<int>(a), list_actions_[a], ImVec2(each, tap))) {
                action = static_cast<int>(a);
                action_row = -1;
            }
        }
    }
    if (!status_.empty()) tap::centred_text(status_, ImGuiCol_TextDisabled);
    bool status_action = false;
    if (!status_action_.empty()) {
        const float action_width = std::max(tap::points(kMinButtonWidth), tap::caption_width(status_action_));
        ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::max(0.0f, (width - action_width) * 0.5f));
        tap::set_next_focused(focusable(kStatusActionKey));
        status_action = tap::button(3000, status_action_, ImVec2(action_width, tap::height()));
    }

    // The keyboard: along the rows while the ring is on them, else along the controls.
    const bool on_rows = rows_focused && focus_.focused() == kRowsKey;
    const int row_before = focus_row_;
    if (on_rows) {
        const int page = std::max(1, static_cast<int>(ImGui::GetContentRegionAvail().y / tap) - 1);
        if (tap::key_pressed(ImGuiKey_DownArrow, true)) focus_row_ += 1;
        else if (tap::key_pressed(ImGuiKey_UpArrow, true)) focus_row_ -= 1;
        else if (tap::key_pressed(ImGuiKey_PageDown, true)) focus_row_ += page;
        else if (tap::key_pressed(ImGuiKey_PageUp, true)) focus_row_ -= page;
        else if (tap::key_pressed(ImGuiKey_Home)) focus_row_ = 0;
        else if (tap::key_pressed(ImGuiKey_End)) focus_row_ = rowCount() - 1;
        else if (tap::key_pressed(ImGuiKey_Delete) && can_edit) delete_asked = focus_row_;
        focus_row_ = std::clamp(focus_row_, 0, rowCount() - 1);
        scroll_to_focus_row_ = focus_row_ != row_before;
    }
    const unsigned moves = on_rows ? KeyFocus::tab | KeyFocus::enter : KeyFocus::all;
    const int entered = focus_.end_frame(moves);
    if (entered == kRowsKey && !editing_) selected = focus_row_;
    else if (entered == kCancelKey) cancel = true;
    else if (entered == kEditKey) edit = true;
    else if (entered == kKeepKey) kept = true;
    else if (entered == kConfirmKey) confirmed = true;
    else if (entered == kStatusActionKey) status_action = true;
    else if (entered >= kDeleteKeys && entered < kDeleteKeys + rowCount()) delete_asked = entered - kDeleteKeys;
    else if (entered >= kListActionKeys && entered < kListActionKeys + static_cast<int>(list_actions_.size())) {
        action = entered - kListActionKeys;
        action_row = -1;
    } else if (entered >= 2000 && entered < 2000 + 8 * rowCount()) {
        action = (entered - 2000) % 8;
        action_row = (entered - 2000) / 8;
    }
    const bool escape = tap::key_pressed(ImGuiKey_Escape);
    // Escape backs out of a confirmation first, then out of the list.
    if (escape && confirm_row_ >= 0) kept = true;
    else cancel = cancel || escape;
    ImGui::EndPopup();
    if (edit) setEditing(!editing_);
    if (delete_asked >= 0) {
        confirm_row_ = delete_asked;
        question_.clear();
        confirm_caption_.clear();
        focus_.focus(kKeepKey);  // the safe answer first
    }
    if (kept) {
        // Back to where the question came from.
        if (confirm_row_ >= 0) focus_row_ = confirm_row_;
        confirm_row_ = -1;
        focus_.focus(kRowsKey);
    }
    if (confirmed) {
        const int row = confirm_row_;
        confirm_row_ = -1;
        focus_.focus(kRowsKey);
        if (delegate_ != nullptr && row >= 0 && row < rowCount())
            delegate_->tableView_commitDeleteRowAtIndexPath(this, 0, row);
        return;
    }
    // Last: the delegate may dismiss or discard the table.
    if (status_action) {
        if (delegate_ != nullptr) delegate_->tableView_didPressStatusAction(this);
    } else if (action >= 0) {
        pressAction(action, action_row);
    } else if (selected >= 0) {
        selectRow(selected);
    } else if (cancel) {
        pressCancel();
    }
}

void TableView::confirmDeletion(int row, std::string question, std::string confirm_caption) {
    if (row < 0 || row >= rowCount()) return;
    confirm_row_ = row;
    question_ = std::move(question);
    confirm_caption_ = std::move(confirm_caption);
    focus_.focus(kKeepKey);
}

int TableView::focusedRow() const { return focus_.focused() == kRowsKey && !rows_.empty() ? focus_row_ : -1; }

void TableView::selectRow(int row) {
    if (!visible_ || row < 0 || row >= rowCount()) return;
    if (delegate_ != nullptr) delegate_->tableView_didSelectRowAtIndexPath(this, 0, row);
}

void TableView::setEditing(bool editing) {
    editing_ = editing;
    confirm_row_ = -1;
    question_.clear();
    confirm_caption_.clear();
}

void TableView::pressAction(int action, int row) {
    if (!visible_ || row < -1 || row >= rowCount()) return;
    const std::size_t count = row < 0 ? list_actions_.size() : row_actions_.size();
    if (action < 0 || static_cast<std::size_t>(action) >= count) return;
    if (delegate_ != nullptr) delegate_->tableView_didPressAction(this, action, row);
}

void TableView::pressCancel() {
    if (!visible_) return;
    if (delegate_ != nullptr) delegate_->cancelButtonPressed(this);
}

}  // namespace lumo
