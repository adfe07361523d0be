#pragma once
// What an action changed of the view's rest shape and picture: the view
// tells the history before each such change, and the Undo and Redo
// controls name it.

namespace lumo {

enum class ViewChange {
    fix,  // Fix in edit mode: the sculpted surface became the rest shape
    initialize,  // Initialize > Shape or > Texutre: the default back
    picture,  // a new picture: the picture browser, the chooser, the camera, a drop, the command line
    shape,  // a shape file opened: its rest shape and, where it has a usable one, its picture
};

// The words after "Undo " and "Redo ", and shorter ones for a narrow button.
constexpr const char* view_change_short_name(ViewChange change) {
    return change == ViewChange::initialize ? "Init." : nullptr;
}
constexpr const char* view_change_name(ViewChange change) {
    switch (change) {
        case ViewChange::fix: return "Fix";
        case ViewChange::initialize: return "Initialize";
        case ViewChange::picture: return "picture";
        case ViewChange::shape: return "shape";
    }
    return "";
}

}  // namespace lumo
