#pragma once
// The controls the modal widgets are made of: sized for a fingertip, and
// showing their captions exactly as given (plain ImGui would hide the text
// after a "##" and read '%' as a format). Each reports itself to the widget
// probe. Call between Begin and End of an ImGui window.

#include <imgui.h>

#include <string_view>

namespace lumo::tap {

inline constexpr float kTapHeight = 44.0f;  // points at scale 1: what a fingertip hits reliably

// How much larger than designed the interface is drawn now, read from the
// font's size (the ImGui layer sizes the font by it); 1 with ImGui's own
// font unscaled. In a frame only.
float scale();
// Design points in today's points.
inline float points(float design_points) { return design_points * scale(); }
// kTapHeight at today's scale.
inline float height() { return points(kTapHeight); }

// The width a button needs to show the caption on one line.
float caption_width(std::string_view caption);

// The next control drawn (button, toggle or row) is the one the keyboard is
// on (widgets/key_focus.h): it gets a ring around it.
void set_next_focused(bool focused);

// A push button; id keeps buttons with equal captions apart.
bool button(int id, std::string_view caption, ImVec2 size, bool enabled = true);

// A button that stays pressed in while *on, with a tick before its caption
// where there is room; true (and *on flipped) when pressed.
bool toggle(int id, std::string_view caption, bool* on, ImVec2 size, bool enabled = true);

// One line of text at the left of [rect_min, rect_max], vertically centred,
// cut with "..." when too long. Takes no layout room.
void label(std::string_view text, ImVec2 rect_min, ImVec2 rect_max, ImGuiCol colour = ImGuiCol_Text);

// A full-width row (or `width` points wide): an optional square picture,
// then text at the left on as many lines as the row holds (two at a
// fingertip's height), wrapped like wrapped_text; a text longer than that
// gives up its start to "...", keeping the end that tells names apart. True
// when pressed; *double_click tells whether that press was a double click.
bool row(int id, std::string_view text, bool selected, float height, bool* double_click = nullptr,
         ImTextureID image = nullptr, float width = 0.0f);

// The height of a row that shows `lines` lines of text: at least a
// fingertip (kTapHeight points, not grown with the interface's scale).
float row_height_for_lines(int lines);

// Whether row() shows this text whole in a row of that size.
bool row_fits(std::string_view text, float width, float height, bool image);

// Text wrapped to the width left in the window, each line centred in it:
// lines break at blanks, and a word longer than a whole line after its last
// slash that fits, else its last hyphen or underscore, else where the line
// is full, so nothing is lost. A newline starts a new line.
void centred_text(std::string_view text, ImGuiCol colour = ImGuiCol_Text);

// How tall centred_text or wrapped_text draws `text` in this width (points).
float wrapped_height(std::string_view text, float width);

// One line centred in the screen rectangle [rect_min, rect_max], cut with
// "..." when wider; for the title of a bar of controls. Takes no layout room.
void bar_title(std::string_view text, ImVec2 rect_min, ImVec2 rect_max);

// Left-aligned, wrapped as centred_text is to the width left in the window.
void wrapped_text(std::string_view text, ImGuiCol colour = ImGuiCol_Text);
void wrapped_text(std::string_view text, const ImVec4& colour);

// One line at the left of the screen rectangle [rect_min, rect_max],
// vertically centred; when too long its start gives way to "...", so a path
// keeps the folders nearest to its end. Takes no layout room.
void text_keeping_end(std::string_view text, ImVec2 rect_min, ImVec2 rect_max);

// The key went down this frame (or, with repeat, repeats while held) while
// the current window, or a child of it, has the focus. False when the
// application has not mapped the key.
bool key_pressed(ImGuiKey key, bool repeat = false);

}  // namespace lumo::tap
