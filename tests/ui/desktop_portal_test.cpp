// Open and Save As through the desktop's own dialogs, the whole way: the
// keys, the program asking the portal on the session bus, the stand-in
// portal's answer (tests/platform/fake_portal.py), and the file opened or
// written. Run by ctest under dbus-run-session with that bus; skipped
// elsewhere.

#include <string>

#include "shape/shape_file.h"
#include "support/app_harness.h"
#include "support/sample_shapes.h"
#include "support/session_bus.h"
#include "support/text_bytes.h"

namespace lumo::testing {
namespace {

class DesktopPortal : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (!bus_can_start("org.freedesktop.portal.Desktop"))
            GTEST_SKIP() << "needs the test bus (ctest runs this under dbus-run-session with portal-bus.conf)";
        set_activation_environment("LUMO_FAKE_PORTAL_DIR", portal_.path().c_str());
        options_.desktop_dialogs = true;
        launch();
    }
    void answer_with(const std::string& answer) { write_text(portal_ / "answer", answer); }
    void press_with_ctrl(SDL_Keycode key, Uint16 more = KMOD_NONE) {
        app().push_key_event(SDL_KEYDOWN, key, KMOD_LCTRL | more);
        app().push_key_event(SDL_KEYUP, key, KMOD_NONE);
    }
    // Turns until the program has the portal's answer (or a long while has passed).
    void until_answered() {
        for (int turn = 0; turn < 600 && app().files().waiting(); ++turn) app().run_for(0.05);
        EXPECT_FALSE(app().files().waiting()) << "no answer from the portal";
        app().run_for(0.2);
    }
    TempFolder portal_;
};

TEST_F(DesktopPortal, OpenAndSaveAsTakeThePlaceChosenAndCancelDoesNothing) {
    const std::vector<float> ramp = ramp_shape();
    std::string error;
    ASSERT_TRUE(write_shape_file(home_ / "ramp.lumo", ramp, encode_png(Picture(4, 4)), &error)) << error;

    // Open: the shape file chosen in the desktop's dialog, remembered.
    answer_with("0 file://" + (home_ / "ramp.lumo").string());
    press_with_ctrl(SDLK_o);
    app().run_for(0.1);
    until_answered();
    // The ramp's heights inside its fixed rim.
    const int inner = 3 * (20 * 50 + 40) + 2;
    EXPECT_EQ(trans().rest_shape()[inner], ramp[inner]);
    EXPECT_FALSE(app().ui().image_picker()->isVisible()) << "the desktop's dialog, not lumo's own";
    const std::vector<float> opened = trans().getInitSurfacePosition();
    ASSERT_FALSE(app().delegate().recent_files().empty());
    EXPECT_EQ(app().delegate().recent_files().front(), home_ / "ramp.lumo");

    // Save As: the place chosen, ".lumo" added; the dialog asked before
    // replacing, so a file there is replaced.
    write_text(home_ / "copy.lumo", "an older file");
    answer_with("0 file://" + (home_ / "copy").string());
    press_with_ctrl(SDLK_s, KMOD_LSHIFT);
    app().run_for(0.1);
    until_answered();
    const std::optional<ShapeFileContents> saved = read_shape_file(home_ / "copy.lumo", &error);
    ASSERT_TRUE(saved && saved->positions) << error;
    EXPECT_EQ(*saved->positions, opened);
    ASSERT_NE(app().delegate().alert(), nullptr);
    EXPECT_EQ(app().delegate().alert()->title(), "saved");
    app().delegate().alert()->dismiss();

    // Cancelled: nothing opens, and lumo's own screens do not stand in.
    answer_with("1");
    press_with_ctrl(SDLK_o);
    app().run_for(0.1);
    until_answered();
    EXPECT_FALSE(app().ui().image_picker()->isVisible());
    EXPECT_FALSE(app().ui().panel()->modal_open());
    EXPECT_EQ(trans().getInitSurfacePosition(), opened);
}

}  // namespace
}  // namespace lumo::testing
