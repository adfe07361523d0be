#include "widgets/modal_popup.h"

#include <imgui_internal.h>

#include <cstdio>

namespace lumo::modal {

int next_widget_id() {
    static int last = 0;  // main thread only
    return ++last;
}

PopupName::PopupName(const char* kind, int id) { std::snprintf(text, sizeof text, "##lumo_%s_%d", kind, id); }

bool begin(const PopupName& name, ImGuiWindowFlags flags, ImGuiID* popup_id, bool* opened) {
    *popup_id = ImGui::GetID(name.text);
    if (!ImGui::IsPopupOpen(name.text)) {
        if (ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId)) {
            // The caller's placement must not fall to the next window begun.
            ImGui::GetCurrentContext()->NextWindowData.ClearFlags();
            return false;
        }
        ImGui::OpenPopup(name.text);
        *opened = true;
    }
    // Opaque: what lies under a menu or a dialog (the control panel's
    // captions, the picture) must not show through its text.
    ImVec4 background = ImGui::GetStyleColorVec4(ImGuiCol_PopupBg);
    background.w = 1.0f;
    ImGui::PushStyleColor(ImGuiCol_PopupBg, background);
    const bool begun = ImGui::BeginPopupModal(name.text, nullptr, flags);
    ImGui::PopStyleColor();
    return begun;
}

void close(ImGuiID popup_id, bool* opened) {
    if (!*opened) return;
    *opened = false;
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (context == nullptr) return;
    const ImVector<ImGuiPopupData>& stack = context->OpenPopupStack;
    for (int level = 0; level < stack.Size; ++level) {
        if (stack[level].PopupId == popup_id) {
            ImGui::ClosePopupToLevel(level, true);
            return;
        }
    }
}

bool begin_full_screen(const PopupName& name, ImGuiID* popup_id, bool* opened) {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(viewport->WorkPos, ImGuiCond_Always);
    ImGui::SetNextWindowSize(viewport->WorkSize, ImGuiCond_Always);
    // Read by Begin only, so they can go again at once.
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    const bool begun =
        begin(name, kPopupFlags | ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse, popup_id, opened);
    ImGui::PopStyleVar(2);
    return begun;
}

}  // namespace lumo::modal
