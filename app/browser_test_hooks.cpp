// Questions the browser tests ask the running program (through ccall).

#include <emscripten.h>

#include <imgui.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "ui/control_panel.h"
#include "widgets/layout_faults.h"
#include "widgets/widget_probe.h"

namespace {

// FNV-1a over the bits, as the native determinism test hashes the table.
template <typename Floats>
uint64_t hash_bits(const Floats& values) {
    uint64_t hash = 1469598103934665603ull;
    for (float value : values) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        hash ^= bits;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// What the panel and the modal widgets drew in the last interface frame.
class RecordingProbe : public lumo::WidgetProbe {
public:
    void item(const lumo::DrawnItem& item) override {
        const int frame = ImGui::GetFrameCount();
        if (frame != frame_) {
            items_.clear();
            frame_ = frame;
        }
        items_.push_back(item);
    }
    // Items from an earlier frame are gone from the screen.
    const std::vector<lumo::DrawnItem>& items() {
        if (ImGui::GetCurrentContext() == nullptr || frame_ != ImGui::GetFrameCount()) items_.clear();
        return items_;
    }

private:
    std::vector<lumo::DrawnItem> items_;
    int frame_ = -1;
};

RecordingProbe& probe() {
    static RecordingProbe probe;
    static bool probing = false;
    if (!probing) {
        lumo::setWidgetProbe(&probe);
        probing = true;
        // The next frames draw the interface, so the probe sees it even
        // while the dome rests and frames are skipped.
        if (lumo::Application* app = lumo::Application::running()) app->view().setNeedsDisplay();
    }
    return probe;
}

void append_json_string(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    out += '"';
}

void append_item(std::string& out, std::string_view kind, std::string_view caption, float x, float y, float width,
                 float height, bool enabled) {
    if (out.size() > 1) out += ',';
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, ",\"x\":%.1f,\"y\":%.1f,\"width\":%.1f,\"height\":%.1f,\"enabled\":%s}", x,
                  y, width, height, enabled ? "true" : "false");
    out += "{\"kind\":";
    append_json_string(out, kind);
    out += ",\"caption\":";
    append_json_string(out, caption);
    out += numbers;
}

}  // namespace

extern "C" {

// The influence table's hash in hex once it is built, else "building".
EMSCRIPTEN_KEEPALIVE const char* lumo_table_hash() {
    static char text[32];
    lumo::Application* app = lumo::Application::running();
    if (app == nullptr || app->view().trans()->initializing_index() >= 0) return "building";
    std::snprintf(text, sizeof text, "%s", hex(hash_bits(app->view().trans()->influence_table())).c_str());
    return text;
}

// The benchmark's measure of the simulation itself: milliseconds for `steps`
// steps of the running surface, as the frame timer takes them.
EMSCRIPTEN_KEEPALIVE double lumo_time_steps(int steps) {
    lumo::Application* app = lumo::Application::running();
    if (app == nullptr || app->view().trans()->initializing_index() >= 0) return -1.0;
    const auto started = std::chrono::steady_clock::now();
    for (int k = 0; k < steps; ++k) app->view().trans()->transform();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
}

// The rest shape's hash in hex, as the native tests hash it.
EMSCRIPTEN_KEEPALIVE const char* lumo_rest_shape_hash() {
    static std::string text;
    lumo::Application* app = lumo::Application::running();
    if (app == nullptr) return "";
    text = hex(hash_bits(app->view().trans()->getInitSurfacePosition()));
    return text.c_str();
}

// The rest shape itself, as a JSON array of its 7500 floats (shortest
// round-trip decimal each).
EMSCRIPTEN_KEEPALIVE const char* lumo_rest_shape() {
    static std::string json;
    json = "[";
    lumo::Application* app = lumo::Application::running();
    if (app != nullptr) {
        char number[32];
        for (float value : app->view().trans()->getInitSurfacePosition()) {
            std::snprintf(number, sizeof number, "%.9g,", static_cast<double>(value));
            json += number;
        }
        if (json.size() > 1) json.pop_back();
    }
    json += "]";
    return json.c_str();
}

// Whether the frame timer runs (menus and lists stop it).
EMSCRIPTEN_KEEPALIVE int lumo_animating() {
    lumo::Application* app = lumo::Application::running();
    return app != nullptr && app->view().animating() ? 1 : 0;
}

// Where the view is in the canvas, in points, as JSON.
EMSCRIPTEN_KEEPALIVE const char* lumo_view_rect() {
    static std::string json;
    lumo::Application* app = lumo::Application::running();
    if (app == nullptr) return "null";
    const lumo::ViewRect r = app->window().view_rect_points();
    json = "{\"x\":" + std::to_string(r.x) + ",\"y\":" + std::to_string(r.y) + ",\"width\":" + std::to_string(r.width) +
           ",\"height\":" + std::to_string(r.height) + "}";
    return json.c_str();
}

// Simulation steps taken so far.
EMSCRIPTEN_KEEPALIVE double lumo_steps_taken() {
    lumo::Application* app = lumo::Application::running();
    return app != nullptr ? static_cast<double>(app->view().steps_taken()) : 0.0;
}

// The controls on screen, as JSON: the panel's, and what the modal widgets
// drew in the last frame (from the first call on), in the canvas's points.
EMSCRIPTEN_KEEPALIVE const char* lumo_controls() {
    static std::string json;
    json = "[";
    for (const lumo::DrawnItem& item : probe().items())
        append_item(json,
                    item.kind == lumo::ProbedItem::control ? "control"
                    : item.kind == lumo::ProbedItem::text  ? "text"
                                                           : "overflow",
                    item.caption, item.min.x, item.min.y, item.max.x - item.min.x, item.max.y - item.min.y,
                    item.enabled);
    json += "]";
    return json.c_str();
}

// What breaks the layout rules in the last frame drawn (widgets/layout_faults.h),
// as a JSON array of lines; [] when nothing does.
EMSCRIPTEN_KEEPALIVE const char* lumo_layout_faults() {
    static std::string json;
    json = "[";
    if (ImGui::GetCurrentContext() != nullptr) {
        for (const std::string& fault : lumo::layout_faults(probe().items(), ImGui::GetIO().DisplaySize)) {
            if (json.size() > 1) json += ',';
            append_json_string(json, fault);
        }
    }
    json += "]";
    return json.c_str();
}

}  // extern "C"
