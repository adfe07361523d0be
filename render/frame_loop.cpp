// The frame timer and the frame routine: tilt into the body force, one
// simulation step once the tables are built, normals, then the lit, textured
// surface in its orthographic view, revealed from the top while a build runs.

#include <algorithm>
#include <cstring>

#include "platform/startup_trace.h"
#include "platform/fixed_function_gl.h"
#include "render/eagl_view.h"
#include "render/mesh_buffers.h"

namespace lumo {

namespace {

// Bounds of the visible area in surface coordinates: a 2:3 portrait view
// with y growing down the screen, like touch coordinates.
constexpr float kScreenMinX = -0.12666667f;
constexpr float kScreenMaxX = 0.12666667f;
constexpr float kScreenMinY = -0.19f;
constexpr float kScreenMaxY = 0.19f;

constexpr GLfloat kMaterialAmbient[] = {0.4f, 0.4f, 0.4f, 1.0f};
constexpr GLfloat kMaterialDiffuse[] = {0.9f, 0.9f, 0.9f, 1.0f};
constexpr GLfloat kMaterialSpecular[] = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr GLfloat kMaterialShininess = 30.0f;
constexpr GLfloat kLightAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
constexpr GLfloat kLightDiffuse[] = {0.7f, 0.7f, 0.7f, 1.0f};
constexpr GLfloat kLightSpecular[] = {0.5f, 0.5f, 0.5f, 1.0f};
// Positional, given before this frame's model-view is loaded: it is moved by
// the previous frame's translation, so it sits up and left, in front.
constexpr GLfloat kLightPosition[] = {-1.0f, -1.5f, 2.0f, 1.0f};

}  // namespace

// Seen from straight above (the projection is orthographic), a resting
// vertex's x and y are its grid coordinates, and its texture coordinate
// runs linearly with them from the first grid line to the last.
PicturePart EAGLView::visible_picture_part() {
    const float first = grid_coordinate(0), span = grid_coordinate(kGridSize - 1) - first;
    return {(kScreenMinX - first) / span, (kScreenMinY - first) / span, (kScreenMaxX - first) / span,
            (kScreenMaxY - first) / span};
}

void EAGLView::calculate_indices() { fill_surface_indices(_surface_indices); }

void EAGLView::init_texture_coordinates() { fill_texture_coordinates(_texture_coordinates); }

void EAGLView::calculate_normals() { compute_normals(drawn_vertices_, _surface_normals); }

// Mended: the timer restarts after every menu, picker, list and focus change.
// Restarting with the full step while the edit switch still shows on left the
// user sculpting at ten times the speed the switch promised, so a restart
// with the switch on keeps the edit step (and the fix button with it).
void EAGLView::startAnimation() {
    if (_edit_switch != nullptr && _edit_switch->isOn()) {
        startAnimationForEditMode();
        if (_edit_fix_button) _edit_fix_button->setHidden(false);
        return;
    }
    _lumo_trans->set_time_interval(static_cast<float>(animationInterval));
    setAnimationTimer(run_loop_->scheduleRepeating(animationInterval, [this] { drawView(); }));
}

void EAGLView::stopAnimation() { setAnimationTimer(Timer{}); }

void EAGLView::setAnimationTimer(Timer timer) {
    run_loop_->invalidate(animationTimer);
    animationTimer = timer;
}

void EAGLView::setAnimationInterval(double seconds) {
    animationInterval = seconds;
    if (animating()) {
        stopAnimation();
        startAnimation();
    }
}

void EAGLView::drawView() {
    _lumo_trans->setAccelDirectionAt(0, static_cast<float>(accel0), -static_cast<float>(accel1),
                                     static_cast<float>(accel2 * 0.5));
    if (interpolates_) {
        // The display draws on its own beat (display_frame): keep the state
        // this step starts from, so it can show the way between the two.
        std::memcpy(previous_surface_.data(), _surface_vertices, sizeof previous_surface_);
        step();
        last_step_time_ = run_loop_->now();
        return;
    }
    step();
    // The build publishes the row it is on: reveal that many cells from the top.
    const int32_t progress = _lumo_trans->initializing_index();
    const int cells = progress < 0 || progress > kCellCount ? kCellCount : progress;
    const FrameLook look{_display_surface, cells, viewFramebuffer, backingWidth, backingHeight};
    if (!frame_changes_.take(_surface_vertices, look)) return;  // the window keeps the last frame
    render_frame();
}

void EAGLView::step() {
    if (_lumo_trans->initializing_index() >= 0) return;  // the table is still being built
    _lumo_trans->transform();
    ++steps_taken_;
}

void EAGLView::set_interpolated_display(bool interpolates) {
    interpolates_ = interpolates;
    std::memcpy(previous_surface_.data(), _surface_vertices, sizeof previous_surface_);
    drawn_vertices_ = _surface_vertices;
}

// What the screen shows at `now`: the surface between the state before the
// last step and after it, as far along as the time since that step is along
// the step's interval. So the display runs one step behind the simulation,
// and moves smoothly at whatever rate the screen refreshes.
void EAGLView::display_frame(double now) {
    if (!interpolates_ || !animating()) return;
    const double along = (now - last_step_time_) / animationInterval;
    if (along >= 1.0) {
        drawn_vertices_ = _surface_vertices;  // the step's own floats, bit for bit
    } else {
        const float t = static_cast<float>(std::max(along, 0.0));
        for (int k = 0; k < kSurfaceFloatCount; ++k) {
            const float from = previous_surface_[k];
            shown_surface_[k] = from + (_surface_vertices[k] - from) * t;
        }
        drawn_vertices_ = shown_surface_.data();
    }
    const int32_t progress = _lumo_trans->initializing_index();
    const int cells = progress < 0 || progress > kCellCount ? kCellCount : progress;
    const FrameLook look{_display_surface, cells, viewFramebuffer, backingWidth, backingHeight};
    if (!frame_changes_.take(drawn_vertices_, look)) return;  // the window keeps the last frame
    render_frame();
}

bool EAGLView::wants_display_frames() const {
    if (!interpolates_ || !animating()) return false;
    return frame_changes_.pending() || _lumo_trans->initializing_index() >= 0 ||
           !same_to_the_eye(previous_surface_.data(), _surface_vertices);
}

void EAGLView::render_frame() {
    calculate_normals();

    EAGLContext::setCurrentContext(context.get());
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, kMaterialAmbient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kMaterialDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kMaterialSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, kMaterialShininess);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kLightSpecular);
    glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);

    glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer);
    glViewport(0, 0, backingWidth, backingHeight);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    _screen_min_x = kScreenMinX;
    _screen_max_x = kScreenMaxX;
    _screen_min_y = kScreenMinY;
    _screen_max_y = kScreenMaxY;
    // Bottom is the larger y: y = -0.19 is the top edge of the view.
    glOrtho(_screen_min_x, _screen_max_x, _screen_max_y, _screen_min_y, 0.1, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -0.5f);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, drawn_vertices_);
    glNormalPointer(GL_FLOAT, 0, _surface_normals.data());
    glTexCoordPointer(2, GL_FLOAT, 0, _texture_coordinates.data());

    const int32_t progress = _lumo_trans->initializing_index();
    const int cells = progress < 0 || progress > kCellCount ? kCellCount : progress;
    glDrawElements(_display_surface ? GL_TRIANGLES : GL_LINES, 6 * cells, GL_UNSIGNED_SHORT, _surface_indices.data());

    context->presentRenderbuffer(GL_RENDERBUFFER);
    if (cells == kCellCount) startup_mark("whole dome shown");
}

}  // namespace lumo
