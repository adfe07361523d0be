#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "platform/host.h"
#include "widgets/host_picture_chooser.h"
#include "widgets/modal_popup.h"
#include "widgets/image_picker.h"
#include "widgets/layout_faults.h"
#include "widgets/picture_browser.h"
#include "widgets/picture_folder.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr const char* kTitle = "Choose a Picture";
constexpr const char* kOpenTitle = "Open a Picture or Shape";
constexpr const char* kCancelCaption = "Cancel";
constexpr const char* kPickCaption = "Use Picture";
constexpr const char* kOpenCaption = "Open";
constexpr const char* kShapeFileText = "A shape file: its shape and picture replace the dome's";
constexpr const char* kUpCaption = "Up";
constexpr const char* kEmptyFolderText = "No folders or pictures here";
constexpr const char* kVisiblePartText = "The dome shows the framed part";
constexpr const char* kPreparingText = "...";
constexpr float kMinButtonWidth = 72.0f;  // points
constexpr float kScrollbarWidth = 16.0f;  // points: wide enough to drag with a finger
const ImVec4 kMessageColour(1.0f, 0.45f, 0.35f, 1.0f);

struct PreviewHooks {
    ImTextureID (*create)(const Picture&) = nullptr;
    void (*destroy)(ImTextureID) = nullptr;
};
PreviewHooks g_preview_hooks;  // main thread only

// What a click in this frame asked for; done after the popup has ended.
struct Action {
    enum Kind { none, select, open, up, pick, cancel } kind = none;
    int index = -1;
    bool from_keyboard = false;
};

// The keyboard's names for the picker's controls (widgets/key_focus.h).
constexpr int kListKey = 0, kCancelKey = 1, kPickKey = 2, kUpKey = 3;

// The keys, as the mouse would: arrows and pages move the selection (the
// first press with nothing selected lands on the first or last row), Return
// opens (while the ring is on the list), Backspace goes up, Escape cancels.
// Called inside the picker's popup.
Action keyboard_action(int at, int count, bool can_go_up, float rows_in_sight, bool return_opens) {
    if (tap::key_pressed(ImGuiKey_Escape)) return {Action::cancel};
    if (tap::key_pressed(ImGuiKey_Backspace) && can_go_up) return {Action::up};
    if (return_opens && (tap::key_pressed(ImGuiKey_Enter) || tap::key_pressed(ImGuiKey_KeyPadEnter)) && at >= 0)
        return {Action::open, at};
    if (count == 0) return {};
    const int page = std::max(1, static_cast<int>(rows_in_sight) - 1);
    int to = 0;
    if (tap::key_pressed(ImGuiKey_DownArrow, true)) to = at < 0 ? 0 : at + 1;
    else if (tap::key_pressed(ImGuiKey_UpArrow, true)) to = at < 0 ? count - 1 : at - 1;
    else if (tap::key_pressed(ImGuiKey_PageDown, true)) to = at < 0 ? 0 : at + page;
    else if (tap::key_pressed(ImGuiKey_PageUp, true)) to = at < 0 ? 0 : at - page;
    else if (tap::key_pressed(ImGuiKey_Home)) to = 0;
    else if (tap::key_pressed(ImGuiKey_End)) to = count - 1;
    else return {};
    to = std::clamp(to, 0, count - 1);
    if (to == at) return {};
    return {Action::select, to, true};
}

// Scrolls the current list just far enough that the row is wholly in sight.
void keep_in_sight(int row, float row_step, float row_height) {
    const float padding = ImGui::GetStyle().WindowPadding.y;
    const float top = row * row_step, bottom = top + row_height + 2.0f * padding;
    const float sight = ImGui::GetWindowHeight();
    float scroll = ImGui::GetScrollY();
    if (top < scroll) scroll = top;
    else if (bottom > scroll + sight) scroll = bottom - sight;
    ImGui::SetScrollY(scroll);
}

bool marks_a_part(ImVec2 part_min, ImVec2 part_max) {
    return part_min.x > 0.0f || part_min.y > 0.0f || part_max.x < 1.0f || part_max.y < 1.0f;
}

// Dims what the dome will not show and frames what it will.
void mark_visible_part(ImDrawList* draw_list, ImVec2 image_min, ImVec2 image_max, ImVec2 part_min, ImVec2 part_max) {
    if (!marks_a_part(part_min, part_max)) return;
    const float w = image_max.x - image_min.x, h = image_max.y - image_min.y;
    const ImVec2 a(image_min.x + part_min.x * w, image_min.y + part_min.y * h);
    const ImVec2 b(image_min.x + part_max.x * w, image_min.y + part_max.y * h);
    const ImU32 shade = IM_COL32(0, 0, 0, 150);
    draw_list->AddRectFilled(image_min, ImVec2(image_max.x, a.y), shade);
    draw_list->AddRectFilled(ImVec2(image_min.x, b.y), image_max, shade);
    draw_list->AddRectFilled(ImVec2(image_min.x, a.y), ImVec2(a.x, b.y), shade);
    draw_list->AddRectFilled(ImVec2(b.x, a.y), ImVec2(image_max.x, b.y), shade);
    draw_list->AddRect(a, b, IM_COL32(255, 255, 255, 230), 0.0f, 0, std::max(1.0f, tap::scale()));
}

}  // namespace

bool ImagePickerController::isSourceTypeAvailable(int source_type) {
    return source_type == PhotoLibrary || (source_type == Camera && host_has_file_chooser() && host_has_camera());
}

void ImagePickerController::setPreviewTextureHooks(ImTextureID (*create)(const Picture&),
                                                   void (*destroy)(ImTextureID)) {
    g_preview_hooks = {create, destroy};
}

ImagePickerController::ImagePickerController() : browser_(std::make_unique<Browser>()) {}

ImagePickerController::~ImagePickerController() { modal::close(browser_->popup_id, &browser_->opened); }

void ImagePickerController::setStartFolder(const std::filesystem::path& folder) {
    browser_->start_folder = normalised_folder(folder);
    browser_->set_folder(browser_->start_folder);
    if (visible_) browser_->scan();
}

void ImagePickerController::setVisiblePart(float left, float top, float right, float bottom) {
    visible_min_ = ImVec2(std::clamp(left, 0.0f, 1.0f), std::clamp(top, 0.0f, 1.0f));
    visible_max_ = ImVec2(std::clamp(right, visible_min_.x, 1.0f), std::clamp(bottom, visible_min_.y, 1.0f));
}

void ImagePickerController::present() {
    if (visible_) return;
    visible_ = true;
    if (host_has_file_chooser()) {
        if (!host_chooser_) host_chooser_ = std::make_unique<HostPictureChooser>();
        host_chooser_->open(source_type_ == Camera);
        return;
    }
    Browser& browser = *browser_;
    browser.shape_files = opens_files_;
    browser.ensure_folder();
    browser.climb_to_existing_folder();
    browser.change_folder(browser.folder);
    focus_.focus(kListKey);
}

void ImagePickerController::dismiss() {
    visible_ = false;
    if (host_chooser_) host_chooser_->close();
    modal::close(browser_->popup_id, &browser_->opened);
    browser_->clear_selection();
}

const std::filesystem::path& ImagePickerController::folder() const {
    browser_->ensure_folder();
    return browser_->folder;
}

std::vector<std::string> ImagePickerController::entries() const {
    browser_->ensure_scanned();
    std::vector<std::string> labels;
    labels.reserve(browser_->entries.size());
    for (const Browser::Entry& entry : browser_->entries) labels.push_back(entry.label);
    return labels;
}

std::string ImagePickerController::selection() const {
    const Browser& browser = *browser_;
    if (browser.selected < 0) return {};
    return browser.entries[static_cast<std::size_t>(browser.selected)].label;
}

std::filesystem::path ImagePickerController::selectedPath() const {
    const Browser& browser = *browser_;
    return browser.selected < 0 ? std::filesystem::path() : browser.path_of(browser.selected);
}

bool ImagePickerController::enter(const std::string& entry) {
    Browser& browser = *browser_;
    browser.ensure_scanned();
    const int index = browser.index_of(entry);
    if (index < 0) return false;
    if (browser.entries[static_cast<std::size_t>(index)].is_folder) {
        browser.change_folder(browser.path_of(index));
    } else {
        browser.select(index);
        browser.wait_for_picture();  // a call, not a click: the answer is wanted now
    }
    return true;
}

bool ImagePickerController::goUp() {
    Browser& browser = *browser_;
    browser.ensure_folder();
    if (!browser.can_go_up()) return false;
    const std::string came_from = browser.folder.filename().string() + '/';
    browser.change_folder(browser.folder.parent_path());
    // Keep the folder just left in sight, highlighted.
    const int index = browser.index_of(came_from);
    if (index >= 0) {
        browser.select(index);
        browser.scroll_to_row = index;
    }
    return true;
}

bool ImagePickerController::pick() {
    Browser& browser = *browser_;
    if (!browser.has_picture_selected()) {
        browser.message = "No picture selected";
        return false;
    }
    if (browser.has_shape_selected()) {
        // Read and checked as it is opened, by whoever opens it.
        if (delegate_ != nullptr) delegate_->imagePickerController_didPickFile(this, selectedPath());
        return true;
    }
    if (browser.preparing) {
        // Handed over when it arrives (draw() looks each frame); the
        // interface stays live meanwhile.
        browser.pick_when_ready = true;
        return true;
    }
    if (!browser.prepared) {
        if (browser.message.empty()) browser.message = "The picture could not be opened";
        return false;
    }
    browser.message.clear();
    browser.pick_when_ready = false;
    if (opens_files_) {
        if (delegate_ != nullptr) delegate_->imagePickerController_didPickFile(this, selectedPath());
        return true;
    }
    // Already fitted into the texture square: the view takes it as it is.
    std::shared_ptr<const Picture> image = browser.prepared->texture;
    if (delegate_ != nullptr) delegate_->imagePickerController_didFinishPickingImage(this, std::move(image));
    return true;
}

void ImagePickerController::waitForPicture() {
    if (browser_->preparing) browser_->jobs->wait();
}

void ImagePickerController::cancel() {
    if (delegate_ != nullptr) delegate_->imagePickerControllerDidCancel(this);
}

const std::string& ImagePickerController::message() const {
    return host_chooser_ ? host_chooser_->message() : browser_->message;
}

float ImagePickerController::preview_lines_height(const Browser& browser, float width) const {
    const float gap = ImGui::GetStyle().ItemSpacing.y;
    float height = 0.0f;
    auto add = [&](std::string_view text) {
        height += ImGui::CalcTextSize(text.data(), text.data() + text.size(), false, width).y + gap;
    };
    if (browser.selected >= 0) add(browser.entries[static_cast<std::size_t>(browser.selected)].label);
    if (browser.has_shape_selected()) add(kShapeFileText);
    if (browser.texture.id != nullptr && browser.picture_width > 0) add("0000 x 0000");
    if (browser.texture.id != nullptr && marks_a_part(visible_min_, visible_max_)) add(kVisiblePartText);
    if (!browser.message.empty()) add(browser.message);
    return height + gap;
}

void ImagePickerController::draw() {
    Browser& browser = *browser_;
    // Textures replaced in an earlier frame are no longer drawn by now.
    browser.destroy_retired();
    if (!visible_) return;
    if (host_chooser_) {
        std::shared_ptr<const Picture> picture;
        switch (host_chooser_->draw(&picture)) {
            case HostPictureChooser::Outcome::picked:
                if (delegate_ != nullptr)
                    delegate_->imagePickerController_didFinishPickingImage(this, std::move(picture));
                break;
            case HostPictureChooser::Outcome::cancelled: cancel(); break;
            case HostPictureChooser::Outcome::none: break;
        }
        return;
    }
    const bool arrived = browser.receive();
    browser.ensure_scanned();
    browser.make_texture(g_preview_hooks.create, g_preview_hooks.destroy);
    if (!modal::begin_full_screen(modal::PopupName("picker", browser.id), &browser.popup_id, &browser.opened)) return;

    const ImGuiStyle& style = ImGui::GetStyle();
    const float width = ImGui::GetContentRegionAvail().x;
    const float tap = tap::height();
    const char* const title = opens_files_ ? kOpenTitle : kTitle;
    const char* const pick_caption = opens_files_ ? kOpenCaption : kPickCaption;
    Action action;

    // The bar: cancel at the left, pick at the right, the title between, or
    // on a line of its own above them where it would be cut between them.
    const float widest_caption = std::max(tap::caption_width(kCancelCaption), tap::caption_width(pick_caption));
    const float bar_button_width = std::min(width * 0.35f, std::max(tap::points(kMinButtonWidth), widest_caption));
    const float title_room = width - 2.0f * (bar_button_width + style.ItemSpacing.x);
    const bool title_between = ImGui::CalcTextSize(title).x <= title_room;
    if (!title_between) {
        const ImVec2 at = ImGui::GetCursorScreenPos();
        const float line = ImGui::GetFrameHeight();
        tap::bar_title(title, at, ImVec2(at.x + width, at.y + line));
        ImGui::Dummy(ImVec2(width, line));
    }
    const ImVec2 bar_min = ImGui::GetCursorScreenPos();
    tap::set_next_focused(focus_.control(kCancelKey));
    if (tap::button(0, kCancelCaption, ImVec2(bar_button_width, tap))) action = {Action::cancel};
    ImGui::SameLine();
    ImGui::SetCursorScreenPos(ImVec2(bar_min.x + width - bar_button_width, bar_min.y));
    // Not for a picture that cannot be opened: the reason shows beside the preview.
    const bool can_pick = browser.has_picture_selected() && !browser.unreadable;
    tap::set_next_focused(focus_.control(kPickKey));
    if (tap::button(1, pick_caption, ImVec2(bar_button_width, tap), can_pick)) action = {Action::pick};
    if (title_between)
        tap::bar_title(title, ImVec2(bar_min.x + bar_button_width + style.ItemSpacing.x, bar_min.y),
                       ImVec2(bar_min.x + width - bar_button_width - style.ItemSpacing.x, bar_min.y + tap));

    // Up, and where we are.
    const ImVec2 path_row_min = ImGui::GetCursorScreenPos();
    const float up_width = std::max(tap::points(kMinButtonWidth), tap::caption_width(kUpCaption));
    tap::set_next_focused(focus_.control(kUpKey));
    if (tap::button(2, kUpCaption, ImVec2(up_width, tap), browser.can_go_up())) action = {Action::up};
    tap::text_keeping_end(browser.folder_text, ImVec2(path_row_min.x + up_width + style.ItemSpacing.x, path_row_min.y),
                          ImVec2(path_row_min.x + width, path_row_min.y + tap));

    // The folder's entries, and the preview: beside the list in a wide
    // window, under it in a tall one.
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const bool preview_beside = viewport->WorkSize.x > viewport->WorkSize.y;
    const float room = ImGui::GetContentRegionAvail().y;
    // Beside the list, the lines under the box keep their room in a short
    // window: they are set at the column's width, and the box is as tall as
    // what they leave (narrower than its column then).
    const float wanted = preview_beside ? std::clamp(width * 0.3f, tap::points(64.0f), tap::points(260.0f))
                                        : std::clamp(width * 0.4f, tap::points(64.0f), tap::points(200.0f));
    const float preview_side =
        preview_beside ? std::clamp(room - preview_lines_height(browser, wanted), tap::points(64.0f), wanted) : wanted;
    const float list_width = preview_beside ? width - wanted - style.ItemSpacing.x : 0.0f;
    const float list_height = preview_beside ? room : std::max(tap, room - preview_side - style.ItemSpacing.y);
    const bool list_focused = focus_.control(kListKey);
    ImGui::PushStyleVar(ImGuiStyleVar_ScrollbarSize, tap::points(kScrollbarWidth));
    ImGui::BeginChild("##entries", ImVec2(list_width, list_height), true);
    ImGui::PopStyleVar();
    // Rows a fingertip tall, taller only where a name needs two lines: as
    // many as fit, at any size of the interface.
    const float rows_width = ImGui::GetContentRegionAvail().x;
    if (browser.rows_measured_for != rows_width) {
        browser.rows_measured_for = rows_width;
        browser.row_height = tap::row_height_for_lines(1);
        for (const Browser::Entry& entry : browser.entries) {
            if (!tap::row_fits(entry.label, rows_width, browser.row_height, false)) {
                browser.row_height = tap::row_height_for_lines(2);
                break;
            }
        }
    }
    const float row_height = browser.row_height;
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(style.ItemSpacing.x, tap::points(kTargetGap)));
    const float row_step = row_height + tap::points(kTargetGap);
    if (browser.scroll_to_top) {
        ImGui::SetScrollY(0.0f);
        browser.scroll_to_top = false;
    }
    if (browser.scroll_to_row >= 0) {
        const float centred = browser.scroll_to_row * row_step - (ImGui::GetWindowHeight() - row_step) * 0.5f;
        ImGui::SetScrollY(std::max(0.0f, centred));
        browser.scroll_to_row = -1;
    }
    if (browser.keep_row_in_sight >= 0) {
        keep_in_sight(browser.keep_row_in_sight, row_step, row_height);
        browser.keep_row_in_sight = -1;
    }
    if (browser.entries.empty()) {
        ImGui::SetCursorPosY(ImGui::GetCursorPosY() + ImGui::GetContentRegionAvail().y * 0.3f);
        tap::centred_text(kEmptyFolderText, ImGuiCol_TextDisabled);
    } else {
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(browser.entries.size()), row_step);
        while (clipper.Step()) {
            for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
                bool double_click = false;
                tap::set_next_focused(list_focused && i == browser.selected);
                if (tap::row(i, browser.entries[static_cast<std::size_t>(i)].label, i == browser.selected, row_height,
                             &double_click))
                    action = {double_click ? Action::open : Action::select, i};
            }
        }
    }
    ImGui::PopStyleVar();
    ImGui::EndChild();

    // The preview box, and by it what is selected and what went wrong.
    if (preview_beside) {
        ImGui::SameLine();
        ImGui::BeginGroup();
    }
    const ImVec2 box_min = ImGui::GetCursorScreenPos();
    const ImVec2 box_max(box_min.x + preview_side, box_min.y + preview_side);
    ImGui::Dummy(ImVec2(preview_side, preview_side));
    ImDrawList* draw_list = ImGui::GetWindowDrawList();
    draw_list->AddRect(box_min, box_max, ImGui::GetColorU32(ImGuiCol_Border));
    char size_text[32] = "";
    if (browser.picture_width > 0) {
        std::snprintf(size_text, sizeof size_text, "%d x %d", browser.picture_width, browser.picture_height);
    }
    if (browser.texture.id != nullptr) {
        const ImVec2 image_min(box_min.x + 1.0f, box_min.y + 1.0f), image_max(box_max.x - 1.0f, box_max.y - 1.0f);
        draw_list->AddImage(browser.texture.id, image_min, image_max);
        mark_visible_part(draw_list, image_min, image_max, visible_min_, visible_max_);
    } else if (size_text[0] != '\0') {
        tap::bar_title(size_text, box_min, box_max);
    } else if (browser.preparing) {
        tap::bar_title(kPreparingText, box_min, box_max);
    }
    if (!preview_beside) ImGui::SameLine();
    ImGui::BeginGroup();
    if (browser.selected >= 0) tap::wrapped_text(browser.entries[static_cast<std::size_t>(browser.selected)].label);
    if (browser.has_shape_selected()) tap::wrapped_text(kShapeFileText, ImGuiCol_TextDisabled);
    if (browser.texture.id != nullptr && size_text[0] != '\0') tap::wrapped_text(size_text, ImGuiCol_TextDisabled);
    if (browser.texture.id != nullptr && marks_a_part(visible_min_, visible_max_))
        tap::wrapped_text(kVisiblePartText, ImGuiCol_TextDisabled);
    if (!browser.message.empty()) tap::wrapped_text(browser.message, kMessageColour);
    ImGui::EndGroup();
    if (preview_beside) ImGui::EndGroup();

    // The keyboard: Tab moves the ring; Return presses the control it is on,
    // or on the list opens the selection; the arrows always move the selection.
    const bool on_list = focus_.focused() == kListKey;
    const int pressed = focus_.end_frame(on_list ? KeyFocus::tab : KeyFocus::tab | KeyFocus::enter);
    // Tabbed onto a list where nothing is selected: the first row is, so
    // that the ring shows where the keyboard is.
    if (action.kind == Action::none && !on_list && focus_.focused() == kListKey && browser.selected < 0 &&
        !browser.entries.empty())
        action = {Action::select, 0};
    if (action.kind == Action::none) {
        if (pressed == kCancelKey) action = {Action::cancel};
        else if (pressed == kPickKey && can_pick) action = {Action::pick};
        else if (pressed == kUpKey && browser.can_go_up()) action = {Action::up};
    }
    if (action.kind == Action::none)
        action = keyboard_action(browser.selected, static_cast<int>(browser.entries.size()), browser.can_go_up(),
                                 list_height / row_step, on_list);
    if (action.from_keyboard) focus_.focus(kListKey);
    ImGui::EndPopup();

    // Last: the delegate may dismiss the picker.
    switch (action.kind) {
        case Action::select:
            browser.select(action.index);
            if (action.from_keyboard) browser.keep_row_in_sight = action.index;
            break;
        case Action::open:
            if (browser.entries[static_cast<std::size_t>(action.index)].is_folder) {
                browser.change_folder(browser.path_of(action.index));
            } else {
                if (browser.selected != action.index) browser.select(action.index);
                pick();
            }
            break;
        case Action::up: goUp(); break;
        case Action::pick: pick(); break;
        case Action::cancel: cancel(); break;
        case Action::none:
            if (arrived && browser.pick_when_ready) pick();
            break;
    }
}

}  // namespace lumo
