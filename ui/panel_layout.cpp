#include "ui/panel_layout.h"

#include <algorithm>
#include <cmath>

namespace lumo {

namespace {

// The largest 2:3 (width:height) rectangle in the window, in whole points.
void view_size(float window_width, float window_height, float* width, float* height) {
    const int w = static_cast<int>(window_width), h = static_cast<int>(window_height);
    if (static_cast<long>(w) * 3 > static_cast<long>(h) * 2) {
        *height = static_cast<float>(h);
        *width = static_cast<float>((h * 2) / 3);
    } else {
        *width = static_cast<float>(w);
        *height = static_cast<float>((w * 3) / 2);
    }
}

// The most rows that fit in `room` points; the compact rows where none do.
int rows_fitting(float room, float scale) {
    using M = PanelMetrics;
    for (int rows : {M::kRows, M::kToolRows})
        if (M::height(rows, scale) <= room) return rows;
    return M::kCompactRows;
}

}  // namespace

InterfaceLayout lay_out_interface(float window_width, float window_height, float scale, bool tilt_control, bool hint) {
    using M = PanelMetrics;
    InterfaceLayout layout;
    float vw = 0, vh = 0;
    view_size(window_width, window_height, &vw, &vh);
    layout.view = {std::floor((window_width - vw) / 2), std::floor((window_height - vh) / 2), vw, vh};
    const float margin = M::kMargin * scale;
    const float full = M::height(M::kRows, scale);
    const float min_width = M::kMinWidth * scale, max_width = M::kMaxWidth * scale;
    const float hint_height = hint ? M::kHintHeight * scale : 0.0f;

    // A wide window: beside the view, the two centred together.
    const float side = window_width - vw;
    if (side >= min_width + 2 * margin) {
        const float width = std::min(side - 2 * margin, max_width);
        const float group = vw + margin + width;
        layout.view.x = std::floor((window_width - group) / 2);
        layout.rows = rows_fitting(window_height - 2 * margin, scale);
        layout.hint = hint && M::height(layout.rows, scale) + hint_height <= window_height - 2 * margin;
        const float height = M::height(layout.rows, scale) + (layout.hint ? hint_height : 0.0f);
        layout.panel = {layout.view.right() + margin, std::floor((window_height - height) / 2), width, height};
        layout.place = PanelPlace::beside;
        return layout;
    }

    const float width = std::min(window_width - 2 * margin, max_width);
    const float panel_x = std::floor((window_width - width) / 2);
    // A tall window with room below the view: the two centred together.
    if (window_height - vh >= full + 2 * margin) {
        layout.hint = hint && window_height - vh >= full + hint_height + 2 * margin;
        const float height = full + (layout.hint ? hint_height : 0.0f);
        layout.view.y = std::floor((window_height - (vh + margin + height)) / 2);
        layout.panel = {panel_x, layout.view.bottom() + margin, width, height};
        layout.place = PanelPlace::below;
        return layout;
    }
    // Otherwise over the picture, which goes to the top to leave the panel
    // what room there is; never above the tap band's lower edge if it fits.
    layout.view.y = 0;
    const float band_bottom = vh * 0.75f;
    const float room = window_height - margin - band_bottom - margin;
    // The tilt's row stays where it holds the only way to allow the sensor.
    layout.rows = tilt_control ? M::kRows : rows_fitting(room, scale);
    layout.hint = hint && M::height(layout.rows, scale) + hint_height <= room;
    const float height = M::height(layout.rows, scale) + (layout.hint ? hint_height : 0.0f);
    layout.panel = {panel_x, window_height - margin - height, width, height};
    layout.place = layout.panel.y >= vh ? PanelPlace::below : PanelPlace::over;
    return layout;
}

float panel_scale(float window_width, float window_height, float scale, bool tilt_control, bool hint) {
    constexpr float kStep = 1.0f / 32.0f;
    for (float tried = scale; tried >= 1.0f; tried -= kStep) {
        if (lay_out_interface(window_width, window_height, tried, tilt_control, hint).rows >= PanelMetrics::kToolRows)
            return tried;
    }
    if (lay_out_interface(window_width, window_height, 1.0f, tilt_control, hint).rows >= PanelMetrics::kToolRows)
        return 1.0f;
    return scale;
}

}  // namespace lumo
