// The desktop's own ways in: keys (Escape, Ctrl+Q, F1 or ?), the menus over
// the picture in a wider window, and the picture browser's keyboard, opaque
// screen and marked preview, all through the program's real event path and
// its real composition.

#include <cstdlib>

#include "support/app_harness.h"
#include "picture/picture.h"
#include "support/solid_picture.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "ui/file_list_view_controller.h"

namespace lumo::testing {
namespace {

class Desktop : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
        app().run_for(0.2);
    }
    lumo_view_controller& controller() { return *app().ui().view_controller(); }
    ImagePickerController& picker() { return *app().ui().image_picker(); }
    // Held across a frame or two, as a person's key press is.
    void press(SDL_Keycode key, Uint16 modifiers = KMOD_NONE) {
        app().push_key_event(SDL_KEYDOWN, key, modifiers);
        app().run_for(0.1);
        app().push_key_event(SDL_KEYUP, key, modifiers);
        app().run_for(0.1);
    }
    void open_picker() {
        click_control(ControlPanel::load);
        click_caption("Texutre");
        ASSERT_TRUE(picker().isVisible());
    }
    // What the window shows now, read back from its framebuffer.
    Picture screen() { return window_picture(); }
    // Two shape files in the documents folder, the newer red, the older green.
    void save_shapes() {
        const std::vector<float> shape(trans().rest_shape().begin(), trans().rest_shape().end());
        const std::filesystem::path documents = app().delegate().documents();
        std::filesystem::create_directories(documents);
        std::string error;
        for (const auto& [stem, colour] : {std::pair{"2026_12_08_09_05_00", std::array<uint8_t, 4>{200, 0, 0, 255}},
                                           std::pair{"2026_12_07_20_38_27", std::array<uint8_t, 4>{0, 200, 0, 255}}})
            ASSERT_TRUE(write_shape_file(shape_file_path(documents, stem), shape,
                                         encode_png(solid_picture(32, 32, colour)), &error))
                << error;
    }
};

TEST_F(Desktop, EscapeClosesTheTopmostMenuOrDialogAsCancelWould) {
    click_control(ControlPanel::load);
    ASSERT_TRUE(controller()._loadSheet->isVisible());
    press(SDLK_ESCAPE);
    EXPECT_FALSE(controller()._loadSheet->isVisible());
    EXPECT_TRUE(view().animating()) << "as Cancel: the frame timer runs again";

    open_picker();
    press(SDLK_ESCAPE);
    EXPECT_FALSE(picker().isVisible());
    EXPECT_EQ(controller().presented_modal(), lumo_view_controller::Modal::none);
    EXPECT_TRUE(view().animating());

    click_control(ControlPanel::save);
    ASSERT_NE(app().delegate().alert(), nullptr);
    ASSERT_TRUE(app().delegate().alert()->isVisible());
    press(SDLK_ESCAPE);
    EXPECT_FALSE(app().delegate().alert()->isVisible());

    // With nothing open Escape does nothing at all.
    press(SDLK_ESCAPE);
    EXPECT_FALSE(app().quit_requested());
    EXPECT_FALSE(app().ui().panel()->modal_open());
}

TEST_F(Desktop, CtrlQQuitsEvenOverAMenuAndQAloneDoesNot) {
    press(SDLK_q);
    EXPECT_FALSE(app().quit_requested());
    click_control(ControlPanel::initialize);
    ASSERT_TRUE(app().ui().panel()->modal_open());
    press(SDLK_q, KMOD_LCTRL);
    EXPECT_TRUE(app().quit_requested());
}

TEST_F(Desktop, F1OrAQuestionMarkListsTheKeysOverEverything) {
    KeyHelp& help = app().ui().panel()->key_help();
    press(SDLK_F1);
    EXPECT_TRUE(help.isVisible());
    // Modal: a press on the dome presses nothing while the list is up.
    app().ui().controllers.setHidden(true);
    finger(SDL_FINGERDOWN, 1, 160, 100);
    EXPECT_EQ(slots_taken(), 0);
    finger(SDL_FINGERUP, 1, 160, 100);
    press(SDLK_F1);
    EXPECT_FALSE(help.isVisible());

    app().push_text("?");
    app().run_for(0.1);
    EXPECT_TRUE(help.isVisible());
    press(SDLK_ESCAPE);
    EXPECT_FALSE(help.isVisible());
    app().push_text("/");
    app().run_for(0.1);
    EXPECT_FALSE(help.isVisible());

    // Not over a menu: the menu keeps the keyboard.
    app().ui().controllers.setHidden(false);
    click_control(ControlPanel::load);
    press(SDLK_F1);
    EXPECT_FALSE(help.isVisible());
}

// Every menu, the list and the alerts by the keyboard alone: the ring
// starts on the first control, the arrows, Tab, Home and End move it, Return
// presses what it is on, Escape backs out.
TEST_F(Desktop, TheKeyboardAloneGoesThroughEveryMenu) {
    const auto ringed = [this] {
        drawn_.forget();
        app().run_for(0.1);
        std::string caption;
        for (const DrawnItem& item : drawn_.items())
            if (item.focused) caption = item.caption;
        return caption;
    };
    save_shapes();
    // Initialize: Down to "Texutre", Return: the default picture again.
    view().load_texture(std::make_shared<const Picture>(solid_picture(64, 64, {0, 0, 255, 255})));
    click_control(ControlPanel::initialize);
    EXPECT_EQ(ringed(), "Shape");
    press(SDLK_DOWN);
    EXPECT_EQ(ringed(), "Texutre");
    press(SDLK_RETURN);
    EXPECT_FALSE(controller()._initSheet->isVisible());
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_NE(view().picture()->pixel(256, 256)[2], 255) << "the default picture, not the blue one";

    // Load: End is Cancel, Home the first; Tab goes round, Shift+Tab back.
    click_control(ControlPanel::load);
    press(SDLK_END);
    EXPECT_EQ(ringed(), "Cancel");
    press(SDLK_HOME);
    EXPECT_EQ(ringed(), "Texutre and Shape");
    press(SDLK_TAB, KMOD_LSHIFT);
    EXPECT_EQ(ringed(), "Cancel");
    press(SDLK_TAB);
    press(SDLK_TAB);
    EXPECT_EQ(ringed(), "Texutre");
    press(SDLK_UP);
    press(SDLK_RETURN);  // Texutre and Shape: the saved list
    lumo::fileListViewController& list = *controller().fileList();
    ASSERT_TRUE(list.tableView()->isVisible());

    // The list: the ring on its rows, Down and Return open the second.
    EXPECT_EQ(list.tableView()->focusedRow(), 0);
    press(SDLK_DOWN);
    EXPECT_EQ(list.tableView()->focusedRow(), 1);
    press(SDLK_RETURN);
    EXPECT_FALSE(list.tableView()->isVisible());
    EXPECT_EQ(view().picture()->pixel(16, 16)[1], 200) << "the green one, the older file";

    // An alert: Return presses its button.
    click_control(ControlPanel::save);
    ASSERT_TRUE(app().delegate().alert()->isVisible());
    press(SDLK_RETURN);
    EXPECT_FALSE(app().delegate().alert()->isVisible());
    EXPECT_TRUE(view().animating());
}

// The hint under the panel shows until it has been used once, F1 or the tap
// that hides the panel, and stays gone in the next run.
TEST_F(Desktop, TheHintShowsUntilUsedOnceAcrossRuns) {
    // A window with room for the hint's line (the 320 x 480 one has none).
    options_.window_width = 640;
    options_.window_height = 480;
    for (const bool by_key : {true, false}) {
        std::filesystem::remove_all(home_ / "state");
        app_.reset();
        launch();
        ControlPanel& panel = *app().ui().panel();
        drawn_.forget();
        app().run_for(0.2);
        EXPECT_TRUE(panel.hint_pending());
        EXPECT_TRUE(drawn_.drew_text(ControlPanel::hint_text()));
        if (by_key) {
            press(SDLK_F1);
            press(SDLK_ESCAPE);
        } else {
            const ViewRect view_rect = app().window().view_rect_points();
            tap(view_rect.width / 2.0f, view_rect.height / 2.0f);  // the middle: the panel hides
            ASSERT_TRUE(app().ui().controllers.isHidden());
            tap(view_rect.width / 2.0f, view_rect.height / 2.0f);
        }
        EXPECT_FALSE(panel.hint_pending()) << (by_key ? "F1" : "a tap");
        drawn_.forget();
        app().run_for(0.2);
        EXPECT_FALSE(drawn_.drew_text(ControlPanel::hint_text()));
        app_.reset();
        launch();
        EXPECT_FALSE(app().ui().panel()->hint_pending()) << "kept in the state folder";
    }
}

// A tall window puts the panel below the view; menus and the picker use
// the whole window, so a menu sits at its foot and the picker's bar at its top.
TEST_F(Desktop, MenusAndThePickerUseTheWholeWindow) {
    SDL_SetWindowSize(app().window().sdl_window(), 320, 960);
    app().run_for(0.2);
    const ViewRect r = app().window().view_rect_points();
    const LayoutRect panel = app().ui().panel()->layout().panel;
    ASSERT_EQ(app().ui().panel()->layout().place, PanelPlace::below);
    EXPECT_GE(panel.y, r.y + r.height);
    EXPECT_LE(panel.bottom(), 960.0f);
    click_control(ControlPanel::load);  // the window is not the view here
    const auto cancel = drawn_control("Cancel");
    ASSERT_TRUE(cancel);
    EXPECT_GT(cancel->centre().y, r.y + r.height) << "at the window's foot, below the view";
    click_caption("Texutre");
    const auto up = drawn_control("Up");
    ASSERT_TRUE(up);
    EXPECT_LT(up->centre().y, r.y) << "at the window's top, above the view";
}

// The menu's background down its left margin, from the title to the last
// button, is one colour: nothing of the sky or the panel's captions under it.
TEST_F(Desktop, AMenuHidesWhatLiesUnderIt) {
    click_control(ControlPanel::load);
    const auto first = drawn_control("Texutre and Shape"), cancel = drawn_control("Cancel");
    ASSERT_TRUE(first && cancel);
    const Picture shot = screen();
    const int x = 14;  // between the menu's edge and its buttons
    const int top = static_cast<int>(first->centre().y), bottom = static_cast<int>(cancel->centre().y);
    ASSERT_GT(shot.width(), x);
    ASSERT_GT(shot.height(), bottom);
    const uint8_t* reference = shot.pixel(x, top);
    int differing = 0;
    for (int y = top; y <= bottom; ++y) {
        const uint8_t* p = shot.pixel(x, y);
        for (int c = 0; c < 3; ++c) differing += std::abs(p[c] - reference[c]) > 1;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_LT(reference[0], 40) << "the menu's own dark background";
}

// A folder, three pictures of their own colours, and the picker started there.
class DesktopPicker : public Desktop {
protected:
    void SetUp() override {
        Desktop::SetUp();
        folder_ = home_ / "Pictures";
        std::filesystem::create_directories(folder_ / "inner");
        const std::array<uint8_t, 4> colours[3] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {255, 255, 255, 255}};
        const char* names[3] = {"b.png", "c.png", "d.png"};
        for (int k = 0; k < 3; ++k) ASSERT_TRUE(save_png_file(solid_picture(64, 64, colours[k]), folder_ / names[k]));
        picker().setStartFolder(folder_);
    }
    std::filesystem::path folder_;
};

TEST_F(DesktopPicker, ArrowsPagesHomeEndMoveTheSelectionAndReturnOpensOrPicks) {
    open_picker();
    ASSERT_EQ(picker().entries(), (std::vector<std::string>{"inner/", "b.png", "c.png", "d.png"}));
    EXPECT_EQ(picker().selection(), "");
    press(SDLK_DOWN);
    EXPECT_EQ(picker().selection(), "inner/");
    press(SDLK_DOWN);
    EXPECT_EQ(picker().selection(), "b.png");
    press(SDLK_END);
    EXPECT_EQ(picker().selection(), "d.png");
    press(SDLK_DOWN);
    EXPECT_EQ(picker().selection(), "d.png") << "stays on the last row";
    press(SDLK_UP);
    EXPECT_EQ(picker().selection(), "c.png");
    press(SDLK_HOME);
    EXPECT_EQ(picker().selection(), "inner/");
    press(SDLK_PAGEDOWN);
    EXPECT_EQ(picker().selection(), "d.png") << "a page is more than four rows";
    press(SDLK_PAGEUP);
    EXPECT_EQ(picker().selection(), "inner/");

    press(SDLK_RETURN);
    EXPECT_EQ(picker().folder(), folder_ / "inner");
    EXPECT_TRUE(picker().isVisible());
    press(SDLK_BACKSPACE);
    EXPECT_EQ(picker().folder(), folder_);
    EXPECT_EQ(picker().selection(), "inner/") << "the folder just left stays highlighted";

    press(SDLK_DOWN);  // b.png: red
    press(SDLK_RETURN);
    EXPECT_FALSE(picker().isVisible());
    ASSERT_NE(view().picture(), nullptr);
    const uint8_t* centre = view().picture()->pixel(256, 256);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
}

// However quick, each press moves a row: pressed within one frame, or 30 ms apart.
TEST_F(DesktopPicker, QuickPressesAreNeverLost) {
    open_picker();
    for (const double apart : {0.0, 0.03}) {
        press(SDLK_HOME);
        ASSERT_EQ(picker().selection(), "inner/");
        for (int n = 0; n < 2; ++n) {
            app().push_key(SDLK_DOWN);
            if (apart > 0) app().run_for(apart);
        }
        app().run_for(0.3);
        EXPECT_EQ(picker().selection(), "c.png") << apart << " s apart";
    }
}

// The row under the pointer is marked more weakly than the selected one,
// which is what the preview shows and Return takes; both more than a plain row.
TEST_F(DesktopPicker, HoverIsWeakerThanTheSelection) {
    open_picker();
    press(SDLK_DOWN);
    press(SDLK_DOWN);
    ASSERT_EQ(picker().selection(), "b.png");
    const std::optional<DrawnItem> selected = drawn_control("b.png"), hovered = drawn_control("c.png"),
                                   plain = drawn_control("d.png");
    ASSERT_TRUE(selected && hovered && plain);
    const ViewRect r = app().window().view_rect_points();
    app().push_mouse(SDL_MOUSEMOTION, hovered->centre().x - static_cast<float>(r.x),
                     hovered->centre().y - static_cast<float>(r.y));
    app().run_for(0.2);
    const Picture shot = screen();
    // Near each row's right end, clear of its text.
    const auto brightness = [&shot](const DrawnItem& row) {
        const int x = static_cast<int>(row.max.x) - 6, y = static_cast<int>(row.centre().y);
        EXPECT_TRUE(x >= 0 && x < shot.width() && y >= 0 && y < shot.height());
        const uint8_t* p = shot.pixel(x, y);
        return p[0] + p[1] + p[2];
    };
    ASSERT_FALSE(shot.empty());
    EXPECT_GT(brightness(*selected), brightness(*hovered));
    EXPECT_GT(brightness(*hovered), brightness(*plain));
}

// Tab moves a ring round the picker's controls; Return presses the one it is on.
TEST_F(DesktopPicker, TabReachesEveryControlAndReturnPressesIt) {
    open_picker();
    std::vector<std::string> ringed;
    for (int n = 0; n < 4; ++n) {
        press(SDLK_TAB);
        drawn_.forget();
        app().run_for(0.1);
        for (const DrawnItem& item : drawn_.items())
            if (item.focused && (ringed.empty() || ringed.back() != item.caption)) ringed.push_back(item.caption);
    }
    EXPECT_EQ(ringed, (std::vector<std::string>{"Cancel", "Use Picture", "Up", "inner/"})) << "in drawing order";
    press(SDLK_TAB);  // Cancel
    press(SDLK_RETURN);
    EXPECT_FALSE(picker().isVisible());
    EXPECT_TRUE(view().animating());
}

TEST_F(DesktopPicker, TheScreenIsOpaqueAndThePreviewMarksWhatTheDomeWillShow) {
    open_picker();
    app().run_for(0.2);
    // Where the panel's Save button is, and over the dome, the picker's own
    // background alone (ImGui's dark popup colour, 0.08 grey, made opaque).
    {
        const Picture empty = screen();
        ASSERT_EQ(empty.width(), 320);
        ASSERT_EQ(empty.height(), 480);
        for (auto [x, y] : {std::pair{60, 385}, std::pair{300, 200}}) {
            const uint8_t* p = empty.pixel(x, y);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], 20, 1) << x << "," << y << " channel " << c;
        }
    }
    press(SDLK_END);  // d.png: white
    ASSERT_EQ(picker().selection(), "d.png");
    app().run_for(0.2);
    const Picture shot = screen();

    // In the preview box (lower left): white where the dome shows the
    // picture, dimmed grey beside it. Along the box's middle row the runs
    // dim, white, dim give the marked part's share of the picture's width.
    const auto is = [&](int x, int y, int low, int high) {
        const uint8_t* p = shot.pixel(x, y);
        return std::abs(p[0] - p[1]) < 3 && std::abs(p[1] - p[2]) < 3 && p[0] >= low && p[0] <= high;
    };
    const auto dim = [&](int x, int y) { return is(x, y, 80, 130); };
    const auto white = [&](int x, int y) { return is(x, y, 250, 255); };
    const int column = shot.width() / 16;  // inside the left dimmed band
    int top = -1, bottom = -1;
    for (int y = shot.height() / 2; y < shot.height(); ++y) {
        if (!dim(column, y)) continue;
        if (top < 0) top = y;
        bottom = y;
    }
    ASSERT_GE(top, 0) << "no dimmed band in the preview";
    const int y = (top + bottom) / 2;
    int x = 0;
    while (x < shot.width() && !dim(x, y)) ++x;
    const int dim_left = x;
    while (x < shot.width() && !white(x, y)) ++x;
    const int white_left = x;
    while (x < shot.width() && white(x, y)) ++x;
    const int white_right = x;
    while (x < shot.width() && !dim(x, y)) ++x;
    EXPECT_LT(x - white_right, 3) << "only the frame's line between the marked part and the dimmed band";
    while (x < shot.width() && dim(x, y)) ++x;
    const float box = static_cast<float>(x - dim_left);
    ASSERT_GT(box, 60.0f);
    const PicturePart part = EAGLView::visible_picture_part();
    EXPECT_NEAR((white_right - white_left) / box, part.right - part.left, 0.03f);
    EXPECT_NEAR((white_left - dim_left) / box, part.left, 0.03f);
    // The whole height shows: the marked part runs nearly from top to bottom.
    EXPECT_TRUE(white((white_left + white_right) / 2, top + 6));
}

}  // namespace
}  // namespace lumo::testing
