#pragma once
// Where the picture and the control panel go in a window of a given size,
// so that the panel hides as little of the picture as it can: below the 2:3
// view in a tall window, beside it in a wide one, and over the picture only
// where there is no room, then never above the lower quarter of the view,
// where the tap that toggles the panel lands (the middle half). Plain
// arithmetic in window points.

namespace lumo {

struct LayoutRect {
    float x = 0, y = 0, width = 0, height = 0;
    float right() const { return x + width; }
    float bottom() const { return y + height; }
};

// The panel's rows, in design points at scale 1: four rows of controls
// (Save, Initialize, Load; Edit shape, Lines, Fix; the tools: Undo, Redo,
// Record; the tilt), each a fingertip tall, with a fingertip's gap between
// targets.
// Where they do not all fit the tilt's row goes first, then the tools'.
struct PanelMetrics {
    static constexpr float kRowHeight = 44.0f;
    static constexpr float kGap = 8.0f;  // between rows and between controls
    static constexpr float kPadding = 8.0f;  // inside the panel's edge
    static constexpr float kMargin = 8.0f;  // between the panel and what is around it
    static constexpr float kMinWidth = 288.0f;
    static constexpr float kMaxWidth = 360.0f;
    static constexpr int kRows = 4;
    static constexpr int kToolRows = 3;  // without the tilt's row
    static constexpr int kCompactRows = 2;  // without the tools' row either
    // The hint's line under the rows, until it has been used: room for its
    // words on two lines, however narrow the panel.
    static constexpr float kHintHeight = 36.0f;
    static float height(int rows, float scale) {
        return (rows * kRowHeight + (rows - 1) * kGap + 2 * kPadding) * scale;
    }
};

enum class PanelPlace {
    below,  // under the view, over none of the picture
    beside,  // to the right of the view
    over,  // over the lower part of the view
};

struct InterfaceLayout {
    LayoutRect view;  // the 2:3 picture
    LayoutRect panel;  // the control panel
    PanelPlace place = PanelPlace::over;
    int rows = PanelMetrics::kRows;  // fewer where there is no room for them all
    bool hint = false;  // the hint's line under the rows (asked for, and room for it)
};

// The whole layout for a window_width x window_height window (points) at
// this interface scale (see interface_scale()). With tilt_control (the
// browser gives motion only once asked from a tap) the tilt's row stays even
// where it reaches into the tap band: its control is the only way to tilt.
// With hint the panel grows by the hint's line where that costs no row and
// keeps to the rules above; elsewhere the hint is left out.
InterfaceLayout lay_out_interface(float window_width, float window_height, float scale, bool tilt_control = false,
                                  bool hint = false);

// The interface's scale for this window: `scale` (the view's, see
// interface_scale()), made smaller, never below 1, where that keeps the
// tools' row (Undo, Redo, Record) that the panel would drop at `scale`: on
// a tablet or a short desktop window a fingertip grown to twice its size
// would otherwise cost the only Undo a touch screen has.
float panel_scale(float window_width, float window_height, float scale, bool tilt_control = false, bool hint = false);

}  // namespace lumo
