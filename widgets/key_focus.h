#pragma once
// Which control of a modal screen the keyboard is on. Each frame the screen
// names its controls in the order it draws them (control() says whether
// that one has the focus, so that it draws its ring), then end_frame()
// applies the frame's keys: Tab and Shift+Tab go round every control, the
// arrows step along them, Home and End go to the first and last of the
// focused control's group (the rows of a list), and Enter or Space presses
// the focused control. The focus starts on the first control drawn, and
// where the focused control is no longer drawn it falls to the one that
// took its place. Call inside the screen's popup window.

#include <vector>

namespace lumo {

class KeyFocus {
public:
    static constexpr int kNone = -1;

    // Which keys move the focus: a screen that reads some itself (a list's
    // arrows, a text field's Home and End) leaves them out.
    enum Moves : unsigned {
        tab = 1u << 0,
        arrows = 1u << 1,
        home_end = 1u << 2,
        enter = 1u << 3,  // Enter and Space press the focused control
        all = tab | arrows | home_end | enter,
    };

    KeyFocus();
    // A control of this frame, in drawing order: true when it has the focus.
    // key: unique among the screen's controls, kept from frame to frame.
    bool control(int key, int group = 0);
    // Applies this frame's keys. The key of the control Enter or Space
    // pressed, else kNone.
    int end_frame(unsigned moves = all);
    // Puts the focus on a control, shown from its next drawing.
    void focus(int key) { focused_ = key; }
    int focused() const { return focused_; }
    // Forgets the focus: the first control drawn takes it again.
    void reset() { focused_ = kNone; }

private:
    struct Entry {
        int key;
        int group;
    };
    int index_of(int key) const;

    std::vector<Entry> controls_;  // this frame's, kept between frames for their room
    int focused_ = kNone;
    int last_index_ = 0;  // where the focused control was drawn
};

}  // namespace lumo
