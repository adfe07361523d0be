// Creation, the layout pass, the framebuffer and picture uploads.

#include <regex>

#include "offscreen_view.h"
#include "platform/log.h"

namespace lumo::testing {
namespace {

using ViewSetup = OffscreenView;

GLint texture_width(GLuint texture) {
    GLint previous = 0, width = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return width;
}

TEST_F(ViewSetup, CreationGivesTheDefaultDomeAndPictureAndNoTimer) {
    EXPECT_EQ(view_->trans()->rest_shape()[3 * 1275 + 2], 0.11f);
    EXPECT_EQ(view_->animation_interval(), 0.05);
    EXPECT_TRUE(view_->displays_surface());
    EXPECT_FALSE(view_->animating());
    EXPECT_FALSE(view_->tap_pending());
    for (int slot = 0; slot <= 4; ++slot) EXPECT_FALSE(view_->touch_slot_held(slot));
    ASSERT_NE(view_->picture(), nullptr) << "texture.png next to the tests";
    EXPECT_EQ(view_->picture()->width(), 512);
    EXPECT_EQ(view_->screen_size().width, 320.0f);
    EXPECT_EQ(view_->screen_size().height, 480.0f);
}

TEST_F(ViewSetup, TheLayoutPassBuildsAFramebufferOfTheViewsSize) {
    EXPECT_NE(view_->frame().framebuffer, 0u);
    EXPECT_NE(view_->frame().texture, 0u);
    EXPECT_NE(view_->depth_buffer(), 0u);
    EXPECT_EQ(view_->frame().width, 320);
    EXPECT_EQ(view_->frame().height, 480);
    glBindFramebuffer(GL_FRAMEBUFFER, view_->frame().framebuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
}

TEST_F(ViewSetup, DestroyingTheFramebufferTwiceIsHarmless) {
    view_->destroyFramebuffer();
    EXPECT_EQ(view_->frame().framebuffer, 0u);
    EXPECT_EQ(view_->frame().texture, 0u);
    EXPECT_EQ(view_->depth_buffer(), 0u);
    view_->destroyFramebuffer();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(view_->createFramebuffer());
}

// The design's own diagnostic, for the system's log: never the user's terminal.
TEST_F(ViewSetup, AnIncompleteFramebufferIsLoggedAndTheViewKeepsRunning) {
    view_->eagl_context()->overrideDrawableSize(0, 0);
    view_->destroyFramebuffer();
    std::string log;
    set_diagnostic_sink([&log](const char* line) { log += std::string(line) + "\n"; });
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(view_->createFramebuffer());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    set_diagnostic_sink(nullptr);
    EXPECT_TRUE(std::regex_match(log, std::regex("failed to make complete framebuffer object [0-9a-f]+\n"))) << log;
    view_->drawView();  // draws into it regardless
    view_->eagl_context()->overrideDrawableSize(-1, -1);
    view_->layoutSubviews();
    EXPECT_EQ(view_->frame().width, 320);
}

TEST_F(ViewSetup, EachUploadMakesANewTextureAndDeletesTheOldOne) {
    const GLuint first = view_->texture_name();
    ASSERT_TRUE(glIsTexture(first));
    view_->layoutSubviews();
    const GLuint second = view_->texture_name();
    EXPECT_NE(second, first);
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ViewSetup, PicturesSetDirectlyKeepTheirSizeAndPickedOnesAreFitted) {
    auto wide = std::make_shared<const Picture>(Picture(300, 100));
    view_->setTexture(wide);
    EXPECT_EQ(view_->picture(), wide);  // not shown until the next upload
    view_->layoutSubviews();
    EXPECT_EQ(texture_width(view_->texture_name()), 300);

    view_->load_texture(wide);
    EXPECT_EQ(view_->picture()->width(), 512);
    EXPECT_EQ(view_->picture()->height(), 512);
    EXPECT_EQ(texture_width(view_->texture_name()), 512);

    view_->initializeTexture();
    EXPECT_EQ(view_->picture()->width(), 512);
}

TEST_F(ViewSetup, NoPictureGivesAnEmptyTextureAndTheSurfaceStillDraws) {
    view_->setTexture(nullptr);
    view_->load_texture();
    EXPECT_EQ(texture_width(view_->texture_name()), 0);
    view_->trans()->set_initializing_index(-1);
    view_->drawView();
    EXPECT_FALSE(pixel_at_surface(0.0f, 0.0f).is_clear_colour());
}

}  // namespace
}  // namespace lumo::testing
