// Saving and loading shape files through the application delegate, and the
// saved-file list that loads and fixes them.

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "support/app_harness.h"
#include "support/solid_picture.h"
#include "ui/file_list_view_controller.h"
#include "platform/log.h"
#include "files/file_io.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace lumo::testing {
namespace {

class ShapeFiles : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        launch();
        app().run_for(0.2);
    }
    std::filesystem::path documents() { return app().delegate().documents(); }
    std::vector<std::filesystem::path> saved_files() {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(documents(), error)) files.push_back(entry.path());
        return files;
    }
    // Saves and returns the stem the file got, as the alert names it.
    std::string save() {
        app().delegate().saveShapeAndImage();
        settle();
        const AlertView* alert = app().delegate().alert();
        if (alert == nullptr || alert->title() != "saved") return {};
        return std::filesystem::path(alert->detail()).stem().string();
    }
    void sculpt() {
        for (int v = 0; v < kVertexCount; ++v)
            trans().surface_vertices()[3 * v + 2] += 0.02f * std::sin(0.1f * static_cast<float>(v));
        view().surfaceEditFixed();
        trans().wait_for_table_build();
    }
    fileListViewController& list() { return *app().ui().view_controller()->fileList(); }
};

// Ctrl+Shift+S where the desktop has no dialog (headless): lumo's own name
// field, typed into as a user types. A bare name goes into the documents
// folder, a path anywhere; a name already taken is never replaced, and the
// field stays open saying why. Each file saved is among the recent files.
TEST_F(ShapeFiles, SaveAsTakesANameOrAPathAndNeverReplacesAFile) {
    sculpt();
    std::filesystem::create_directories(home_ / "elsewhere");
    NameField& field = app().ui().panel()->name_field();
    const struct {
        std::string typed;
        std::filesystem::path saved;  // empty: refused
        const char* problem;
    } rows[] = {
        {"mine", documents() / "mine.lumo", ""},
        {"  Mine Too.LUMO ", documents() / "Mine Too.LUMO", ""},
        {"mine", {}, "mine.lumo is there already: type another name"},
        {(home_ / "elsewhere" / "far").string(), home_ / "elsewhere" / "far.lumo", ""},
        {(home_ / "missing" / "far").string(), {}, "There is no folder "},
        {"", {}, "Type a name for the shape file"},
        {"sub/", {}, "sub/ is a folder: type a file name after it"},
    };
    for (const auto& row : rows) {
        // Each name in a fresh field: Escape closes one left open by a refusal.
        if (field.isVisible()) {
            app().push_key(SDLK_ESCAPE);
            app().run_for(0.1);
        }
        {
            app().push_key_event(SDL_KEYDOWN, SDLK_s, KMOD_LCTRL | KMOD_LSHIFT);
            app().push_key_event(SDL_KEYUP, SDLK_s, KMOD_LCTRL | KMOD_LSHIFT);
            app().push_key_event(SDL_KEYUP, SDLK_LCTRL, KMOD_NONE);  // Ctrl and Shift let go
            app().run_for(0.2);
        }
        ASSERT_TRUE(field.isVisible()) << row.typed;
        // The field's text is selected: typing replaces it, Backspace clears it.
        if (row.typed.empty()) {
            app().push_key(SDLK_BACKSPACE);
            app().run_for(0.1);
        }
        for (std::size_t at = 0; at < row.typed.size(); at += 16) {
            app().push_text(row.typed.substr(at, 16).c_str());
            app().run_for(0.05);
        }
        app().run_for(0.1);
        ASSERT_EQ(field.text(), row.typed);
        app().push_key(SDLK_RETURN);
        app().run_for(0.3);
        if (row.saved.empty()) {
            EXPECT_TRUE(field.isVisible()) << row.typed;
            EXPECT_NE(field.problem().find(row.problem), std::string::npos) << field.problem();
            EXPECT_TRUE(drawn_.drew_text(field.problem()));
            continue;
        }
        EXPECT_FALSE(field.isVisible()) << row.typed << ": " << field.problem();
        std::string error;
        const std::optional<ShapeFileContents> contents = read_shape_file(row.saved, &error);
        ASSERT_TRUE(contents && contents->positions) << row.typed << ": " << error;
        EXPECT_EQ(*contents->positions, trans().getInitSurfacePosition());
        ASSERT_TRUE(app().delegate().alert() != nullptr && app().delegate().alert()->isVisible());
        EXPECT_EQ(app().delegate().alert()->title(), "saved");
        ImVec2 min, max;
        EXPECT_TRUE(app().delegate().alert()->actionRect(0, &min, &max)) << "Show in folder";
        EXPECT_EQ(app().delegate().recent_files().front(), row.saved);
        app().delegate().alert()->dismiss();
    }
    // Escape leaves the field as Cancel does, saving nothing.
    const std::size_t files = saved_files().size();
    if (field.isVisible()) field.dismiss();
    app().push_key_event(SDL_KEYDOWN, SDLK_s, KMOD_LCTRL | KMOD_LSHIFT);
    app().push_key_event(SDL_KEYUP, SDLK_s, KMOD_LCTRL | KMOD_LSHIFT);
    app().push_key_event(SDL_KEYUP, SDLK_LCTRL, KMOD_NONE);
    app().run_for(0.2);
    app().push_key(SDLK_ESCAPE);
    app().run_for(0.2);
    EXPECT_FALSE(field.isVisible());
    EXPECT_EQ(saved_files().size(), files);
}

TEST_F(ShapeFiles, SaveThenLoadPutsTheSavedRestShapeIntoTheSurfaceExactly) {
    sculpt();
    const auto saved_shape = trans().rest_shape();
    const auto saved_picture = view().picture();
    const std::string stem = save();
    ASSERT_FALSE(stem.empty());
    EXPECT_EQ(app().delegate().alert()->title(), "saved");
    EXPECT_EQ(stem.size(), std::string("2026_12_07_20_38_27").size());

    view().initializeShape();
    view().setTexture(nullptr);
    ASSERT_TRUE(app().delegate().loadShapeAndImage(stem));
    settle();
    EXPECT_EQ(std::string(SDL_GetWindowTitle(app().window().sdl_window())), stem + ".lumo \u2014 lumo");
    EXPECT_EQ(trans().rest_shape(), saved_shape);
    EXPECT_EQ(trans().current_surface(), saved_shape);
    ASSERT_NE(view().picture(), nullptr);
    ASSERT_EQ(view().picture()->byte_count(), saved_picture->byte_count());
    EXPECT_EQ(std::memcmp(view().picture()->pixels(), saved_picture->pixels(), saved_picture->byte_count()), 0);
}

// Saves within one second take the next free name: each says "saved", each
// is listed (the later first), and none replaces another.
TEST_F(ShapeFiles, SavesInOneSecondEachKeepTheirOwnFile) {
    std::vector<std::string> stems;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::string before = current_shape_file_stem();
        stems.clear();
        for (int k = 0; k < 3; ++k) {
            // Each save's own picture: its red tells them apart.
            view().load_texture(
                std::make_shared<const Picture>(solid_picture(8, 8, {static_cast<uint8_t>(80 * k), 0, 0, 255})));
            stems.push_back(save());
        }
        if (current_shape_file_stem() == before) break;  // all fell in one second
        for (const auto& file : saved_files()) std::filesystem::remove(file);
    }
    ASSERT_EQ(stems.size(), 3u);
    EXPECT_EQ(stems[1], stems[0] + "-2");
    EXPECT_EQ(stems[2], stems[0] + "-3");
    EXPECT_EQ(list_shape_stems(documents()), (std::vector<std::string>{stems[2], stems[1], stems[0]}));
    for (int k = 0; k < 3; ++k) {
        std::string error;
        const auto contents = read_shape_file(shape_file_path(documents(), stems[k]), &error);
        ASSERT_TRUE(contents && contents->image) << error;
        const std::optional<Picture> picture = decode_picture(*contents->image);
        ASSERT_TRUE(picture && !picture->empty()) << stems[k];
        EXPECT_EQ(picture->pixel(0, 0)[0], 80 * k) << stems[k];
    }
}

TEST_F(ShapeFiles, SavingWhileFingersPressStoresTheRestShape) {
    app().ui().controllers.setHidden(true);
    finger(SDL_FINGERDOWN, 1, 160, 240);
    app().run_for(0.5);
    ASSERT_NE(trans().current_surface(), trans().rest_shape());
    const std::string stem = save();
    std::string error;
    const auto contents = read_shape_file(shape_file_path(documents(), stem), &error);
    ASSERT_TRUE(contents && contents->positions) << error;
    EXPECT_TRUE(std::equal(contents->positions->begin(), contents->positions->end(), trans().rest_shape().begin()));
}

TEST_F(ShapeFiles, AFailedSaveSaysSoAndLeavesNoFile) {
    // Something that is not a folder where the documents folder should be.
    std::ofstream(home_ / "Documents") << "in the way";
    ::testing::internal::CaptureStderr();
    app().delegate().saveShapeAndImage();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("save failed"), std::string::npos);
    ASSERT_NE(app().delegate().alert(), nullptr);
    EXPECT_EQ(app().delegate().alert()->title(), "save failed");
    EXPECT_EQ(app().delegate().alert()->message(), "Shape and Texutre have NOT been saved");
    EXPECT_TRUE(std::filesystem::is_regular_file(home_ / "Documents"));
}

// Past a file-size limit (which holds for root too) the save fails on screen
// in plain words, naming the file once, and leaves nothing behind.
TEST_F(ShapeFiles, ASaveCutShortByAFileSizeLimitSaysWhyOnScreenAndLeavesNothing) {
    std::filesystem::create_directories(documents());
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);  // as lumo's main does
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    app().delegate().saveShapeAndImage();
    settle();  // the file is written on this thread when its bytes come back
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous_handler);
    const AlertView* alert = app().delegate().alert();
    ASSERT_TRUE(alert != nullptr && alert->isVisible());
    EXPECT_EQ(alert->title(), "save failed");
    const std::string& detail = alert->detail();
    EXPECT_EQ(detail.rfind("could not save ", 0), 0u) << detail;
    EXPECT_NE(detail.find(".lumo: the file is too large for this system's limit"), std::string::npos) << detail;
    EXPECT_EQ(detail.find(".lumo"), detail.rfind(".lumo")) << "named twice: " << detail;
    EXPECT_TRUE(saved_files().empty());
}

TEST_F(ShapeFiles, AReadOnlyDocumentsFolderFailsCleanly) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    std::filesystem::create_directories(documents());
    ::chmod(documents().c_str(), 0555);
    app().delegate().saveShapeAndImage();
    settle();
    ::chmod(documents().c_str(), 0755);
    EXPECT_EQ(app().delegate().alert()->title(), "save failed");
    EXPECT_TRUE(saved_files().empty());
}

TEST_F(ShapeFiles, StemsThatNameAnythingButADocumentAreRefused) {
    std::filesystem::create_directories(documents());
    std::ofstream(home_ / "outside.lumo") << "x";
    const auto surface = trans().current_surface();
    const auto picture = view().picture();
    for (const std::string& stem : {std::string(), std::string("."), std::string(".."), std::string("../outside"),
                                    std::string("a\0b", 3), std::string("/etc/passwd")})
        EXPECT_FALSE(app().delegate().loadShapeAndImage(stem)) << stem;
    EXPECT_EQ(trans().current_surface(), surface);
    EXPECT_EQ(view().picture(), picture);
}

// A shape file written by hand: any positions (NaN included, which the
// program itself refuses to save), any picture bytes.
void write_file(const std::filesystem::path& path, std::span<const float> positions, std::span<const uint8_t> png) {
    const std::vector<uint8_t> bytes = serialize_shape_file(positions, png);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every way a shape file can be refused leaves the rest shape, the surface
// and the picture exactly as they were, and says why, naming the file once.
TEST_F(ShapeFiles, AFileThatCannotBeTakenChangesNothingAndSaysWhy) {
    std::filesystem::create_directories(documents());
    const auto png = encode_png(Picture(8, 8));
    std::vector<float> poisoned(7500, 0.05f);
    poisoned[42] = std::numeric_limits<float>::quiet_NaN();
    // A PNG header claiming 100000 x 100000 pixels.
    const std::vector<uint8_t> huge_png = {0x89, 'P',  'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 0,    0, 0,
                                           13,   'I',  'H', 'D', 'R',  0,    1,    0x86, 0xa0, 0, 1,
                                           0x86, 0xa0, 8,   6,   0,    0,    0,    0,    0,    0, 0};
    write_file(shape_file_path(documents(), "short"), std::vector<float>(7499, 0.05f), png);
    write_file(shape_file_path(documents(), "nan"), poisoned, png);
    write_file(shape_file_path(documents(), "huge"), std::vector<float>(7500, 0.05f), huge_png);
    std::ofstream(shape_file_path(documents(), "text")) << "not a property list";
    const struct {
        const char* stem;
        const char* why;
    } rows[] = {
        {"gone", "no such file"},
        {"short", "not 7500 finite numbers"},
        {"nan", "not 7500 finite numbers"},
        {"huge", "too large"},
        {"text", ""},
    };
    for (const auto& row : rows) {
        const auto rest = trans().rest_shape();
        const auto surface = trans().current_surface();
        const auto picture = view().picture();
        if (app().ui().panel()->notice() != nullptr) app().ui().panel()->notice()->dismiss();
        // Only a missing file is refused before it is read.
        EXPECT_EQ(app().delegate().loadShapeAndImage(row.stem), std::string(row.stem) != "gone") << row.stem;
        settle();
        EXPECT_EQ(trans().rest_shape(), rest) << row.stem;
        EXPECT_EQ(trans().current_surface(), surface) << row.stem;
        EXPECT_EQ(view().picture(), picture) << row.stem;
        const AlertView* notice = app().ui().panel()->notice();
        ASSERT_TRUE(notice != nullptr && notice->isVisible()) << row.stem;
        const std::string name = std::string(row.stem) + ".lumo";
        EXPECT_NE(notice->message().find(name), std::string::npos) << notice->message();
        EXPECT_EQ(notice->message().find(name), notice->message().rfind(name)) << "named twice: " << notice->message();
        EXPECT_NE(notice->message().find(row.why), std::string::npos) << notice->message();
    }
}

// A good shape whose picture is missing or unusable: the shape is taken, the
// picture on the dome stays, and a notice says so.
TEST_F(ShapeFiles, AFileWithAnUnusablePictureKeepsTheCurrentOne) {
    std::filesystem::create_directories(documents());
    sculpt();
    const std::vector<float> shape = trans().getInitSurfacePosition();
    view().initializeShape();
    const std::vector<uint8_t> junk = {1, 2, 3, 4, 5};
    write_file(shape_file_path(documents(), "junk"), shape, junk);
    write_file(shape_file_path(documents(), "empty"), shape, {});
    for (const char* stem : {"junk", "empty"}) {
        view().initializeShape();
        const auto picture = view().picture();
        ASSERT_NE(picture, nullptr);
        EXPECT_TRUE(app().delegate().loadShapeAndImage(stem)) << stem;
        settle();
        EXPECT_EQ(view().picture(), picture) << stem;
        EXPECT_EQ(trans().getInitSurfacePosition(), shape) << stem;
        const AlertView* notice = app().ui().panel()->notice();
        ASSERT_TRUE(notice != nullptr && notice->isVisible()) << stem;
        EXPECT_NE(notice->message().find("picture"), std::string::npos) << notice->message();
        app().ui().panel()->notice()->dismiss();
    }
}

TEST_F(ShapeFiles, TheListShowsShapeFilesNewestFirst) {
    std::filesystem::create_directories(documents() / "d.lumo");
    for (const char* name : {"a.lumo", "b.txt", "c.LUMO", "x.y.lumo", "x.lumo.bak"})
        std::ofstream(documents() / name) << "";
    app().ui().view_controller()->loadAll();
    EXPECT_EQ(list().fileList, (std::vector<std::string>{"x.y", "d", "a"}));
    EXPECT_EQ(list().tableView()->rowCount(), 3);
    EXPECT_EQ(list().tableView()->rowText(0), "x.y");
    EXPECT_EQ(list()._lumo_view_controller, app().ui().view_controller());
    // A save made while the list was closed shows up next time, first: date
    // stamps come before the names that are no date.
    list().cancelButtonPressed();
    EXPECT_TRUE(view().animating());
    const std::string stem = save();
    app().ui().view_controller()->loadAll();
    EXPECT_EQ(list().fileList, (std::vector<std::string>{stem, "x.y", "d", "a"}));
}

TEST_F(ShapeFiles, AnEmptyListLeadsBackOnlyThroughCancel) {
    view().stopAnimation();
    app().ui().view_controller()->loadAll();
    EXPECT_EQ(list().tableView()->rowCount(), 0);
    EXPECT_TRUE(list().tableView()->isVisible());
    list().tableView()->pressCancel();
    EXPECT_FALSE(list().tableView()->isVisible());
    EXPECT_TRUE(view().animating());
}

TEST_F(ShapeFiles, SelectingARowLoadsFixesAndLeavesEditMode) {
    sculpt();
    const auto sculpted = trans().rest_shape();
    const std::string stem = save();
    view().initializeShape();
    trans().wait_for_table_build();
    app().ui().edit_switch.setOn(true);
    view().setEditMode(&app().ui().edit_switch);
    view().stopAnimation();  // as the Load menu leaves it
    app().ui().view_controller()->loadAll();
    ASSERT_EQ(list().fileList.front(), stem);

    EXPECT_EQ(table_values_published_by([&] {
                  list().tableView()->selectRow(0);
                  settle();
              }),
              kVertexCount);
    EXPECT_FALSE(list().tableView()->isVisible());
    EXPECT_TRUE(view().animating());
    EXPECT_FALSE(app().ui().edit_switch.isOn());
    EXPECT_TRUE(app().ui().edit_fix_button.isHidden());
    EXPECT_EQ(trans().time_interval(), 0.05f);
    // A rest shape saved by the program comes back to the bit.
    EXPECT_EQ(trans().rest_shape(), sculpted);
}

TEST_F(ShapeFiles, ARowWhoseFileVanishedClosesTheListAndChangesNothing) {
    const std::string stem = save();
    app().ui().view_controller()->loadAll();
    std::filesystem::remove(shape_file_path(documents(), stem));
    app().run_for(0.1);
    const auto surface = trans().current_surface();
    list().tableView()->selectRow(0);
    EXPECT_FALSE(list().tableView()->isVisible());
    EXPECT_TRUE(view().animating());
    EXPECT_EQ(trans().initializing_index(), -1);  // no build: the rest shape stays
    EXPECT_EQ(trans().current_surface(), surface);
    ASSERT_NE(app().ui().panel()->notice(), nullptr);
    EXPECT_TRUE(app().ui().panel()->notice()->isVisible());
}

// The design's diagnostic goes to the system's log, once when the list is
// made, and never to the user's terminal.
TEST(ViewLoaded, IsADiagnosticForTheSystemsLogOnceNotALineOnTheTerminal) {
    std::vector<std::string> diagnostics;
    set_diagnostic_sink([&diagnostics](const char* line) { diagnostics.emplace_back(line); });
    ::testing::internal::CaptureStderr();
    {
        TempFolder home;
        fileListViewController list(home.path());
        list.viewDidLoad();
        for (int n = 0; n < 3; ++n) list.refreshFileList();
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    set_diagnostic_sink(nullptr);
    EXPECT_EQ(diagnostics, std::vector<std::string>{"view loaded."});
}

// Heights at the float limit with alternating signs: their range overflows a
// float. The rest shape stays finite, and what Save writes loads again.
TEST_F(ShapeFiles, HeightsAtTheFloatLimitGiveAFiniteShapeThatSavesAndLoads) {
    std::filesystem::create_directories(documents());
    for (const float height : {1.7e38f, 3.4e38f}) {
        std::vector<float> shape(7500);
        for (int v = 0; v < 2500; ++v) {
            shape[3 * v] = grid_coordinate(v % 50);
            shape[3 * v + 1] = grid_coordinate(v / 50);
            shape[3 * v + 2] = v % 2 ? height : -height;
        }
        write_file(shape_file_path(documents(), "huge"), shape, encode_png(Picture(4, 4)));
        ASSERT_TRUE(app().delegate().loadShapeAndImage("huge"));
        settle();
        trans().wait_for_table_build();
        for (const float value : trans().getInitSurfacePosition()) ASSERT_TRUE(std::isfinite(value)) << height;
        std::filesystem::remove(shape_file_path(documents(), "huge"));

        const std::string stem = save();
        ASSERT_FALSE(stem.empty()) << "nothing saved";
        EXPECT_EQ(app().delegate().alert()->title(), "saved");
        EXPECT_TRUE(app().delegate().loadShapeAndImage(stem)) << "what was saved does not load";
        settle();
        EXPECT_EQ(app().ui().panel()->notice(), nullptr) << "what was saved does not load";
        std::filesystem::remove(shape_file_path(documents(), stem));
    }
}

// No way into the program gives a rest shape that is not finite; were one
// there, the file would not be written, as it could never be opened again.
// Opened and saved again, a shape file keeps its shape: one lumo saved comes
// back to the bit; one whose x and y are off the grid is sampled onto it,
// and that sampled shape then round-trips to the bit in turn.
TEST_F(ShapeFiles, AShapeOpenedAndSavedAgainKeepsItsHeightsToTheBit) {
    sculpt();
    const std::string saved = save();
    ASSERT_FALSE(saved.empty());
    std::vector<float> off_grid = trans().getInitSurfacePosition();
    for (std::size_t i = 0; i < off_grid.size(); i += 3) off_grid[i] += 0.003f * static_cast<float>(i % 5);
    write_file(shape_file_path(documents(), "off grid"), off_grid, encode_png(Picture(4, 4)));
    const auto positions_of = [&](const std::string& stem) {
        std::string error;
        const auto contents = read_shape_file(shape_file_path(documents(), stem), &error);
        EXPECT_TRUE(contents && contents->positions) << stem << ": " << error;
        return contents && contents->positions ? *contents->positions : std::vector<float>();
    };
    for (const std::string stem : {saved, std::string("off grid")}) {
        view().initializeShape();
        ASSERT_TRUE(app().delegate().loadShapeAndImage(stem)) << stem;
        settle();
        const std::string again = save();
        ASSERT_FALSE(again.empty()) << stem;
        const std::vector<float> before = positions_of(stem), after = positions_of(again);
        ASSERT_EQ(after.size(), 7500u);
        for (std::size_t i = 0; i < after.size(); ++i) ASSERT_TRUE(std::isfinite(after[i])) << stem << " " << i;
        if (stem == saved) {
            EXPECT_EQ(std::memcmp(before.data(), after.data(), after.size() * sizeof(float)), 0) << stem;
            continue;
        }
        for (int v = 0; v < 2500; ++v) {  // sampled onto the grid
            ASSERT_EQ(after[3 * v], grid_coordinate(v % 50)) << v;
            ASSERT_EQ(after[3 * v + 1], grid_coordinate(v / 50)) << v;
        }
        ASSERT_TRUE(app().delegate().loadShapeAndImage(again));
        settle();
        EXPECT_EQ(trans().getInitSurfacePosition(), after) << "a sampled shape is taken as it is";
    }
}

TEST_F(ShapeFiles, ARestShapeThatIsNotFiniteIsNotSaved) {
    std::string error;
    EXPECT_FALSE(write_shape_file(documents() / "x.lumo", std::vector<float>(7500, INFINITY), {}, &error));
    EXPECT_NE(error.find("finite"), std::string::npos) << error;
    EXPECT_TRUE(saved_files().empty());
}

// A save killed half-way leaves ".STEM.lumo.XXXXXX"; the next start, listing
// or save removes those whose writer is gone, whatever their age, and
// nothing else: not one a save under way (in any process) holds.
TEST_F(ShapeFiles, LeftoversOfKilledSavesGoWhenTheFolderIsNextUsed) {
    std::filesystem::create_directories(documents());
    std::filesystem::path held;
    const int writer = create_temporary_for(shape_file_path(documents(), "2026_01_01_00_00_02"), &held);
    ASSERT_GE(writer, 0);
    const auto old_temporary = documents() / ".2026_01_01_00_00_00.lumo.Ab3xY9";
    const auto young_temporary = documents() / ".2026_01_01_00_00_01.lumo.Qq7Rt2";
    const auto other_hidden = documents() / ".notes.txt.Ab3xY9";
    for (const auto& path : {old_temporary, young_temporary, other_hidden}) std::ofstream(path) << "half";
    const auto an_hour_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(old_temporary, an_hour_ago);

    list().refreshFileList();
    EXPECT_FALSE(std::filesystem::exists(old_temporary));
    EXPECT_FALSE(std::filesystem::exists(young_temporary));
    EXPECT_TRUE(std::filesystem::exists(other_hidden));
    EXPECT_TRUE(std::filesystem::exists(held)) << "a save is still writing it";

    // Once its writer is gone, the next start removes it.
    ::close(writer);
    app_.reset();
    launch();
    EXPECT_FALSE(std::filesystem::exists(held));
    EXPECT_TRUE(std::filesystem::exists(other_hidden));
}

TEST_F(ShapeFiles, ADanglingDocumentsLinkIsNamedAsSuch) {
    std::filesystem::create_directory_symlink(home_ / "gone", documents());
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(save().empty());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("link"), std::string::npos) << said;
    EXPECT_EQ(said.find("File exists"), std::string::npos) << said;
}

}  // namespace
}  // namespace lumo::testing
