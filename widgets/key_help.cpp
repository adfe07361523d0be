#include "widgets/key_help.h"

#include <algorithm>

#include "widgets/modal_popup.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kMaxWidth = 300.0f;  // points
constexpr float kScreenMargin = 16.0f;  // least room left on each side
constexpr float kLineGap = 2.0f;  // points between the lines of the list
constexpr int kWrappedLines = 2;  // lines of the list that take two lines in one column
constexpr const char* kTitle = "Keys";
constexpr const char* kCloseCaption = "OK";
constexpr const char* kMoreTitle = "Editing, and About lumo";
constexpr const char* kMoreCaption = "More";
constexpr const char* kKeysCaption = "Keys";
// The keyboard's names for the two buttons (widgets/key_focus.h).
constexpr int kCloseKey = 0, kPageKey = 1;

}  // namespace

const KeyHelp::Line KeyHelp::kLines[] = {
    {"Press and drag", "dent the dome"},
    {"Tap mid-height", "show or hide the panel"},
    {"Arrow keys", "tilt"},
    {"Home or 0", "level again"},
    {"L", "lines"},
    {"Drop a file", "open a picture or shape"},
    {"Ctrl+O", "open a picture or shape file"},
    {"Ctrl+S", "save into lumo's folder"},
    {"Ctrl+Shift+S", "save as a file anywhere"},
    {"R", "record a clip, or stop"},
    {"F11", "full screen"},
    {"Tab, arrows, Enter", "move through a menu and choose"},
    {"Escape", "close a menu or dialog"},
    {"Ctrl+Z, Ctrl+Y", "undo, redo"},
    {"F1 or ?", "this list"},
    {"Ctrl+Q", "quit"},
};

const char* const KeyHelp::kEditing =
    "Edit shape holds the dome still: press and drag to sculpt it. Fix then keeps the heights you made as the "
    "dome's new resting shape; sideways drags are not kept.";
const int KeyHelp::kLineCount = static_cast<int>(std::size(KeyHelp::kLines));

KeyHelp::KeyHelp() : id_(modal::next_widget_id()) {}

KeyHelp::~KeyHelp() { modal::close(popup_id_, &opened_); }

void KeyHelp::draw() {
    if (!visible_) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const ImGuiStyle& style = ImGui::GetStyle();
    const float room_width = viewport->WorkSize.x - 2.0f * tap::points(kScreenMargin);
    // The keys in two columns side by side where one column would run past
    // the window's foot (a phone on its side) and there is width for two.
    const float line = ImGui::GetTextLineHeight() + tap::points(kLineGap);
    const float one_column = (kLineCount + kWrappedLines) * line + 2.0f * ImGui::GetFrameHeightWithSpacing() +
                             tap::height() + 2.0f * style.WindowPadding.y;
    const int columns = one_column > viewport->WorkSize.y - 2.0f * tap::points(kScreenMargin) &&
                                room_width >= tap::points(kMaxWidth) * 1.5f
                            ? 2
                            : 1;
    const float width = std::max(1.0f, std::min(tap::points(kMaxWidth) * static_cast<float>(columns), room_width));
    ImGui::SetNextWindowPos(
        ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f, viewport->WorkPos.y + viewport->WorkSize.y * 0.5f),
        ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("keys", id_), modal::kPopupFlags, &popup_id_, &opened_)) return;

    // Two pages, so that each fits the smallest window: the keys, and
    // what Edit shape and Fix do with the About line.
    tap::centred_text(more_ ? kMoreTitle : kTitle);
    ImGui::Spacing();
    if (!more_) {
        draw_keys(columns);
    } else {
        tap::wrapped_text(kEditing);
        if (!about_.empty()) {
            ImGui::Spacing();
            tap::wrapped_text(about_, ImGuiCol_TextDisabled);
        }
    }
    ImGui::Spacing();
    const float half = (ImGui::GetContentRegionAvail().x - style.ItemSpacing.x) * 0.5f;
    tap::set_next_focused(focus_.control(kPageKey));
    bool turn = tap::button(1, more_ ? kKeysCaption : kMoreCaption, ImVec2(half, tap::height()));
    ImGui::SameLine();
    tap::set_next_focused(focus_.control(kCloseKey));
    bool pressed = tap::button(0, kCloseCaption, ImVec2(half, tap::height()));
    const int entered = focus_.end_frame(KeyFocus::tab | KeyFocus::arrows | KeyFocus::enter);
    turn = turn || entered == kPageKey;
    pressed = pressed || entered == kCloseKey || tap::key_pressed(ImGuiKey_Escape);
    ImGui::EndPopup();
    if (turn) more_ = !more_;
    if (pressed) dismiss();
}

// The keys, each with what it does, in `columns` pairs of columns: the
// first half of the list on the left, the rest on the right.
void KeyHelp::draw_keys(int columns) {
    const ImGuiStyle& style = ImGui::GetStyle();
    float keys_width = 0.0f;
    for (const Line& line : kLines)
        keys_width = std::max(keys_width, ImGui::CalcTextSize(line.keys.data(), line.keys.data() + line.keys.size()).x);
    // The lines of a list, closer together than the blocks around them.
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(style.ItemSpacing.x, tap::points(kLineGap)));
    if (ImGui::BeginTable("keys", 2 * columns)) {
        for (int c = 0; c < columns; ++c) {
            ImGui::TableSetupColumn("keys", ImGuiTableColumnFlags_WidthFixed, keys_width);
            ImGui::TableSetupColumn("does", ImGuiTableColumnFlags_WidthStretch);
        }
        const int rows = (kLineCount + columns - 1) / columns;
        for (int row = 0; row < rows; ++row) {
            ImGui::TableNextRow();
            for (int c = 0; c < columns; ++c) {
                const int index = c * rows + row;
                if (index >= kLineCount) break;
                ImGui::TableNextColumn();
                tap::wrapped_text(kLines[index].keys);
                ImGui::TableNextColumn();
                tap::wrapped_text(kLines[index].does, ImGuiCol_TextDisabled);
            }
        }
        ImGui::EndTable();
    }
    ImGui::PopStyleVar();
}

void KeyHelp::dismiss() {
    visible_ = false;
    modal::close(popup_id_, &opened_);
}

}  // namespace lumo
