// A picture dropped on the window is prepared on the worker: the frames go
// on meanwhile, it lands on the dome when ready, and a newer drop wins.

#include <fstream>

#include "support/app_harness.h"
#include "support/solid_picture.h"
#include "../picture/prepare_gate.h"

namespace lumo::testing {
namespace {

class PictureArrival : public AppTest {
protected:
    std::filesystem::path plain(const char* name, uint8_t r, uint8_t g, uint8_t b) {
        EXPECT_TRUE(save_png_file(solid_picture(300, 200, {r, g, b, 255}), home_ / name));
        return home_ / name;
    }
    uint8_t texture_red() const { return app_->view().picture()->pixel(256, 256)[0]; }
};

TEST_F(PictureArrival, FramesKeepFiringWhileAPictureIsPrepared) {
    launch();
    app().set_waits_for_pictures(false);  // as with a display: nobody waits
    const auto before = view().picture();
    PrepareGate gate;
    drop(plain("red.png", 220, 0, 0));
    gate.wait_for_started(1);
    const long frames = app().frames_drawn();
    app().run_for(0.5);
    EXPECT_GE(app().frames_drawn() - frames, 9) << "the frame timer kept its 0.05 s interval";
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(view().picture(), before) << "nothing arrives while the decode is held";
    // The dome is still pressed by a finger meanwhile.
    const float rest = trans().surface_vertices()[3 * 1275 + 2];
    finger(SDL_FINGERDOWN, 1, 160, 240);
    app().run_for(0.3);
    EXPECT_NE(trans().surface_vertices()[3 * 1275 + 2], rest);
    finger(SDL_FINGERUP, 1, 160, 240);

    gate.release();
    view().wait_for_prepared_picture();
    turn();
    ASSERT_NE(view().picture(), before);
    ASSERT_EQ(view().picture()->width(), kTextureSide);
    EXPECT_EQ(texture_red(), 220);
}

TEST_F(PictureArrival, ASecondDropReplacesTheFirstStillBeingPrepared) {
    launch();
    app().set_waits_for_pictures(false);
    PrepareGate gate;
    drop(plain("red.png", 220, 0, 0));
    gate.wait_for_started(1);
    drop(plain("blue.png", 0, 0, 220));
    gate.release();
    for (int i = 0; i < 400 && view().preparing_picture(); ++i) {
        turn();
        ASSERT_NE(texture_red(), 220) << "the first picture never shows";
    }
    view().wait_for_prepared_picture();
    turn();
    EXPECT_EQ(texture_red(), 0);
    EXPECT_EQ(view().picture()->pixel(256, 256)[2], 220);
}

TEST_F(PictureArrival, HeadlessRunsTakeThePictureBeforeTheNextFrame) {
    launch();
    drop(plain("green.png", 0, 200, 0));
    EXPECT_EQ(view().picture()->pixel(256, 256)[1], 200) << "waited for at the tick, as the table build is";
}

TEST_F(PictureArrival, APictureTooLargeToOpenIsReportedAndChangesNothing) {
    launch();
    const auto before = view().picture();
    std::vector<uint8_t> gif = {'G',  'I', 'F', '8', '9', 'a', 0,    0x20, 0,    0x20, 0, 0, 0,
                                0x2C, 0,   0,   0,   0,   0,   0x20, 0,    0x20, 0,    2, 0, 0x3B};
    {
        std::ofstream out(home_ / "huge.gif", std::ios::binary);
        out.write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
    }
    ::testing::internal::CaptureStderr();
    drop(home_ / "huge.gif");
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("huge.gif"), std::string::npos) << log;
    EXPECT_NE(log.find("8192 x 8192"), std::string::npos) << log;
    EXPECT_EQ(view().picture(), before);
    ASSERT_NE(app().ui().panel()->notice(), nullptr);
    EXPECT_TRUE(app().ui().panel()->notice()->isVisible());
}

}  // namespace
}  // namespace lumo::testing
