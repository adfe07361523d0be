#include "widgets/tap_controls.h"

#include <imgui_internal.h>

#include <algorithm>
#include <utility>

#include "platform/window_metrics.h"
#include "widgets/widget_probe.h"

namespace lumo::tap {
namespace {

const char* end_of(std::string_view text) { return text.data() + text.size(); }

// One UTF-8 character: its code point and the byte after it. Malformed bytes
// count as one character each, so the walk always moves on.
const char* next_character(const char* at, const char* end, unsigned int* code) {
    const int length = ImTextCharFromUtf8(code, at, end);
    return at + std::max(length, 1);
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Lines of wrapped text are this much further apart than the font is tall.
constexpr float kLineSpacing = 1.25f;
// Points above and below a row's text.
constexpr float kRowInset = 4.0f;
// How strongly a row is marked: selected, under the pointer, being pressed.
constexpr float kSelectedAlpha = 0.62f;
constexpr float kHoveredAlpha = 0.2f;
constexpr float kPressedAlpha = 0.8f;

float line_height() { return ImGui::GetFontSize() * kLineSpacing; }

bool g_next_focused = false;  // main thread only, like all drawing

bool take_next_focused() { return std::exchange(g_next_focused, false); }

// The keyboard's ring around the item just drawn, just outside it, in the
// colour ImGui's own keyboard navigation uses.
void draw_focus_ring() {
    const float thickness = std::max(2.0f, points(2.0f));
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    ImGui::GetWindowDrawList()->AddRect(ImVec2(min.x - thickness * 0.5f, min.y - thickness * 0.5f),
                                        ImVec2(max.x + thickness * 0.5f, max.y + thickness * 0.5f),
                                        ImGui::GetColorU32(ImGuiCol_NavHighlight), ImGui::GetStyle().FrameRounding, 0,
                                        thickness);
}

float advance_of(unsigned int code) {
    return ImGui::GetFont()->GetCharAdvance(static_cast<ImWchar>(code)) * ImGui::GetFontSize() /
           ImGui::GetFont()->FontSize;
}

// Where the line that starts at `begin` ends when wrapped to `width`: at the
// blank after the last word that fits. A word longer than a whole line
// breaks after its last slash that fits, so that a path keeps its file's
// name whole, else after its last hyphen or underscore, else after its last
// character that fits; at least one character goes on each line.
const char* line_end(const char* begin, const char* end, float width) {
    const char* after_word = nullptr;  // the blank after the last word that fits
    const char* after_slash = nullptr;  // just past the last slash of the word, where it fits
    const char* after_joint = nullptr;  // just past its last hyphen or underscore
    float x = 0.0f;
    for (const char* at = begin; at < end;) {
        unsigned int code = 0;
        const char* next = next_character(at, end, &code);
        if (code == '\n') return at;
        const float advance = advance_of(code);
        if (is_blank(*at)) {
            after_word = at;
        } else if (x + advance > width && at > begin) {
            if (after_word != nullptr) return after_word;
            if (after_slash != nullptr) return after_slash;
            return after_joint != nullptr ? after_joint : at;
        }
        x += advance;
        if (code == '/') after_slash = next;
        if (code == '-' || code == '_') after_joint = next;
        at = next;
    }
    return end;
}

// Calls each(line_begin, line_end) for every line of the text wrapped to
// `width`, the first line `indent` narrower; blanks around breaks are not
// shown. Every paragraph (between newlines) takes at least one line.
template <typename Each>
int for_each_line(const char* begin, const char* end, float width, float indent, Each each) {
    int lines = 0;
    while (true) {
        const char* stop = line_end(begin, end, width - (lines == 0 ? indent : 0.0f));
        const char* shown = stop;
        while (shown > begin && is_blank(shown[-1])) --shown;
        each(begin, shown);
        ++lines;
        begin = stop;
        while (begin < end && is_blank(*begin)) ++begin;
        if (begin < end && *begin == '\n') {
            ++begin;
            if (begin == end) {
                each(begin, begin);  // a newline at the very end leaves an empty line
                return lines + 1;
            }
        } else if (begin >= end) {
            return lines;
        }
    }
}

// The room a row of this size leaves its text beside its picture, if any.
struct RowRoom {
    float width;
    int lines;
};

RowRoom row_room(float width, float height, bool image) {
    const float padding = ImGui::GetStyle().FramePadding.x, inset = points(kRowInset);
    float text_width = width - 2.0f * padding;
    if (image) text_width -= height - 2.0f * inset + padding;
    return {std::max(text_width, 1.0f), std::max(1, static_cast<int>((height - 2.0f * inset) / line_height()))};
}

// A block of wrapped text at the cursor, left-aligned or each line centred
// in the width left; reported with the rectangle its lines cover.
void text_block(std::string_view text, ImU32 colour, bool centred) {
    const ImVec2 top_left = ImGui::GetCursorScreenPos();
    const float width = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    const float line = line_height(), lead = (line - ImGui::GetFontSize()) * 0.5f;
    ImDrawList* draw_list = ImGui::GetWindowDrawList();
    float widest = 0.0f, left = top_left.x + width, y = top_left.y;
    for_each_line(text.data(), end_of(text), width, 0.0f, [&](const char* begin, const char* end) {
        const float line_width = ImGui::CalcTextSize(begin, end, false).x;
        const float x = centred ? top_left.x + std::max(0.0f, (width - line_width) * 0.5f) : top_left.x;
        draw_list->AddText(ImVec2(x, y + lead), colour, begin, end);
        widest = std::max(widest, line_width);
        left = std::min(left, x);
        y += line;
    });
    ImGui::Dummy(ImVec2(centred ? width : std::max(widest, 1.0f), y - top_left.y));
    const ImVec2 min(left, top_left.y), max(left + widest, y);
    reportProbedItem(ProbedItem::text, text, min, max);
    if (widest > width) reportProbedItem(ProbedItem::overflow, text, min, max);
}

}  // namespace

float scale() { return ImGui::GetFontSize() / kInterfaceFontPoints; }

float caption_width(std::string_view caption) {
    return ImGui::CalcTextSize(caption.data(), end_of(caption), false).x + ImGui::GetStyle().FramePadding.x * 2.0f;
}

namespace {

// The caption centred in the button just drawn, from `left` on; reports an
// overflow when it is cut.
void button_caption(std::string_view caption, float left, bool enabled, bool focused) {
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    const ImVec2 padding = ImGui::GetStyle().FramePadding;
    const ImVec2 box_min(std::max(min.x + padding.x, left), min.y + padding.y);
    const ImVec2 box_max(max.x - padding.x, max.y - padding.y);
    ImGui::RenderTextClippedEx(ImGui::GetWindowDrawList(), box_min, box_max, caption.data(), end_of(caption), nullptr,
                               ImVec2(0.5f, 0.5f), nullptr);
    if (focused) draw_focus_ring();
    reportProbedItem(ProbedItem::control, caption, min, max, enabled, focused);
    if (ImGui::CalcTextSize(caption.data(), end_of(caption), false).x > box_max.x - box_min.x)
        reportProbedItem(ProbedItem::overflow, caption, min, max, enabled);
}

}  // namespace

void set_next_focused(bool focused) { g_next_focused = focused; }

bool button(int id, std::string_view caption, ImVec2 size, bool enabled) {
    const bool focused = take_next_focused();
    ImGui::PushID(id);
    ImGui::BeginDisabled(!enabled);
    const bool pressed = ImGui::Button("##tap", size);
    // Drawn before EndDisabled so that a disabled caption is dimmed too.
    button_caption(caption, ImGui::GetItemRectMin().x, enabled, focused);
    ImGui::EndDisabled();
    ImGui::PopID();
    return pressed;
}

bool toggle(int id, std::string_view caption, bool* on, ImVec2 size, bool enabled) {
    const bool focused = take_next_focused();
    ImGui::PushID(id);
    ImGui::BeginDisabled(!enabled);
    if (*on) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
    const bool pressed = ImGui::Button("##tap", size);
    if (*on) ImGui::PopStyleColor();
    if (pressed) *on = !*on;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    float left = min.x;
    const float tick = ImGui::GetFontSize() * 0.8f;
    const float caption_width = ImGui::CalcTextSize(caption.data(), end_of(caption), false).x;
    const float padding = ImGui::GetStyle().FramePadding.x;
    // A tick where the caption leaves room for it.
    if (*on && caption_width + tick + 3 * padding <= max.x - min.x) {
        const float x = min.x + padding, y = (min.y + max.y) * 0.5f;
        const ImVec2 points[] = {ImVec2(x, y), ImVec2(x + tick * 0.35f, y + tick * 0.35f),
                                 ImVec2(x + tick, y - tick * 0.45f)};
        ImGui::GetWindowDrawList()->AddPolyline(points, 3, ImGui::GetColorU32(ImGuiCol_Text), ImDrawFlags_None,
                                                std::max(1.5f, tick * 0.15f));
        left = x + tick;
    }
    button_caption(caption, left, enabled, focused);
    ImGui::EndDisabled();
    ImGui::PopID();
    return pressed;
}

void label(std::string_view text, ImVec2 rect_min, ImVec2 rect_max, ImGuiCol colour) {
    if (rect_max.x <= rect_min.x) return;
    const ImVec2 size = ImGui::CalcTextSize(text.data(), end_of(text), false);
    const float top = (rect_min.y + rect_max.y - size.y) * 0.5f;
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(colour));
    ImGui::RenderTextEllipsis(ImGui::GetWindowDrawList(), ImVec2(rect_min.x, top), ImVec2(rect_max.x, top + size.y),
                              rect_max.x, rect_max.x, text.data(), end_of(text), &size);
    ImGui::PopStyleColor();
    const ImVec2 shown_max(std::min(rect_min.x + size.x, rect_max.x), top + size.y);
    reportProbedItem(ProbedItem::text, text, ImVec2(rect_min.x, top), shown_max);
    if (size.x > rect_max.x - rect_min.x)
        reportProbedItem(ProbedItem::overflow, text, ImVec2(rect_min.x, top), shown_max);
}

bool row(int id, std::string_view text, bool selected, float height, bool* double_click, ImTextureID image,
         float width) {
    const bool focused = take_next_focused();
    ImGui::PushID(id);
    // The widgets decide themselves when their popup closes. Rows keep the
    // list's spacing between them as a gap no tap lands in.
    const ImGuiSelectableFlags flags = ImGuiSelectableFlags_DontClosePopups | ImGuiSelectableFlags_AllowDoubleClick |
                                       ImGuiSelectableFlags_NoPadWithHalfSpacing;
    // The row under the pointer is marked more weakly than the selected one
    // (ImGui's own style has it the other way round): the selection is what
    // the preview shows and Enter takes.
    const ImVec4 accent = ImGui::GetStyleColorVec4(ImGuiCol_Header);
    ImGui::PushStyleColor(ImGuiCol_Header, ImVec4(accent.x, accent.y, accent.z, kSelectedAlpha));
    ImGui::PushStyleColor(ImGuiCol_HeaderHovered, ImVec4(accent.x, accent.y, accent.z, kHoveredAlpha));
    ImGui::PushStyleColor(ImGuiCol_HeaderActive, ImVec4(accent.x, accent.y, accent.z, kPressedAlpha));
    const bool pressed = ImGui::Selectable("##row", selected, flags, ImVec2(width, height));
    ImGui::PopStyleColor(3);
    ImGui::PopID();
    if (double_click != nullptr) *double_click = pressed && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left);
    if (!ImGui::IsItemVisible()) return pressed;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    const float padding = ImGui::GetStyle().FramePadding.x, inset = points(kRowInset);
    float left = min.x + padding;
    ImDrawList* draw_list = ImGui::GetWindowDrawList();
    if (image != nullptr) {
        const float side = max.y - min.y - 2.0f * inset;
        draw_list->AddImage(image, ImVec2(left, min.y + inset), ImVec2(left + side, min.y + inset + side));
        left += side + padding;
    }
    // As many lines as the row holds; a text longer than that gives up its
    // start, so that the end, which tells names apart, stays.
    const RowRoom room = row_room(max.x - min.x, max.y - min.y, image != nullptr);
    const float line = line_height();
    const char* begin = text.data();
    const char* const end = end_of(text);
    const auto count_lines = [&](float indent) {
        return for_each_line(begin, end, room.width, indent, [](const char*, const char*) {});
    };
    static constexpr char kDots[] = "...";
    float indent = 0.0f;
    if (count_lines(0.0f) > room.lines) {
        indent = ImGui::CalcTextSize(kDots, kDots + 3, false).x;
        while (begin < end && count_lines(indent) > room.lines) {
            unsigned int code = 0;
            begin = next_character(begin, end, &code);
        }
    }
    const int lines = count_lines(indent);
    float y = (min.y + max.y - line * static_cast<float>(lines)) * 0.5f + (line - ImGui::GetFontSize()) * 0.5f;
    const ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text);
    bool first = true;
    for_each_line(begin, end, room.width, indent, [&](const char* line_begin, const char* line_stop) {
        float x = left;
        if (first && indent > 0.0f) {
            draw_list->AddText(ImVec2(x, y), colour, kDots, kDots + 3);
            x += indent;
        }
        draw_list->AddText(ImVec2(x, y), colour, line_begin, line_stop);
        first = false;
        y += line;
    });
    if (focused) draw_focus_ring();
    reportProbedItem(ProbedItem::control, text, min, max, true, focused);
    if (begin != text.data()) reportProbedItem(ProbedItem::overflow, text, min, max);
    return pressed;
}

float row_height_for_lines(int lines) {
    // Half a point over, so that rounding never takes a line away.
    return std::max(kTapHeight, line_height() * static_cast<float>(lines) + 2.0f * points(kRowInset) + 0.5f);
}

bool row_fits(std::string_view text, float width, float height, bool image) {
    const RowRoom room = row_room(width, height, image);
    return for_each_line(text.data(), end_of(text), room.width, 0.0f, [](const char*, const char*) {}) <= room.lines;
}

void centred_text(std::string_view text, ImGuiCol colour) { text_block(text, ImGui::GetColorU32(colour), true); }

float wrapped_height(std::string_view text, float width) {
    const int lines =
        for_each_line(text.data(), end_of(text), std::max(width, 1.0f), 0.0f, [](const char*, const char*) {});
    return line_height() * static_cast<float>(lines);
}

void bar_title(std::string_view text, ImVec2 rect_min, ImVec2 rect_max) {
    if (rect_max.x <= rect_min.x) return;
    const ImVec2 size = ImGui::CalcTextSize(text.data(), end_of(text), false);
    const float top = (rect_min.y + rect_max.y - size.y) * 0.5f;
    const float left = std::max(rect_min.x, (rect_min.x + rect_max.x - size.x) * 0.5f);
    ImGui::RenderTextEllipsis(ImGui::GetWindowDrawList(), ImVec2(left, top), ImVec2(rect_max.x, top + size.y),
                              rect_max.x, rect_max.x, text.data(), end_of(text), &size);
    reportProbedItem(ProbedItem::text, text, ImVec2(left, top),
                     ImVec2(std::min(left + size.x, rect_max.x), top + size.y));
    if (left + size.x > rect_max.x)
        reportProbedItem(ProbedItem::overflow, text, ImVec2(left, top), ImVec2(rect_max.x, top + size.y));
}

void wrapped_text(std::string_view text, ImGuiCol colour) { wrapped_text(text, ImGui::GetStyleColorVec4(colour)); }

void wrapped_text(std::string_view text, const ImVec4& colour) { text_block(text, ImGui::GetColorU32(colour), false); }

void text_keeping_end(std::string_view text, ImVec2 rect_min, ImVec2 rect_max) {
    const float width = rect_max.x - rect_min.x;
    if (width <= 0.0f) return;
    const char* begin = text.data();
    const char* const end = end_of(text);
    float text_width = ImGui::CalcTextSize(begin, end, false).x;
    const float top = (rect_min.y + rect_max.y - ImGui::GetFontSize()) * 0.5f;
    ImVec2 at(rect_min.x, top);
    ImDrawList* draw_list = ImGui::GetWindowDrawList();
    const ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text);
    if (text_width > width) {
        static constexpr char kDots[] = "...";
        const float dots_width = ImGui::CalcTextSize(kDots, kDots + 3, false).x;
        ImFont* font = ImGui::GetFont();
        const float scale = ImGui::GetFontSize() / font->FontSize;
        while (begin < end && text_width + dots_width > width) {
            unsigned int code = 0;
            const char* next = next_character(begin, end, &code);
            text_width -= font->GetCharAdvance(static_cast<ImWchar>(code)) * scale;
            begin = next;
        }
        draw_list->AddText(at, colour, kDots, kDots + 3);
        at.x += dots_width;
    }
    const ImVec4 clip(rect_min.x, rect_min.y, rect_max.x, rect_max.y);
    draw_list->AddText(nullptr, 0.0f, at, colour, begin, end, 0.0f, &clip);
    reportProbedItem(ProbedItem::text, text, ImVec2(rect_min.x, top),
                     ImVec2(std::min(rect_max.x, at.x + text_width), top + ImGui::GetFontSize()));
}

bool key_pressed(ImGuiKey key, bool repeat) {
    const int index = ImGui::GetKeyIndex(key);
    return index >= 0 && ImGui::IsKeyPressed(index, repeat) &&
           ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows);
}

}  // namespace lumo::tap
