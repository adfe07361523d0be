#include "widgets/tap_controls.h"

#include <imgui_internal.h>

#include <algorithm>

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

// Draws one paragraph (no newline inside) centred, line by line.
void centred_paragraph(const char* begin, const char* end, float width) {
    ImFont* font = ImGui::GetFont();
    const float scale = ImGui::GetFontSize() / font->FontSize;
    const float left = ImGui::GetCursorPosX();
    if (begin == end) {
        ImGui::NewLine();
        return;
    }
    while (begin < end) {
        const char* line_end = font->CalcWordWrapPositionA(scale, begin, end, width);
        if (line_end <= begin) {
            unsigned int code = 0;
            line_end = next_character(begin, end, &code);
        }
        const char* shown_end = line_end;
        while (shown_end > begin && is_blank(shown_end[-1])) --shown_end;
        const float line_width = ImGui::CalcTextSize(begin, shown_end, false).x;
        ImGui::SetCursorPosX(left + std::max(0.0f, (width - line_width) * 0.5f));
        ImGui::TextUnformatted(begin, shown_end);
        begin = line_end;
        while (begin < end && is_blank(*begin)) ++begin;
    }
}

void report_text_block(std::string_view text, ImVec2 top_left, float width) {
    const float bottom = ImGui::GetCursorScreenPos().y - ImGui::GetStyle().ItemSpacing.y;
    reportProbedItem(ProbedItem::text, text, top_left, ImVec2(top_left.x + width, bottom));
}

}  // namespace

float scale() { return ImGui::GetFontSize() / kInterfaceFontPoints; }

float caption_width(std::string_view caption) {
    return ImGui::CalcTextSize(caption.data(), end_of(caption), false).x + ImGui::GetStyle().FramePadding.x * 2.0f;
}

namespace {

// The caption centred in the button just drawn, from `left` on; reports an
// overflow when it is cut.
void button_caption(std::string_view caption, float left, bool enabled) {
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    const ImVec2 padding = ImGui::GetStyle().FramePadding;
    const ImVec2 box_min(std::max(min.x + padding.x, left), min.y + padding.y);
    const ImVec2 box_max(max.x - padding.x, max.y - padding.y);
    ImGui::RenderTextClippedEx(ImGui::GetWindowDrawList(), box_min, box_max, caption.data(), end_of(caption), nullptr,
                               ImVec2(0.5f, 0.5f), nullptr);
    reportProbedItem(ProbedItem::control, caption, min, max, enabled);
    if (ImGui::CalcTextSize(caption.data(), end_of(caption), false).x > box_max.x - box_min.x)
        reportProbedItem(ProbedItem::overflow, caption, min, max, enabled);
}

}  // namespace

bool button(int id, std::string_view caption, ImVec2 size, bool enabled) {
    ImGui::PushID(id);
    ImGui::BeginDisabled(!enabled);
    const bool pressed = ImGui::Button("##tap", size);
    // Drawn before EndDisabled so that a disabled caption is dimmed too.
    button_caption(caption, ImGui::GetItemRectMin().x, enabled);
    ImGui::EndDisabled();
    ImGui::PopID();
    return pressed;
}

bool toggle(int id, std::string_view caption, bool* on, ImVec2 size, bool enabled) {
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
    button_caption(caption, left, enabled);
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
    ImGui::PushID(id);
    // The widgets decide themselves when their popup closes.
    const ImGuiSelectableFlags flags = ImGuiSelectableFlags_DontClosePopups | ImGuiSelectableFlags_AllowDoubleClick;
    const bool pressed = ImGui::Selectable("##row", selected, flags, ImVec2(width, height));
    ImGui::PopID();
    if (double_click != nullptr) *double_click = pressed && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left);
    if (!ImGui::IsItemVisible()) return pressed;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    const float padding = ImGui::GetStyle().FramePadding.x;
    const float top = (min.y + max.y - ImGui::GetFontSize()) * 0.5f;
    const float right = max.x - padding;
    float left = min.x + padding;
    if (image != nullptr) {
        const float inset = 4.0f, side = max.y - min.y - 2.0f * inset;
        ImGui::GetWindowDrawList()->AddImage(image, ImVec2(left, min.y + inset),
                                             ImVec2(left + side, min.y + inset + side));
        left += side + padding;
    }
    ImGui::RenderTextEllipsis(ImGui::GetWindowDrawList(), ImVec2(left, top),
                              ImVec2(std::max(left, right), top + ImGui::GetFontSize()), right, right, text.data(),
                              end_of(text), nullptr);
    reportProbedItem(ProbedItem::control, text, min, max);
    if (ImGui::CalcTextSize(text.data(), end_of(text), false).x > right - left)
        reportProbedItem(ProbedItem::overflow, text, min, max);
    return pressed;
}

void centred_text(std::string_view text, ImGuiCol colour) {
    const ImVec2 top_left = ImGui::GetCursorScreenPos();
    const float width = std::max(ImGui::GetContentRegionAvail().x, 1.0f);
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(colour));
    const char* begin = text.data();
    const char* const end = end_of(text);
    while (true) {
        const char* paragraph_end = std::find(begin, end, '\n');
        centred_paragraph(begin, paragraph_end, width);
        if (paragraph_end == end) break;
        begin = paragraph_end + 1;
    }
    ImGui::PopStyleColor();
    report_text_block(text, top_left, width);
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

void wrapped_text(std::string_view text, const ImVec4& colour) {
    const ImVec2 top_left = ImGui::GetCursorScreenPos();
    ImGui::PushStyleColor(ImGuiCol_Text, colour);
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(text.data(), end_of(text));
    ImGui::PopTextWrapPos();
    ImGui::PopStyleColor();
    report_text_block(text, top_left, ImGui::GetContentRegionAvail().x);
}

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
