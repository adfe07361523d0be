// Every screen of the desktop program, in a small, a wide and a tall window,
// keeps to the layout rules checked on what it drew (widgets/layout_faults.h,
// the same check the page's tests/web/layout_test.mjs runs at phone sizes).
// A screenshot of each screen goes to $TMPDIR/lumo-layout-desktop/.

#include <cstdio>
#include <fstream>
#include <ostream>

#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "support/app_harness.h"
#include "support/solid_picture.h"
#include "ui/file_list_view_controller.h"
#include "widgets/layout_faults.h"

namespace lumo::testing {
namespace {

struct WindowSize {
    const char* name;
    int width, height;
};

void PrintTo(const WindowSize& size, std::ostream* out) {
    *out << size.name << " (" << size.width << " x " << size.height << ")";
}

const WindowSize kSizes[] = {
    {"design size", 320, 480},
    {"wide", 1024, 640},
    {"tall", 600, 1000},
    {"short and wide", 844, 390},
};

class Layout : public AppTest, public ::testing::WithParamInterface<WindowSize> {
protected:
    void SetUp() override {
        AppTest::SetUp();
        options_.window_width = GetParam().width;
        options_.window_height = GetParam().height;
        launch();
        app().run_for(0.2);
        shots_ = std::filesystem::temp_directory_path() / "lumo-layout-desktop";
        std::filesystem::create_directories(shots_);
    }

    // One frame of the screen now up: its faults, and its screenshot.
    void expect_keeps_to_the_rules(const std::string& screen) {
        app().run_for(0.2);  // auto-sized screens take their size in a frame or two
        drawn_.forget();
        const Picture shot = window_picture();
        ASSERT_FALSE(shot.empty());
        char name[160];
        std::snprintf(name, sizeof name, "%dx%d-%s.png", GetParam().width, GetParam().height, screen.c_str());
        const std::vector<uint8_t> png = encode_png(shot);
        std::ofstream(shots_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        int w = 0, h = 0;
        app().window().window_size_points(&w, &h);
        ASSERT_FALSE(drawn_.items().empty()) << screen;
        const std::vector<std::string> faults =
            layout_faults(drawn_.items(), ImVec2(static_cast<float>(w), static_cast<float>(h)));
        EXPECT_EQ(faults, std::vector<std::string>{}) << screen << " in a " << GetParam().name << " window";
    }

    void press(SDL_Keycode key) {
        app().push_key_event(SDL_KEYDOWN, key);
        app().run_for(0.1);
        app().push_key_event(SDL_KEYUP, key);
        app().run_for(0.1);
    }

    // Saved shapes under these stems, each with its own picture.
    void save_as(const std::vector<std::string>& stems) {
        const std::filesystem::path documents = app().delegate().documents();
        std::filesystem::create_directories(documents);
        const std::vector<float> shape(trans().rest_shape().begin(), trans().rest_shape().end());
        uint8_t shade = 40;
        for (const std::string& stem : stems) {
            std::string error;
            ASSERT_TRUE(write_shape_file(shape_file_path(documents, stem), shape,
                                         encode_png(solid_picture(32, 32, {shade, 120, 200, 255})), &error))
                << error;
            shade += 60;
        }
    }

    // A folder of pictures, one with a long name, and a folder, for the browser.
    std::filesystem::path picture_folder() {
        const std::filesystem::path folder = home_ / "Pictures";
        std::filesystem::create_directories(folder / "Holidays by the sea in the summer of 2026");
        for (const char* name : {"dome.png", "a picture of the seaside taken from the top of the lighthouse.png"}) {
            const std::vector<uint8_t> png = encode_png(solid_picture(600, 400, {200, 90, 40, 255}));
            std::ofstream(folder / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        }
        return folder;
    }

    std::filesystem::path shots_;
};

// The screens in the order a user might meet them.
TEST_P(Layout, EveryScreenKeepsToTheRules) {
    expect_keeps_to_the_rules("panel");
    click_control(ControlPanel::edit);
    expect_keeps_to_the_rules("panel-in-edit-mode");
    click_control(ControlPanel::edit);

    click_control(ControlPanel::initialize);
    expect_keeps_to_the_rules("Initialize-menu");
    click_caption("Cancel");
    click_control(ControlPanel::load);
    expect_keeps_to_the_rules("Load-menu");
    click_caption("Cancel");

    click_control(ControlPanel::save);
    ASSERT_TRUE(drawn_.drew_text("saved"));
    expect_keeps_to_the_rules("saved-alert");
    click_caption("OK");

    drop(home_ / "holiday-pictures-from-the-seaside-in-the-summer-of-2026-number-0042.txt");
    ASSERT_NE(app().ui().panel()->notice(), nullptr);
    ASSERT_EQ(app().ui().panel()->notice()->title(), "Cannot Open");
    expect_keeps_to_the_rules("Cannot-open-alert");
    click_caption("OK");

    press(SDLK_F1);
    expect_keeps_to_the_rules("key-help");
    click_caption("More");
    ASSERT_TRUE(drawn_.drew_text(KeyHelp::kEditing));
    expect_keeps_to_the_rules("key-help-editing-and-about");
    click_caption("OK");

    // Save As in lumo's own field, with what is wrong with a name under it.
    app().push_key_event(SDL_KEYDOWN, SDLK_s, KMOD_LCTRL | KMOD_LSHIFT);
    app().push_key_event(SDL_KEYUP, SDLK_s, KMOD_NONE);
    app().run_for(0.2);
    ASSERT_TRUE(app().ui().panel()->name_field().isVisible());
    app().ui().panel()->name_field().setProblem(
        "holiday-pictures-from-the-seaside-in-the-summer-of-2026.lumo is "
        "there already: type another name");
    expect_keeps_to_the_rules("save-as");
    click_caption("Cancel");

    save_as({"2026_12_07_20_38_27", "2026_12_08_09_05_00", "a shape sculpted for the seaside holiday of 2026"});
    click_control(ControlPanel::load);
    click_caption("Texutre and Shape");
    expect_keeps_to_the_rules("saved-shapes");
    click_caption("Edit");
    expect_keeps_to_the_rules("saved-shapes-in-edit-mode");
    // A row whose file went behind the list's back: the deletion says why not.
    std::filesystem::remove(shape_file_path(app().delegate().documents(), "2026_12_08_09_05_00"));
    const std::optional<DrawnItem> row = drawn_control("8 Dec 2026, 09:05:00");
    ASSERT_TRUE(row);
    std::optional<DrawnItem> its_delete;  // the first at or below the row's top
    for (const DrawnItem& control : drawn_.controls("Delete"))
        if (!its_delete && control.min.y >= row->min.y) its_delete = control;
    ASSERT_TRUE(its_delete);
    click_in_window(its_delete->centre());
    expect_keeps_to_the_rules("saved-shapes-asking-to-delete");
    click_caption("Yes, delete");
    ASSERT_TRUE(drawn_control("Done"));
    ASSERT_TRUE(drawn_.drew_text("Cannot delete 8 Dec 2026, 09:05:00: it is no longer there"));
    expect_keeps_to_the_rules("saved-shapes-with-a-status");
    click_caption("Done");
    click_caption("Cancel");

    app().ui().image_picker()->setStartFolder(picture_folder());
    click_control(ControlPanel::load);
    click_caption("Texutre");
    expect_keeps_to_the_rules("picture-browser");
    click_caption("a picture of the seaside taken from the top of the lighthouse.png");
    app().ui().image_picker()->waitForPicture();
    expect_keeps_to_the_rules("picture-browser-with-a-preview");
    click_caption("Cancel");
}

INSTANTIATE_TEST_SUITE_P(Windows, Layout, ::testing::ValuesIn(kSizes),
                         [](const ::testing::TestParamInfo<WindowSize>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace lumo::testing
