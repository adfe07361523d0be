#include "ui/control_panel.h"

#include <imgui.h>

#include "app/lumo_app_delegate.h"
#include "platform/gl_window.h"
#include "platform/imgui_layer.h"
#include "platform/run_loop.h"
#include "tilt/tilt_selector.h"
#include "ui/lumo_view_controller.h"
#include "widgets/tap_controls.h"

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

bool ControlPanel::modal_open() const {
    return controller_->has_modal_screen() || (delegate_->alert() != nullptr && delegate_->alert()->isVisible()) ||
           (notice_ != nullptr && notice_->isVisible()) || key_help_.isVisible();
}

void ControlPanel::make_way_for_drop() {
    controller_->cancel_modal_screens();
    if (AlertView* alert = delegate_->alert(); alert != nullptr && alert->isVisible()) alert->dismiss();
    if (key_help_.isVisible()) key_help_.dismiss();
    if (notice_ != nullptr && notice_->isVisible() && notice_->title() != "Cannot open") notice_->dismiss();
}

void ControlPanel::show_notice(const std::string& title, const std::string& message) {
    notice_ = std::make_unique<AlertView>(title, message, "OK");
    notice_->show();
}

void ControlPanel::report_cannot_open(const std::string& why) {
    constexpr const char* kTitle = "Cannot open";
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

void ControlPanel::draw_overlay() {
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
    key_help_.draw();
    imgui_->end_frame();
}

void ControlPanel::remember(Control control) {
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    rects_[control] = {min.x, min.y, max.x - min.x, max.y - min.y};
}

void ControlPanel::draw_panel() {
    const ViewRect view = window_->view_rect_points();
    const float margin = tap::points(8.0f);
    ImGui::SetNextWindowPos(
        ImVec2(static_cast<float>(view.x) + margin, static_cast<float>(view.y + view.height) - margin),
        ImGuiCond_Always, ImVec2(0.0f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(static_cast<float>(view.width) - 2 * margin, 0.0f), ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(0.72f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoFocusOnAppearing;
    if (ImGui::Begin("##controls", nullptr, flags)) {
        const float spacing = ImGui::GetStyle().ItemSpacing.x;
        const float width = (ImGui::GetContentRegionAvail().x - 2 * spacing) / 3.0f;
        const ImVec2 button(width, tap::points(36.0f));
        if (ImGui::Button("Save", button)) delegate_->saveShapeAndImage();
        remember(save);
        ImGui::SameLine();
        if (ImGui::Button("Initialize", button)) controller_->initButtonPressed();
        remember(initialize);
        ImGui::SameLine();
        if (ImGui::Button("Load", button)) controller_->loadButtoonPressed();
        remember(load);

        bool editing = edit_switch_->isOn();
        if (ImGui::Checkbox("Edit shape", &editing)) {
            edit_switch_->setOn(editing);
            controller_->view()->setEditMode(edit_switch_);
        }
        remember(edit);
        EAGLView* view = controller_->view();
        ImGui::SameLine();
        bool lines = !view->displays_surface();
        if (ImGui::Checkbox("Lines", &lines)) view->setDisplaySurface(!lines);
        remember(Control::lines);
        if (!fix_button_->isHidden()) {
            ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - width);
            if (ImGui::Button("Fix", ImVec2(width, 0))) view->surfaceEditFixed();
            remember(fix);
        }
        if (tilt_ != nullptr) {
            ImGui::TextDisabled("Tilt: %s", tilt_->source_name());
            const bool ask = tilt_->sensor_needs_permission();
            if (ask) {
                ImGui::Button("Enable tilt");  // the sensor answers the tap itself
                const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
                tilt_->set_permission_control(min.x, min.y, max.x - min.x, max.y - min.y, true);
                permission_control_shown_ = true;
            } else if (permission_control_shown_) {
                tilt_->set_permission_control(0, 0, 0, 0, false);
                permission_control_shown_ = false;
            }
            if (!tilt_->keyboard_active() || tilt_->prefers_keyboard()) {
                bool keys = tilt_->prefers_keyboard();
                if (ImGui::Checkbox("Tilt with the arrow keys", &keys)) tilt_->prefer_keyboard(keys);
                remember(Control::keys);
            }
        }
        const ImVec2 pos = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
        panel_rect_ = {pos.x, pos.y, size.x, size.y};
    }
    ImGui::End();
}

}  // namespace lumo
