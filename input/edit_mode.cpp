// Edit mode: the edit switch cuts the time step to a tenth, the fix button
// makes the current surface the rest shape, and the shape can be reset to
// the default dome. Every change of the rest shape starts a table build;
// each one an action makes is told to the history first.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/eagl_view.h"

namespace lumo {

void EAGLView::setEditMode(const UISwitch* edit_switch) {
    if (!animating()) return;  // the switch alone never starts the frame timer
    if (edit_switch->isOn()) {
        startAnimationForEditMode();
        if (_edit_fix_button) _edit_fix_button->setHidden(false);
    } else {
        startAnimation();
        if (_edit_fix_button) _edit_fix_button->setHidden(true);
    }
}

// Frames keep coming at the frame interval; each advances a tenth of it.
void EAGLView::startAnimationForEditMode() {
    _lumo_trans->set_time_interval(static_cast<float>(animationInterval / 10.0));
    setAnimationTimer(run_loop_->scheduleRepeating(animationInterval, [this] { drawView(); }));
}

void EAGLView::surfaceEditFixed() {
    will_change(ViewChange::fix);
    set_rest_shape(false);
}

void EAGLView::initializeShape() {
    will_change(ViewChange::initialize);
    set_rest_shape(true);
}

void EAGLView::take_shape(std::span<const float> positions, std::shared_ptr<const Picture> picture) {
    const auto finite = [](float value) { return std::isfinite(value); };
    if (positions.size() != kSurfaceFloatCount || !std::all_of(positions.begin(), positions.end(), finite)) return;
    will_change(ViewChange::shape);
    if (picture != nullptr) {
        setTexture(std::move(picture));
        load_texture();
    }
    take_rest_shape(positions);
}

// Compared bit for bit: the same rest shape needs no new table.
void EAGLView::restore(std::span<const float> rest_shape, std::shared_ptr<const Picture> picture) {
    if (picture != texture) {
        setTexture(std::move(picture));
        load_texture();
    } else if (picture_jobs_) {
        picture_jobs_->cancel();
    }
    const auto& present = _lumo_trans->rest_shape();
    if (rest_shape.size() == present.size() &&
        std::memcmp(rest_shape.data(), present.data(), sizeof(float) * present.size()) == 0)
        return;
    // Every kept rest shape is one a set-up made, so it is taken as it is.
    if (_lumo_trans->set_rest_shape_exactly(rest_shape)) set_vertices();
}

void EAGLView::take_rest_shape(std::span<const float> positions) {
    if (!_lumo_trans->set_rest_shape_exactly(positions)) {
        if (!_lumo_trans->setInitSurfacePositionBy(positions)) return;  // not 7500 finite values: nothing changes
        _lumo_trans->set_init_position_and_mass_at_startup(false);
    }
    rest_shape_changed();
}

void EAGLView::set_rest_shape(bool from_default_dome) {
    _lumo_trans->set_init_position_and_mass_at_startup(from_default_dome);
    rest_shape_changed();
}

// After the set-up (the build reads the new rest shape): the build, then
// leaving edit mode.
void EAGLView::rest_shape_changed() {
    set_vertices();
    if (_edit_switch) {
        _edit_switch->setOn(false);
        setEditMode(_edit_switch);
    }
    // Leaving edit mode while the frame timer is stopped (a menu holds it)
    // skips the mode change; the fix button goes with the switch all the same.
    if (_edit_fix_button) _edit_fix_button->setHidden(true);
}

// The set-up has stopped any running build already; this one publishes 0
// before returning, so the step is held off from the next frame on.
void EAGLView::set_vertices() { _lumo_trans->start_table_build(); }

}  // namespace lumo
