// The view's creation and destruction, its layout pass, the framebuffer with
// its colour texture and depth renderbuffer, and the picture uploads.

#include "platform/gl_window.h"
#include "platform/log.h"
#include "picture/image_named.h"
#include "platform/fixed_function_gl.h"
#include "render/eagl_view.h"

namespace lumo {

namespace {
constexpr const char* kDefaultPicture = "texture.png";
}

std::unique_ptr<LUMOTransform> EAGLView::default_surface() {
    auto surface = std::make_unique<LUMOTransform>();
    surface->set_init_position_and_mass_at_startup(true);
    return surface;
}

std::shared_ptr<const Picture> EAGLView::default_picture() { return imageNamed(kDefaultPicture); }

std::unique_ptr<EAGLView> EAGLView::initWithCoder(GLWindow* window, RunLoop* run_loop) {
    return initWithCoder(window, run_loop, ViewContents{default_surface(), default_picture()});
}

std::unique_ptr<EAGLView> EAGLView::initWithCoder(GLWindow* window, RunLoop* run_loop, ViewContents contents) {
    std::unique_ptr<EAGLView> view(new EAGLView);
    view->window_ = window;
    view->run_loop_ = run_loop;
    view->context = EAGLContext::initWithWindow(window);
    if (!view->context || !EAGLContext::setCurrentContext(view->context.get())) return nullptr;

    view->_lumo_trans = std::move(contents.surface);
    view->_surface_vertices = view->_lumo_trans->surface_vertices();
    view->drawn_vertices_ = view->_surface_vertices;
    view->animationInterval = kFrameInterval;
    view->_display_surface = true;
    view->update_screen_size();
    view->_touches.fill(0);
    view->setTexture(std::move(contents.picture));
    view->picture_jobs_ = make_picture_jobs();
    view->touch_time.reset();
    return view;
}

EAGLView::~EAGLView() {
    if (run_loop_ != nullptr) stopAnimation();
    picture_jobs_.reset();  // cancels and joins a picture being prepared
    if (EAGLContext::currentContext() == context.get()) EAGLContext::setCurrentContext(nullptr);
    texture.reset();
    _lumo_trans.reset();  // stops and joins a running table build
    context.reset();
}

// The view's size in points: touch mapping and the tap band follow it.
void EAGLView::update_screen_size() {
    const ViewRect rect = window_->view_rect_points();
    _screen_size = {static_cast<float>(rect.width), static_cast<float>(rect.height)};
}

void EAGLView::layoutSubviews() {
    calculate_indices();
    load_texture();
    init_texture_coordinates();
    EAGLContext::setCurrentContext(context.get());
    destroyFramebuffer();
    createFramebuffer();
}

bool EAGLView::createFramebuffer() {
    glGenFramebuffers(1, &viewFramebuffer);
    glGenTextures(1, &viewColorTexture);
    glBindFramebuffer(GL_FRAMEBUFFER, viewFramebuffer);
    context->colorBufferStorage(viewColorTexture, &backingWidth, &backingHeight);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, viewColorTexture, 0);

    glGenRenderbuffers(1, &depthRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, backingWidth, backingHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer);

    setNeedsDisplay();  // a new framebuffer holds no frame yet
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) return true;
    log_diagnostic("failed to make complete framebuffer object %x", glCheckFramebufferStatus(GL_FRAMEBUFFER));
    return false;
}

void EAGLView::destroyFramebuffer() {
    glDeleteFramebuffers(1, &viewFramebuffer);
    viewFramebuffer = 0;
    glDeleteTextures(1, &viewColorTexture);
    viewColorTexture = 0;
    if (depthRenderbuffer != 0) {
        glDeleteRenderbuffers(1, &depthRenderbuffer);
        depthRenderbuffer = 0;
    }
}

// A new texture name on every upload; the texture it replaces is deleted, so
// changing pictures does not pile up GPU memory.
void EAGLView::upload_picture(const Picture* picture) {
    const GLuint previous = _texture_num;
    const int width = picture != nullptr ? picture->width() : 0;
    const int height = picture != nullptr ? picture->height() : 0;
    glGenTextures(1, &_texture_num);
    glBindTexture(GL_TEXTURE_2D, _texture_num);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The first byte row is the picture's top row, which texture coordinate v = 0 reads.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 width > 0 ? picture->pixels() : nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glEnable(GL_TEXTURE_2D);
    if (previous != 0) glDeleteTextures(1, &previous);
    setNeedsDisplay();
}

void EAGLView::load_texture() { upload_picture(texture.get()); }

void EAGLView::load_texture(std::shared_ptr<const Picture> picture) {
    will_change(ViewChange::picture);
    show_picture(std::move(picture));
}

void EAGLView::show_picture(std::shared_ptr<const Picture> picture) {
    if (picture == nullptr) {
        setTexture(nullptr);
    } else if (picture->width() == kTextureSide && picture->height() == kTextureSide) {
        setTexture(std::move(picture));  // already fitted (fitting it again changes nothing)
    } else {
        setTexture(std::make_shared<const Picture>(fit_picture(*picture)));
    }
    load_texture();
}

void EAGLView::initializeTexture() {
    will_change(ViewChange::initialize);
    show_picture(imageNamed(kDefaultPicture));
}

}  // namespace lumo
