#include <algorithm>
#include <utility>

#include "widgets/modal_popup.h"
#include "widgets/table_view.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kMinButtonWidth = 72.0f;   // points
constexpr float kScrollbarWidth = 16.0f;   // points: wide enough to drag with a finger

}  // namespace

TableView::TableView(std::string title, std::string cancel_caption, std::string empty_text)
    : title_(std::move(title)),
      cancel_caption_(std::move(cancel_caption)),
      empty_text_(std::move(empty_text)),
      id_(modal::next_widget_id()) {}

TableView::~TableView() { modal::close(popup_id_, &opened_); }

void TableView::reloadData() {
    rows_.clear();
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
}

void TableView::dismiss() {
    visible_ = false;
    modal::close(popup_id_, &opened_);
}

void TableView::draw() {
    if (!visible_) return;
    if (!modal::begin_full_screen(modal::PopupName("table", id_), &popup_id_, &opened_)) return;

    // The bar: the cancel control at the left, the title centred on the screen.
    const ImVec2 bar_min = ImGui::GetCursorScreenPos();
    const float width = ImGui::GetContentRegionAvail().x;
    const float cancel_width =
        std::min(width * 0.4f, std::max(tap::points(kMinButtonWidth), tap::caption_width(cancel_caption_)));
    bool cancel = tap::button(0, cancel_caption_, ImVec2(cancel_width, tap::height()));
    const float gap = ImGui::GetStyle().ItemSpacing.x;
    tap::bar_title(title_, ImVec2(bar_min.x + cancel_width + gap, bar_min.y),
                   ImVec2(bar_min.x + width - cancel_width - gap, bar_min.y + tap::height()));
    ImGui::Separator();

    int selected = -1;
    ImGui::PushStyleVar(ImGuiStyleVar_ScrollbarSize, tap::points(kScrollbarWidth));
    ImGui::BeginChild("##rows", ImVec2(0.0f, 0.0f), false);
    ImGui::PopStyleVar();
    if (scroll_to_top_) {
        ImGui::SetScrollY(0.0f);
        scroll_to_top_ = false;
    }
    if (rows_.empty()) {
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + ImGui::GetContentRegionAvail().y * 0.3f);
        tap::centred_text(empty_text_, ImGuiCol_TextDisabled);
    } else {
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(rows_.size()));
        while (clipper.Step()) {
            for (int row = clipper.DisplayStart; row < clipper.DisplayEnd; ++row) {
                if (tap::row(row, rows_[static_cast<std::size_t>(row)], false, tap::height())) selected = row;
            }
        }
    }
    ImGui::EndChild();
    cancel = cancel || tap::key_pressed(ImGuiKey_Escape);
    ImGui::EndPopup();
    // Last: the delegate may dismiss or discard the table.
    if (selected >= 0) {
        selectRow(selected);
    } else if (cancel) {
        pressCancel();
    }
}

void TableView::selectRow(int row) {
    if (!visible_ || row < 0 || row >= rowCount()) return;
    if (delegate_ != nullptr) delegate_->tableView_didSelectRowAtIndexPath(this, 0, row);
}

void TableView::pressCancel() {
    if (!visible_) return;
    if (delegate_ != nullptr) delegate_->cancelButtonPressed(this);
}

}  // namespace lumo
