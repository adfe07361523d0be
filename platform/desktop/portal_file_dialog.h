#pragma once
// The desktop's own Open and Save As dialogs (GNOME's, KDE's, a sandbox's)
// through the XDG desktop portal's file chooser (libportal). The dialog is
// another process's window: the answer arrives later and is polled between
// frames, so the main thread never waits on it. Where no portal answers (no
// session bus, nothing owning or able to start org.freedesktop.portal.Desktop,
// a portal without a file chooser) the answer is `unavailable`, within a
// poll or two, and the program uses its own browser instead.
//
// Main thread only. The D-Bus replies are delivered in a GLib main context
// of lumo's own, run by poll() without blocking; GDBus does the socket work
// on its own thread. No GLib main loop runs on the main thread, and nothing
// else's sources on GLib's global context are dispatched by it.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/host.h"  // FileDialogAnswer

namespace lumo {

class PortalFileDialog {
public:
    PortalFileDialog();
    // Closes a dialog still open; its answer is dropped.
    ~PortalFileDialog();
    PortalFileDialog(const PortalFileDialog&) = delete;
    PortalFileDialog& operator=(const PortalFileDialog&) = delete;

    // Open: a picture (JPEG, PNG and the other formats lumo decodes) or a
    // shape file (*.lumo). A request replaces one still open.
    void open_picture_or_shape();
    // Save As: a shape file anywhere, suggesting `suggested_name` in the
    // portal's usual folder. The portal asks before replacing a file; the
    // name comes back as typed (it may lack ".lumo").
    void save_shape_as(const std::string& suggested_name);

    // true from a request until its answer has been taken by poll().
    bool waiting() const;
    // Delivers what D-Bus has brought, without waiting, and returns the
    // answer once; Kind::none until it is there.
    FileDialogAnswer poll();
    // Closes the open dialog; nothing arrives for it.
    void cancel();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace lumo
