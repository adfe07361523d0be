// Files dropped on the window or named on the command line, and a shape
// file opened every way there is.

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <functional>

#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "shape/shape_transfer.h"
#include "support/app_harness.h"
#include "support/sample_shapes.h"
#include "support/scoped_environment.h"
#include "support/solid_picture.h"
#include "support/text_bytes.h"
#include "ui/lumo_view_controller.h"

namespace lumo::testing {
namespace {

TEST_F(AppTest, ADroppedPictureBecomesTheTexture) {
    launch();
    Picture tall(100, 300);
    ASSERT_TRUE(save_png_file(tall, home_ / "tall.png"));
    drop(home_ / "tall.png");
    ASSERT_NE(view().picture(), nullptr);
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_EQ(view().picture()->height(), 512);
    // The open file's name in the window's title, and among the recent files.
    EXPECT_STREQ(SDL_GetWindowTitle(app().window().sdl_window()), "tall.png \u2014 lumo");
    ASSERT_FALSE(app().delegate().recent_files().empty());
    EXPECT_EQ(app().delegate().recent_files().front(), home_ / "tall.png");
}

TEST_F(AppTest, ADroppedFileThatIsNoPictureChangesNothingAndSaysSo) {
    launch();
    std::ofstream(home_ / "notes.png") << "not a picture";
    const auto picture = view().picture();
    ::testing::internal::CaptureStderr();
    drop(home_ / "notes.png");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("notes.png"), std::string::npos);
    EXPECT_EQ(view().picture(), picture);
    ASSERT_NE(app().ui().panel()->notice(), nullptr);
    EXPECT_TRUE(app().ui().panel()->notice()->isVisible());
    EXPECT_TRUE(view().animating());
}

TEST_F(AppTest, AShapeFileOnTheCommandLineIsLoadedAndFixed) {
    const std::vector<float> shape = ramp_shape();
    std::string error;
    ASSERT_TRUE(write_shape_file(home_ / "ramp.lumo", shape, encode_png(Picture(4, 4)), &error)) << error;
    options_.files = {(home_ / "ramp.lumo").string()};
    launch();
    EXPECT_EQ(view().picture()->width(), 4);
    EXPECT_GT(trans().rest_shape()[3 * vertex_index(20, 40) + 2], trans().rest_shape()[3 * vertex_index(20, 10) + 2]);
}

TEST_F(AppTest, AFileThatCannotBeOpenedIsReportedAndTheDefaultsStay) {
    options_.files = {(home_ / "missing.lumo").string(), (home_ / "missing.jpg").string()};
    ::testing::internal::CaptureStderr();
    launch();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("missing.lumo"), std::string::npos);
    EXPECT_NE(log.find("missing.jpg"), std::string::npos);
    EXPECT_EQ(trans().rest_shape()[3 * 1275 + 2], 0.11f);
    EXPECT_EQ(view().picture()->width(), 512);
    EXPECT_TRUE(view().animating());
}

// What opening a shape file left on the dome.
struct Opened {
    std::vector<float> rest_shape;
    std::vector<uint8_t> picture;
};

Opened opened(Application& app) {
    const Picture* picture = app.view().picture().get();
    return {app.view().trans()->getInitSurfacePosition(),
            picture ? std::vector<uint8_t>(picture->pixels(), picture->pixels() + picture->byte_count())
                    : std::vector<uint8_t>()};
}

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// One shape file, sculpted and saved by lumo with a picture of its own,
// opened each way there is: every way takes the file's rest shape to the bit
// and the same picture.
TEST_F(AppTest, EveryWayOfOpeningAShapeFileTakesTheSameShapeAndPicture) {
    launch();
    const Opened defaults = opened(app());
    app().ui().edit_switch.setOn(true);
    view().setEditMode(&app().ui().edit_switch);
    finger(SDL_FINGERDOWN, 1, 120, 200);
    app().run_for(1.0);
    view().surfaceEditFixed();
    finger(SDL_FINGERUP, 1, 120, 200);
    view().load_texture(std::make_shared<const Picture>(solid_picture(64, 32, {200, 40, 90, 255})));
    app().delegate().saveShapeAndImage();
    settle();
    const std::vector<std::string> saved = list_shape_stems(app().delegate().documents());
    ASSERT_EQ(saved.size(), 1u);
    const std::filesystem::path file = home_ / "sculpted.lumo";
    std::filesystem::rename(shape_file_path(app().delegate().documents(), saved[0]), file);
    std::string error;
    const std::optional<ShapeFileContents> contents = read_shape_file(file, &error);
    ASSERT_TRUE(contents && contents->positions) << error;
    ASSERT_FALSE(same_bits(*contents->positions, defaults.rest_shape)) << "sculpted";
    const std::string bytes = read_text(file);

    const std::filesystem::path documents = app().delegate().documents();
    const auto open_list_row = [this](const std::string& caption) {
        click_control(ControlPanel::load);
        click_caption("Texutre and Shape");
        click_caption(caption);
    };
    const struct {
        const char* way;
        std::function<void()> open;
    } ways[] = {
        {"the command line",
         [&] {
             options_.files = {file.string()};
             launch();
             options_.files.clear();
         }},
        {"a drop",
         [&] {
             launch();
             drop(file);
         }},
        {"a row of the list",
         [&] {
             std::filesystem::copy_file(file, shape_file_path(documents, "2026_12_07_20_38_27"));
             launch();
             open_list_row("7 Dec 2026, 20:38:27");
         }},
        {"an import into the list, then its row",
         [&] {
             launch();
             const ImportedShape imported = import_shape_file(documents, "sculpted.lumo", as_bytes(bytes));
             ASSERT_EQ(imported.stem, "sculpted") << imported.problem;
             open_list_row("sculpted");
         }},
        {"Ctrl+O asking the desktop, which has no portal on its bus: lumo's own Open screen",
         [&] {
             const ScopedEnvironment no_bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lumo-test-bus");
             options_.desktop_dialogs = true;
             launch();
             options_.desktop_dialogs = false;
             app().ui().image_picker()->setStartFolder(home_);
             app().push_key_event(SDL_KEYDOWN, SDLK_o, KMOD_CTRL);
             app().push_key_event(SDL_KEYUP, SDLK_o, KMOD_NONE);
             for (int turn = 0; turn < 100 && !app().ui().image_picker()->isVisible(); ++turn) app().run_for(0.05);
             ASSERT_TRUE(app().ui().image_picker()->isVisible());
             ASSERT_TRUE(app().ui().image_picker()->enter("sculpted.lumo"));
             app().push_key(SDLK_RETURN);
             app().run_for(0.2);
         }},
        {"Ctrl+O and lumo's own Open screen (no desktop dialog headless), Return on the file",
         [&] {
             launch();
             app().ui().image_picker()->setStartFolder(home_);
             app().push_key_event(SDL_KEYDOWN, SDLK_o, KMOD_CTRL);
             app().push_key_event(SDL_KEYUP, SDLK_o, KMOD_CTRL);
             app().run_for(0.2);
             ASSERT_TRUE(app().ui().image_picker()->isVisible());
             ASSERT_TRUE(app().ui().image_picker()->enter("sculpted.lumo"));  // shape files listed too
             app().push_key(SDLK_RETURN);
             app().run_for(0.2);
             EXPECT_FALSE(app().ui().image_picker()->isVisible());
         }},
        // Opened by a drop first, then a new run: the Load menu lists it.
        {"a recent file in the Load menu, after a restart",
         [&] {
             launch();
             drop(file);
             app_.reset();
             launch();
             click_control(ControlPanel::load);
             click_caption("sculpted.lumo\n" + home_.string());
         }},
    };
    std::optional<Opened> first;
    for (const auto& way : ways) {
        app_.reset();
        way.open();
        ASSERT_FALSE(HasFatalFailure()) << way.way;
        const Opened result = opened(app());
        if (!first) first = result;
        EXPECT_TRUE(same_bits(result.rest_shape, *contents->positions)) << way.way;
        EXPECT_NE(result.picture, defaults.picture) << way.way;
        EXPECT_EQ(result.picture, first->picture) << way.way;
    }
}

// Whatever the name says, a pipe (which a blocking read would wait on for
// ever), a device or a folder is refused by kind, named once in a notice,
// and nothing changes; on the command line's path and on the drop's alike.
TEST_F(AppTest, FilesThatAreNoRegularFileAreRefusedByKindOnScreen) {
    launch();
    for (const char* name : {"stream.jpg", "stream.lumo", "stream"})
        ASSERT_EQ(::mkfifo((home_ / name).c_str(), 0600), 0);
    std::filesystem::create_directory(home_ / "folder.png");
    const struct {
        std::filesystem::path path;
        const char* says;
    } rows[] = {
        {home_ / "stream.jpg", "not a regular file"}, {home_ / "stream.lumo", "not a regular file"},
        {home_ / "stream", "not a regular file"},     {"/dev/zero", "not a regular file"},
        {home_ / "folder.png", "it is a folder"},     {home_ / "missing.jpg", "no such file"},
    };
    for (const bool dropped : {false, true}) {
        for (const auto& row : rows) {
            const std::string what = row.path.string() + (dropped ? " (dropped)" : "");
            const auto picture = view().picture();
            const auto rest = trans().rest_shape();
            if (app().ui().panel()->notice() != nullptr) app().ui().panel()->notice()->dismiss();
            if (dropped) drop(row.path);
            else EXPECT_FALSE(app().open_file(row.path)) << what;
            app().run_for(0.2);
            EXPECT_EQ(view().picture(), picture) << what;
            EXPECT_EQ(trans().rest_shape(), rest) << what;
            const AlertView* notice = app().ui().panel()->notice();
            ASSERT_TRUE(notice != nullptr && notice->isVisible()) << what;
            const std::string& message = notice->message();
            EXPECT_NE(message.find(row.path.string() + ": "), std::string::npos) << message;
            EXPECT_EQ(message.find(row.path.filename().string()), message.rfind(row.path.filename().string()))
                << "named twice: " << message;
            EXPECT_NE(message.find(row.says), std::string::npos) << message;
        }
    }
}

// A file dropped while a menu, the list or the key list is open is taken:
// what is open closes as its Cancel would and the file opens.
TEST_F(AppTest, ADropWhileAMenuIsOpenClosesItAndIsTaken) {
    launch();
    Picture wide(300, 100);
    ASSERT_TRUE(save_png_file(wide, home_ / "wide.png"));
    lumo_view_controller* controller = app().ui().view_controller();
    const std::function<void()> openers[] = {
        [&] { controller->loadButtoonPressed(); },
        [&] { controller->initButtonPressed(); },
        [&] { controller->loadAll(); },
        [&] { app().ui().panel()->show_key_help(); },
    };
    for (const auto& open : openers) {
        open();
        app().run_for(0.2);
        ASSERT_TRUE(app().ui().panel()->modal_open());
        const auto before = view().picture();
        drop(home_ / "wide.png");
        app().run_for(0.3);
        EXPECT_FALSE(app().ui().panel()->modal_open());
        EXPECT_NE(view().picture(), before) << "the dropped picture was not taken";
        EXPECT_TRUE(view().animating());
    }
}

}  // namespace
}  // namespace lumo::testing
