#pragma once
// A small dialog that asks for a name (Save As where the desktop has no
// dialog of its own): a title, a line that says where the name leads, a
// text field with the keyboard in it from the start and its text selected,
// so that typing replaces it, a line for what is wrong with the name, and
// Cancel and the confirming button. Enter confirms, Escape cancels, Tab
// moves a ring round the field and the buttons (Enter presses the one it is
// on). The owner answers a confirmation: it dismisses the dialog, or
// leaves it open with the problem shown. Drawn with Dear ImGui by draw(),
// once per interface frame; while it is shown nothing under it can be
// clicked.

#include <imgui.h>

#include <array>
#include <functional>
#include <string>

#include "widgets/key_focus.h"

namespace lumo {

class NameField {
public:
    NameField(std::string title, std::string message, std::string confirm_caption);
    ~NameField();
    NameField(const NameField&) = delete;
    NameField& operator=(const NameField&) = delete;

    // What the buttons do: confirm gets the text as typed; cancel closes
    // the dialog first.
    void setActions(std::function<void(const std::string& name)> confirm, std::function<void()> cancel);
    // Opens it with this text in the field (cut to the field's room).
    void show(const std::string& text);
    bool isVisible() const { return visible_; }
    void dismiss();
    void draw();

    const std::string& title() const { return title_; }
    std::string text() const { return text_.data(); }
    // What is wrong with the name confirmed last, under the field; empty for nothing.
    void setProblem(std::string problem) { problem_ = std::move(problem); }
    const std::string& problem() const { return problem_; }
    // As the buttons would.
    void confirm();
    void cancel();

private:
    std::string title_, message_, confirm_caption_, problem_;
    std::array<char, 256> text_{};
    std::function<void(const std::string&)> on_confirm_;
    std::function<void()> on_cancel_;
    KeyFocus focus_;
    bool focus_field_ = false;  // the field takes the keyboard at its next drawing
    bool visible_ = false;
    bool opened_ = false;
    int id_;
    ImGuiID popup_id_ = 0;
};

}  // namespace lumo
