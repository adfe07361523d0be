#include "imgui_harness.h"

#include <imgui_internal.h>

namespace lumo::testing {
namespace {

constexpr float kFrameSeconds = 1.0f / 60.0f;

// Any free slots of io.KeysDown, as a platform backend maps its keys.
int key_slot(ImGuiKey key) { return 10 + static_cast<int>(key); }

}  // namespace

void WindowBehind::draw() {
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(320.0f, 120.0f));
    ImGui::Begin("Behind", nullptr, ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoTitleBar);
    if (ImGui::Button("Behind", ImVec2(200.0f, 60.0f))) ++presses;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    button_centre = ImVec2((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f);
    ImGui::End();
}

ImGuiHarness::ImGuiHarness(ImVec2 display) {
    IMGUI_CHECKVERSION();
    context_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.DisplaySize = display;
    io.DeltaTime = kFrameSeconds;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    for (ImGuiKey key : {ImGuiKey_Escape, ImGuiKey_Enter, ImGuiKey_KeyPadEnter}) io.KeyMap[key] = key_slot(key);
    io.MousePos = ImVec2(-1.0f, -1.0f);
}

ImGuiHarness::~ImGuiHarness() { ImGui::DestroyContext(context_); }

void ImGuiHarness::frame(const Ui& ui) {
    drawn_.forget();
    ImGui::NewFrame();
    ui();
    ImGui::Render();
}

void ImGuiHarness::frames(int count, const Ui& ui) {
    for (int i = 0; i < count; ++i) frame(ui);
}

void ImGuiHarness::set_mouse(ImVec2 at, bool down, const Ui& ui) {
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = at;
    io.MouseDown[0] = down;
    frame(ui);
}

void ImGuiHarness::click(ImVec2 at, const Ui& ui) {
    set_mouse(at, false, ui);
    set_mouse(at, true, ui);
    set_mouse(at, false, ui);
    frame(ui);
}

void ImGuiHarness::double_click(ImVec2 at, const Ui& ui) {
    set_mouse(at, false, ui);
    set_mouse(at, true, ui);
    set_mouse(at, false, ui);
    set_mouse(at, true, ui);
    set_mouse(at, false, ui);
    frame(ui);
}

void ImGuiHarness::press_key(ImGuiKey key, const Ui& ui) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeysDown[key_slot(key)] = true;
    frame(ui);
    io.KeysDown[key_slot(key)] = false;
    frame(ui);
}

bool ImGuiHarness::click_control(std::string_view caption, const Ui& ui) {
    const std::optional<DrawnItem> found = control(caption);
    if (!found) return false;
    click(found->centre(), ui);
    return true;
}

bool ImGuiHarness::double_click_control(std::string_view caption, const Ui& ui) {
    const std::optional<DrawnItem> found = control(caption);
    if (!found) return false;
    double_click(found->centre(), ui);
    return true;
}

bool ImGuiHarness::any_popup_open() { return ImGui::GetCurrentContext()->OpenPopupStack.Size > 0; }

}  // namespace lumo::testing
