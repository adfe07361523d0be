#include "ui/control_panel.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "app/clip_recording.h"
#include "app/lumo_app_delegate.h"
#include "files/state_marks.h"
#include "platform/host.h"
#include "platform/log.h"
#include "platform/gl_window.h"
#include "platform/host.h"
#include "platform/imgui_layer.h"
#include "platform/run_loop.h"
#include "tilt/tilt_selector.h"
#include "ui/lumo_view_controller.h"
#include "widgets/tap_controls.h"
#include "widgets/widget_probe.h"

namespace lumo {

ControlPanel::ControlPanel(ImGuiLayer* imgui, GLWindow* window, RunLoop* run_loop, lumoAppDelegate* delegate,
                           lumo_view_controller* controller, UIView* panel, UISwitch* edit_switch, UIButton* fix_button,
                           TiltSelector* tilt)
    : imgui_(imgui),
      window_(window),
      run_loop_(run_loop),
      delegate_(delegate),
      controller_(controller),
      panel_(panel),
      edit_switch_(edit_switch),
      fix_button_(fix_button),
      tilt_(tilt) {}

namespace {
constexpr const char* kCannotOpenTitle = "Cannot Open";
constexpr const char* kHintMark = "hint-used";
}  // namespace

bool ControlPanel::modal_open() const {
    return controller_->has_modal_screen() || (delegate_->alert() != nullptr && delegate_->alert()->isVisible()) ||
           (notice_ != nullptr && notice_->isVisible()) || key_help_.isVisible() || name_field_.isVisible();
}

void ControlPanel::make_way_for_drop() {
    controller_->cancel_modal_screens();
    if (AlertView* alert = delegate_->alert(); alert != nullptr && alert->isVisible()) alert->dismiss();
    if (key_help_.isVisible()) key_help_.dismiss();
    if (name_field_.isVisible()) name_field_.cancel();
    if (notice_ != nullptr && notice_->isVisible() && notice_->title() != kCannotOpenTitle) notice_->dismiss();
}

void ControlPanel::show_key_help() {
    key_help_.show();
    hint_used();
}

void ControlPanel::set_state_folder(std::filesystem::path state_folder) {
    state_folder_ = std::move(state_folder);
    hint_pending_ = !has_state_mark(state_folder_, kHintMark);
}

// Once: from now on, in this run and the next.
void ControlPanel::hint_used() {
    if (!hint_pending_) return;
    hint_pending_ = false;
    if (state_folder_.empty()) return;
    std::string error;
    if (!set_state_mark(state_folder_, kHintMark, &error)) {
        log_line("lumo: that the hint was used is not kept: %s", error.c_str());
        return;
    }
    host_persist_files(nullptr);  // the browser keeps the mark in its storage
}

// Where there is a keyboard, F1 is the way to the rest.
const char* ControlPanel::hint_text() {
    return host_keyboard_likely() ? "F1: keys \u00b7 tap the middle to hide the panel"
                                  : "Tap the middle to hide the panel";
}

void ControlPanel::show_notice(const std::string& title, const std::string& message) {
    notice_ = std::make_unique<AlertView>(title, message, "OK");
    notice_->show();
}

void ControlPanel::report_cannot_open(const std::string& why) {
    constexpr const char* kTitle = kCannotOpenTitle;
    if (notice_ != nullptr && notice_->isVisible() && notice_->title() == kTitle) {
        show_notice(kTitle, notice_->message() + "\n" + why);
    } else {
        show_notice(kTitle, why);
    }
}

bool ControlPanel::captures(float window_x, float window_y) const {
    if (modal_open()) return true;
    return !panel_->isHidden() && panel_rect_.contains(window_x, window_y);
}

void ControlPanel::lay_out() {
    int w = 0, h = 0;
    window_->window_size_points(&w, &h);
    const bool tilt_control = tilt_ != nullptr && (tilt_->sensor_access() == SensorAccess::needs_permission ||
                                                   tilt_->sensor_access() == SensorAccess::refused);
    const float scale =
        panel_scale(static_cast<float>(w), static_cast<float>(h),
                    ImGuiLayer::scale_for_view(window_->view_rect_points().height), tilt_control, hint_pending_);
    imgui_->set_scale_limit(scale);
    layout_ = lay_out_interface(static_cast<float>(w), static_cast<float>(h), scale, tilt_control, hint_pending_);
    window_->place_view(static_cast<int>(layout_.view.x), static_cast<int>(layout_.view.y));
}

void ControlPanel::draw_overlay() {
    notice_tilt_refusal();
    // A tap that hid the panel was the hint's other use.
    if (panel_->isHidden()) hint_used();
    imgui_->begin_frame(run_loop_->now());
    rects_.fill(PanelRect{});
    panel_rect_ = PanelRect{};
    if (!panel_->isHidden()) {
        draw_panel();
    } else if (permission_control_shown_ && tilt_ != nullptr) {
        tilt_->set_permission_control(0, 0, 0, 0, false);
        permission_control_shown_ = false;
    }
    controller_->draw_modal_screens();
    if (AlertView* alert = delegate_->alert(); alert != nullptr && alert->isVisible()) alert->draw();
    if (notice_ != nullptr && notice_->isVisible()) notice_->draw();
    name_field_.draw();
    key_help_.draw();
    place_share_controls();
    draw_recording_dot();
    imgui_->end_frame();
}

void ControlPanel::remember(Control control) {
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    rects_[control] = {min.x, min.y, max.x - min.x, max.y - min.y};
}

// Rows of three, placed by hand in the rectangle the layout gives, so that
// nothing overlaps and every target is a fingertip tall: Save, Initialize,
// Load; Edit shape, Lines and Fix (whose place stays free while it is
// hidden); then, as far as there is room, the tools (Undo, Redo, Record)
// and the tilt.
void ControlPanel::draw_panel() {
    lay_out();
    const float scale = tap::scale();
    const float padding = PanelMetrics::kPadding * scale, gap = PanelMetrics::kGap * scale;
    const float row = PanelMetrics::kRowHeight * scale;
    const LayoutRect& box = layout_.panel;
    ImGui::SetNextWindowPos(ImVec2(box.x, box.y), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(box.width, box.height), ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(layout_.place == PanelPlace::over ? 0.72f : 0.9f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(padding, padding));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(gap, gap));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                                   ImGuiWindowFlags_NoFocusOnAppearing;
    if (ImGui::Begin("##controls", nullptr, flags)) {
        const float inner = box.width - 2 * padding;
        const ImVec2 cell((inner - 2 * gap) / 3.0f, row);
        const auto place = [&](int row_index, int column) {
            ImGui::SetCursorScreenPos(
                ImVec2(box.x + padding + column * (cell.x + gap), box.y + padding + row_index * (row + gap)));
        };
        place(0, 0);
        if (tap::button(1, "Save", cell)) delegate_->saveShapeAndImage();
        remember(save);
        place(0, 1);
        if (tap::button(2, "Initialize", cell)) controller_->initButtonPressed();
        remember(initialize);
        place(0, 2);
        if (tap::button(3, "Load", cell)) controller_->loadButtoonPressed();
        remember(load);

        EAGLView* view = controller_->view();
        place(1, 0);
        bool editing = edit_switch_->isOn();
        if (tap::toggle(4, "Edit shape", &editing, cell)) {
            edit_switch_->setOn(editing);
            view->setEditMode(edit_switch_);
        }
        remember(edit);
        place(1, 1);
        bool lines = !view->displays_surface();
        if (tap::toggle(5, "Lines", &lines, cell)) view->setDisplaySurface(!lines);
        remember(Control::lines);
        if (!fix_button_->isHidden()) {
            place(1, 2);
            if (tap::button(6, "Fix", cell)) view->surfaceEditFixed();
            remember(fix);
        }
        if (layout_.rows >= PanelMetrics::kToolRows) draw_tools_row(cell, [&](int column) { place(2, column); });
        if (layout_.rows >= PanelMetrics::kRows && tilt_ != nullptr) {
            draw_tilt_row(ImVec2(box.x + padding, box.y + padding + 3 * (row + gap)), inner, row);
        } else if (permission_control_shown_ && tilt_ != nullptr) {
            tilt_->set_permission_control(0, 0, 0, 0, false);
            permission_control_shown_ = false;
        }
        if (layout_.hint)
            draw_hint(ImVec2(box.x + padding, box.y + padding + layout_.rows * (row + gap) - gap), inner,
                      PanelMetrics::kHintHeight * scale);
        panel_rect_ = {box.x, box.y, box.width, box.height};
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
}

// Record, Stop while recording, and while the files are finished nothing.
void ControlPanel::draw_record_control(ImVec2 size) {
    const bool recording = recording_ != nullptr && recording_->recording();
    const bool finishing = recording_ != nullptr && recording_->finishing();
    const char* caption = recording ? "Stop" : finishing ? "Finishing" : "Record";
    if (tap::button(11, caption, size, recording_ != nullptr && !finishing)) recording_->toggle();
    remember(record);
}

// While recording: a red dot and the seconds so far, in the view's top left
// corner, drawn by the interface and so not in the clip.
void ControlPanel::draw_recording_dot() {
    if (recording_ == nullptr || !recording_->recording()) return;
    const int seconds = static_cast<int>(recording_->elapsed());
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    const float s = tap::scale(), radius = 6.0f * s, margin = 8.0f * s, inset = 8.0f * s;
    const ViewRect view = window_->view_rect_points();
    const ImVec2 text_size = ImGui::CalcTextSize(text);
    const float height = std::max(text_size.y, 2.0f * radius) + 8.0f * s;
    const ImVec2 min(static_cast<float>(view.x) + margin, static_cast<float>(view.y) + margin);
    const ImVec2 max(min.x + inset + 2.0f * radius + 6.0f * s + text_size.x + inset, min.y + height);
    ImDrawList* draw = ImGui::GetForegroundDrawList();
    draw->AddRectFilled(min, max, IM_COL32(0, 0, 0, 160), height / 2.0f);
    const ImVec2 centre(min.x + inset + radius, min.y + height / 2.0f);
    draw->AddCircleFilled(centre, radius, IM_COL32(235, 40, 40, 255));
    const ImVec2 at(centre.x + radius + 6.0f * s, min.y + (height - text_size.y) / 2.0f);
    draw->AddText(at, IM_COL32_WHITE, text);
    reportProbedItem(ProbedItem::text, text, min, max);
}

void ControlPanel::show_clip_notice(const ClipResult& result) {
    if (!result.saved()) {
        show_notice("Clip not saved", result.message());
        return;
    }
    if (result.kept == ClipResult::Kept::by_page) {
        show_notice("Clip ready", result.message());
        // The page shares the file on a tap itself (place_share_controls).
        for (const auto& file : result.files) {
            const std::string kind = file.extension() == ".gif" ? "GIF" : "video";
            notice_->addAction((result.can_share ? "Share " : "Download ") + kind, nullptr);
        }
        share_controls_ = static_cast<int>(result.files.size());
        return;
    }
    show_notice("Clip saved", result.message());
    if (result.files.empty()) return;
    notice_->setDetail(result.files.front().parent_path().string());
    const std::filesystem::path first = result.files.front();
    notice_->addAction("Show in folder", [first] { host_show_in_folder(first); });
}

// Where the notice's Share controls are, for the page to answer taps on;
// gone with the notice.
void ControlPanel::place_share_controls() {
    for (int i = 0; i < share_controls_; ++i) {
        ImVec2 min, max;
        const bool shown = notice_ != nullptr && notice_->actionRect(i, &min, &max);
        host_place_clip_share_control(i, min.x, min.y, max.x - min.x, max.y - min.y, shown);
        if (!shown && i + 1 == share_controls_) share_controls_ = 0;
    }
}

namespace {

// "Undo Initialize", else "Undo Init.", else "Undo": the longest that fits.
std::string tool_caption(const char* verb, std::optional<ViewChange> change, float width) {
    const std::string caption = verb;
    if (!change) return caption;
    for (const char* name : {view_change_name(*change), view_change_short_name(*change)})
        if (name != nullptr && tap::caption_width(caption + " " + name) <= width) return caption + " " + name;
    return caption;
}

}  // namespace

// Undo, Redo and Record. Narrower side padding than elsewhere, so that
// "Undo picture" fits the narrowest panel.
void ControlPanel::draw_tools_row(ImVec2 cell, const std::function<void(int column)>& place) {
    const ChangeHistory& history = delegate_->history();
    const ImVec2 padding = ImGui::GetStyle().FramePadding;
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(padding.x * 0.6f, padding.y));
    place(0);
    const std::optional<ViewChange> next_undo = history.next_undo();
    if (tap::button(9, tool_caption("Undo", next_undo, cell.x), cell, next_undo.has_value())) delegate_->undo();
    remember(undo);
    place(1);
    const std::optional<ViewChange> next_redo = history.next_redo();
    if (tap::button(10, tool_caption("Redo", next_redo, cell.x), cell, next_redo.has_value())) delegate_->redo();
    remember(redo);
    place(2);
    draw_record_control(cell);
    ImGui::PopStyleVar();
}

namespace {

// What the tilt's row says, and the one control it offers.
struct TiltRow {
    std::string text;
    const char* ask = nullptr;  // a control that asks for the sensor
    bool keys = false;  // the arrow keys offered in place of the sensor
};

TiltRow tilt_row_for(const TiltSelector& tilt) {
    switch (tilt.sensor_access()) {
        case SensorAccess::needs_permission: return {"Tilt: allow the motion sensor", "Enable tilt"};
        case SensorAccess::asking: return {"Tilt: waiting for your answer"};
        case SensorAccess::refused: return {"Tilt: motion access refused", "Ask again"};
        case SensorAccess::checking: return {"Tilt: looking for the sensor"};
        case SensorAccess::open: break;
    }
    TiltRow row;
    if (tilt.keyboard_active() && !tilt.keyboard_likely()) {
        // No arrow keys to speak of on a device driven by fingers.
        row.text = tilt.sensor_present() ? "Tilt: waiting for the sensor" : "Tilt: no motion sensor here";
    } else {
        row.text = std::string("Tilt: ") + tilt.source_name();
    }
    row.keys = tilt.keyboard_likely() && (tilt.sensor_live() || tilt.prefers_keyboard());
    return row;
}

}  // namespace

// What drives the tilt now, and the one control it may need: "Enable tilt"
// or "Ask again" where the browser asks first, or the arrow keys in place
// of a sensor where there is a keyboard.
void ControlPanel::draw_tilt_row(ImVec2 at, float width, float height) {
    const float gap = PanelMetrics::kGap * tap::scale();
    const float control_width = (width - 2 * gap) / 3.0f;
    const TiltRow row = tilt_row_for(*tilt_);
    const bool control = row.ask != nullptr || row.keys;
    const float text_right = control ? at.x + width - control_width - gap : at.x + width;
    tap::label(row.text, at, ImVec2(text_right, at.y + height), ImGuiCol_TextDisabled);
    ImGui::SetCursorScreenPos(ImVec2(at.x + width - control_width, at.y));
    const ImVec2 size(control_width, height);
    if (row.ask != nullptr) {
        tap::button(7, row.ask, size);  // the sensor answers the tap itself
        const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
        tilt_->set_permission_control(min.x, min.y, max.x - min.x, max.y - min.y, true);
        permission_control_shown_ = true;
    } else if (permission_control_shown_) {
        tilt_->set_permission_control(0, 0, 0, 0, false);
        permission_control_shown_ = false;
    }
    if (row.keys) {
        bool keys = tilt_->prefers_keyboard();
        if (tap::toggle(8, "Arrow keys", &keys, size)) tilt_->prefer_keyboard(keys);
        remember(Control::keys);
    }
}

// The hint's words centred in the line below the rows, dimmed: a help, not a control.
void ControlPanel::draw_hint(ImVec2 at, float width, float height) {
    const char* text = hint_text();
    const float lines = tap::wrapped_height(text, width);
    ImGui::SetCursorScreenPos(ImVec2(at.x, at.y + std::max(0.0f, (height - lines) * 0.5f)));
    tap::centred_text(text, ImGuiCol_TextDisabled);
}

// Once, when the user refuses the sensor: how to allow it later.
void ControlPanel::notice_tilt_refusal() {
    if (tilt_ == nullptr) return;
    const SensorAccess access = tilt_->sensor_access();
    if (access == SensorAccess::refused && last_sensor_access_ != SensorAccess::refused)
        show_notice("Tilt is off",
                    "Motion access was refused for this page. To tilt the dome, tap Ask again, or allow motion and "
                    "orientation access for this site in the browser's settings (on an iPhone: Settings, Safari), "
                    "then reload the page.");
    last_sensor_access_ = access;
}

}  // namespace lumo
