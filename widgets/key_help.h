#pragma once
// The short list of keys and gestures (F1 or ?): a small modal panel over
// the picture, closed by its button, Enter or Escape.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render().

#include <imgui.h>

#include <string_view>

namespace lumo {

class KeyHelp {
public:
    struct Line {
        std::string_view keys, does;
    };
    static const Line kLines[];
    static const int kLineCount;

    KeyHelp();
    ~KeyHelp();
    KeyHelp(const KeyHelp&) = delete;
    KeyHelp& operator=(const KeyHelp&) = delete;
    void show() { visible_ = true; }
    bool isVisible() const { return visible_; }
    void draw();
    void dismiss();

private:
    bool visible_ = false;
    bool opened_ = false;
    int id_;
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
