#pragma once
// The short list of keys and gestures (F1 or ?), what Edit shape and Fix do,
// and an About line (the version, the licence, where the sources are): a
// small modal panel over the picture, closed by its button, Enter or Escape.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render().

#include <imgui.h>

#include <string>
#include <string_view>
#include <utility>

#include "widgets/key_focus.h"

namespace lumo {

class KeyHelp {
public:
    struct Line {
        std::string_view keys, does;
    };
    static const Line kLines[];
    static const int kLineCount;
    static const char* const kEditing;  // Edit shape, then Fix

    KeyHelp();
    ~KeyHelp();
    KeyHelp(const KeyHelp&) = delete;
    KeyHelp& operator=(const KeyHelp&) = delete;
    // Opens on the keys' page, the ring on OK.
    void show() {
        visible_ = true;
        more_ = false;
        focus_.focus(0);
    }
    bool showsMore() const { return more_; }
    // The About line under the rest.
    void setAbout(std::string about) { about_ = std::move(about); }
    const std::string& about() const { return about_; }
    bool isVisible() const { return visible_; }
    void draw();
    void dismiss();

private:
    void draw_keys(int columns);
    std::string about_;
    KeyFocus focus_;
    bool more_ = false;  // the second page: Edit shape and Fix, About
    bool visible_ = false;
    bool opened_ = false;
    int id_;
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
