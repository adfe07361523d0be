#pragma once
// The state of the interface's plain controls. The control panel draws them
// from this state each frame; the program reads and changes it like the
// properties of platform views (hidden, on).

namespace lumo {

class UIView {
public:
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }

private:
    bool hidden_ = false;
};

class UIButton : public UIView {};

class UISwitch : public UIView {
public:
    bool isOn() const { return on_; }
    void setOn(bool on) { on_ = on; }

private:
    bool on_ = false;
};

}  // namespace lumo
