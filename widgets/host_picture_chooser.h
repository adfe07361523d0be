#pragma once
// The picture picker where the host has a chooser of its own (the browser's:
// on a phone the photo library or the camera). The chooser is the host's
// window; over the surface a small panel says what is happening and keeps a
// Cancel control, so that a chooser the browser never reports closing does
// not leave the program waiting. The picture arrives decoded and upright
// and is fitted into the texture square here, as the picker fits its own.

#include <imgui.h>

#include <memory>
#include <string>

#include "picture/picture.h"

namespace lumo {

class HostPictureChooser {
public:
    HostPictureChooser();
    ~HostPictureChooser();
    HostPictureChooser(const HostPictureChooser&) = delete;
    HostPictureChooser& operator=(const HostPictureChooser&) = delete;

    void open(bool camera);
    void close();  // an answer still to come is dropped

    enum class Outcome { none, picked, cancelled };
    // Once per interface frame while open: takes the host's answer and draws
    // the panel. picked: *picture holds the fitted picture.
    Outcome draw(std::shared_ptr<const Picture>* picture);
    const std::string& message() const { return message_; }  // why the last one was refused

private:
    Outcome take_answer(std::shared_ptr<const Picture>* picture);
    void ask_host();

    bool camera_ = false;
    bool open_ = false;
    std::string message_;
    int id_;
    ImGuiID popup_id_ = 0;
    bool opened_ = false;
};

}  // namespace lumo
