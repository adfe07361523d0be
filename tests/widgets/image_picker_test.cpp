#include <gtest/gtest.h>

#include <sys/stat.h>

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../picture/prepare_gate.h"
#include "imgui_harness.h"
#include "picture_tree.h"
#include "widgets/image_picker.h"

namespace lumo {
namespace {

using testing::ImGuiHarness;
using testing::ScratchTree;

// Answers as the program does: the picker is dismissed on a pick or a cancel.
class PickerDelegate : public ImagePickerDelegate {
public:
    void imagePickerController_didFinishPickingImage(ImagePickerController* picker,
                                                     std::shared_ptr<const Picture> image) override {
        picked.push_back(std::move(image));
        picker->dismiss();
    }
    void imagePickerControllerDidCancel(ImagePickerController* picker) override {
        ++cancels;
        picker->dismiss();
    }
    std::vector<std::shared_ptr<const Picture>> picked;
    int cancels = 0;
};

class ImagePickerTest : public ::testing::Test {
protected:
    ScratchTree tree;
    PickerDelegate delegate;
    std::unique_ptr<ImagePickerController> picker = std::make_unique<ImagePickerController>();

    void SetUp() override {
        tree.folder("Holiday");
        tree.folder("archive");
        tree.folder(".cache");
        tree.picture("Holiday/beach.png", 40, 30);
        tree.picture("apple.png", 30, 20);
        tree.picture("zebra.PNG", 20, 10);
        tree.picture(".secret.png", 5, 5);
        tree.text("broken.png", "this is not a picture at all");
        tree.text("notes.txt", "hello");
        tree.text("picture.tga", "not a format we decode");
        picker->setDelegate(&delegate);
        picker->setStartFolder(tree.root());
    }
};

const std::vector<std::string> kRootEntries = {"archive/", "Holiday/", "apple.png", "broken.png", "zebra.PNG"};

TEST_F(ImagePickerTest, ListsFoldersFirstThenPicturesWithoutHiddenOrOtherFiles) {
    EXPECT_EQ(picker->folder(), tree.root());
    EXPECT_EQ(picker->entries(), kRootEntries);
}

TEST_F(ImagePickerTest, GoesDownIntoFoldersAndBackUp) {
    EXPECT_FALSE(picker->enter("Holiday")) << "folders are entered by their listed name";
    EXPECT_FALSE(picker->enter("notes.txt"));
    ASSERT_TRUE(picker->enter("Holiday/"));
    EXPECT_EQ(picker->folder(), tree / "Holiday");
    EXPECT_EQ(picker->entries(), std::vector<std::string>{"beach.png"});
    ASSERT_TRUE(picker->goUp());
    EXPECT_EQ(picker->folder(), tree.root());
    EXPECT_EQ(picker->entries(), kRootEntries);
}

TEST_F(ImagePickerTest, StopsGoingUpAtTheRoot) {
    picker->setStartFolder("/");
    EXPECT_EQ(picker->folder(), std::filesystem::path("/"));
    EXPECT_FALSE(picker->goUp());
}

// The picture arrives as the dome shows it: prepared once for the preview,
// fitted into the texture square (the view takes it without fitting again).
TEST_F(ImagePickerTest, PickingAPictureDeliversItFittedAsPreviewed) {
    EXPECT_FALSE(picker->pick()) << "nothing selected yet";
    EXPECT_TRUE(delegate.picked.empty());
    ASSERT_TRUE(picker->enter("apple.png"));
    ASSERT_TRUE(picker->pick());
    ASSERT_EQ(delegate.picked.size(), 1u);
    const Picture& image = *delegate.picked[0];
    ASSERT_EQ(image.width(), kTextureSide);
    ASSERT_EQ(image.height(), kTextureSide);
    std::string error;
    const auto apple = load_picture_file(tree / "apple.png", &error);
    ASSERT_TRUE(apple) << error;
    const Picture fitted = fit_picture(*apple);
    ASSERT_EQ(fitted.byte_count(), image.byte_count());
    EXPECT_TRUE(std::equal(image.pixels(), image.pixels() + image.byte_count(), fitted.pixels()));
    const uint8_t* p = image.pixel(300, 256);  // 30 x 20 enlarged: red grows to the right, blue stays
    EXPECT_GT(p[0], image.pixel(200, 256)[0]);
    EXPECT_NEAR(p[2], 200, 2);
    EXPECT_EQ(p[3], 255);
    EXPECT_TRUE(picker->message().empty());
}

TEST_F(ImagePickerTest, PicturesSeenLatelyAreNotDecodedAgain) {
    testing::PrepareCounter counter;
    ASSERT_TRUE(picker->enter("apple.png"));
    ASSERT_TRUE(picker->enter("zebra.PNG"));
    ASSERT_TRUE(picker->enter("apple.png"));
    EXPECT_EQ(counter.prepared(), 2) << "apple came from the cache the second time";
    // A file changed since is prepared again.
    tree.picture("apple.png", 31, 20);
    ASSERT_TRUE(picker->enter("apple.png"));
    EXPECT_EQ(counter.prepared(), 3);
    ASSERT_TRUE(picker->pick());
    ASSERT_EQ(delegate.picked.size(), 1u);
}

TEST_F(ImagePickerTest, UsePictureBeforeThePreviewArrivesHandsItOverWhenItDoes) {
    ImGuiHarness harness;
    const auto ui = [&] { picker->draw(); };
    picker->present();
    harness.frames(2, ui);
    testing::PrepareGate gate;
    ASSERT_TRUE(harness.click_control("apple.png", ui));  // a click does not wait
    gate.wait_for_started(1);
    ASSERT_TRUE(harness.click_control("Use Picture", ui));
    harness.frames(3, ui);
    EXPECT_TRUE(delegate.picked.empty()) << "not before it is ready";
    EXPECT_TRUE(picker->isVisible()) << "the picker still draws meanwhile";
    gate.release();
    for (int i = 0; i < 200 && delegate.picked.empty(); ++i) {
        harness.frame(ui);
        SDL_Delay(5);
    }
    ASSERT_EQ(delegate.picked.size(), 1u);
    EXPECT_EQ(delegate.picked[0]->width(), kTextureSide);
    EXPECT_FALSE(picker->isVisible());
}

TEST_F(ImagePickerTest, APictureThatDoesNotDecodeIsNotPassedOn) {
    ASSERT_TRUE(picker->enter("broken.png"));
    EXPECT_FALSE(picker->message().empty()) << "the preview already tells";
    EXPECT_FALSE(picker->pick());
    EXPECT_TRUE(delegate.picked.empty());
    EXPECT_EQ(picker->message().find('\n'), std::string::npos) << "one line";
}

TEST_F(ImagePickerTest, AFolderThatCannotBeReadGivesAMessageAndNoEntries) {
    if (!testing::permissions_are_enforced()) GTEST_SKIP() << "permission bits do not stop root";
    tree.folder("locked");
    tree.picture("locked/inside.png", 4, 4);
    ASSERT_EQ(::chmod((tree / "locked").c_str(), 0), 0);
    ASSERT_TRUE(picker->enter("locked/"));
    EXPECT_TRUE(picker->entries().empty());
    EXPECT_FALSE(picker->message().empty());
    ASSERT_TRUE(picker->goUp());
    EXPECT_TRUE(picker->message().empty());
}

TEST_F(ImagePickerTest, AStartFolderThatIsNotThereStillOpensWithAMessage) {
    picker->setStartFolder(tree / "missing");
    EXPECT_TRUE(picker->entries().empty());
    EXPECT_FALSE(picker->message().empty());
}

TEST_F(ImagePickerTest, KeepsItsFolderBetweenShowings) {
    picker->present();
    ASSERT_TRUE(picker->enter("Holiday/"));
    picker->dismiss();
    picker->present();
    EXPECT_EQ(picker->folder(), tree / "Holiday");
}

TEST_F(ImagePickerTest, PresentingAfterItsFolderWentAwayStartsInTheNearestParent) {
    std::filesystem::create_directories(tree / "gone/deeper");
    picker->setStartFolder(tree / "gone/deeper");
    std::filesystem::remove_all(tree / "gone");
    picker->present();
    EXPECT_EQ(picker->folder(), tree.root());
    EXPECT_EQ(picker->entries(), kRootEntries);
}

TEST(ImagePickerSources, OnlyThePhotoLibraryIsAvailable) {
    EXPECT_TRUE(ImagePickerController::isSourceTypeAvailable(ImagePickerController::PhotoLibrary));
    EXPECT_FALSE(ImagePickerController::isSourceTypeAvailable(ImagePickerController::Camera));
}

// ---------------------------------------------------------------------------
// Driven through the screen, as a user would.

class ImagePickerScreenTest : public ImagePickerTest {
protected:
    ImGuiHarness ui;
    ImGuiHarness::Ui draw = [this] { picker->draw(); };

    void SetUp() override {
        ImagePickerTest::SetUp();
        picker->present();
        ui.frames(2, draw);
    }
};

TEST_F(ImagePickerScreenTest, ShowsTheFolderAndItsEntries) {
    EXPECT_TRUE(ui.drew_text(tree.root().string()));
    for (const std::string& entry : kRootEntries) EXPECT_TRUE(ui.control(entry)) << entry;
    EXPECT_FALSE(ui.control(".secret.png"));
    EXPECT_FALSE(ui.control("notes.txt"));
    const std::optional<testing::DrawnItem> pick = ui.control("Use Picture");
    ASSERT_TRUE(pick);
    EXPECT_FALSE(pick->enabled) << "nothing selected yet";
    EXPECT_TRUE(ui.control("Cancel"));
    EXPECT_TRUE(ui.control("Up"));
}

TEST_F(ImagePickerScreenTest, DoubleClickEntersAFolderAndUpComesBack) {
    ASSERT_TRUE(ui.click_control("Holiday/", draw));
    EXPECT_EQ(picker->folder(), tree.root()) << "one click only selects a folder";
    ASSERT_TRUE(ui.double_click_control("Holiday/", draw));
    EXPECT_EQ(picker->folder(), tree / "Holiday");
    ui.frame(draw);
    EXPECT_TRUE(ui.control("beach.png"));
    ASSERT_TRUE(ui.click_control("Up", draw));
    EXPECT_EQ(picker->folder(), tree.root());
}

TEST_F(ImagePickerScreenTest, SelectingAPictureShowsItsSizeAndUsePicturePicksIt) {
    ASSERT_TRUE(ui.click_control("apple.png", draw));
    picker->waitForPicture();  // prepared on the worker; the next frame takes it
    ui.frame(draw);
    EXPECT_TRUE(ui.drew_text("30 x 20")) << "no texture hooks: the size stands in for the preview";
    ASSERT_TRUE(ui.control("Use Picture")->enabled);
    ASSERT_TRUE(ui.click_control("Use Picture", draw));
    ASSERT_EQ(delegate.picked.size(), 1u);
    EXPECT_EQ(delegate.picked[0]->width(), kTextureSide);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(ImGuiHarness::any_popup_open());
}

TEST_F(ImagePickerScreenTest, DoubleClickOnAPicturePicksIt) {
    ASSERT_TRUE(ui.double_click_control("zebra.PNG", draw));
    picker->waitForPicture();
    ui.frame(draw);  // handed over as it arrives
    ASSERT_EQ(delegate.picked.size(), 1u);
    EXPECT_EQ(delegate.picked[0]->width(), kTextureSide);
    EXPECT_EQ(delegate.picked[0]->height(), kTextureSide);
}

TEST_F(ImagePickerScreenTest, APictureThatDoesNotDecodeKeepsThePickerOpenWithTheMessage) {
    ASSERT_TRUE(ui.double_click_control("broken.png", draw));
    picker->waitForPicture();
    ui.frame(draw);
    EXPECT_TRUE(delegate.picked.empty());
    EXPECT_TRUE(picker->isVisible());
    ui.frame(draw);
    ASSERT_FALSE(picker->message().empty());
    EXPECT_TRUE(ui.drew_text(picker->message()));
    // Selected by one click, the reason shows and Use Picture cannot be pressed.
    ASSERT_TRUE(ui.click_control("broken.png", draw));
    picker->waitForPicture();
    ui.frames(2, draw);
    EXPECT_TRUE(ui.drew_text(picker->message()));
    EXPECT_EQ(picker->message().find("broken.png"), std::string::npos)
        << "named once, by its row: " << picker->message();
    ASSERT_TRUE(ui.control("Use Picture"));
    EXPECT_FALSE(ui.control("Use Picture")->enabled);
    // Still usable afterwards.
    ASSERT_TRUE(ui.double_click_control("apple.png", draw));
    picker->waitForPicture();
    ui.frame(draw);
    EXPECT_EQ(delegate.picked.size(), 1u);
}

TEST_F(ImagePickerScreenTest, CancelTellsTheDelegate) {
    ASSERT_TRUE(ui.click_control("Cancel", draw));
    EXPECT_EQ(delegate.cancels, 1);
    EXPECT_FALSE(picker->isVisible());
}

TEST_F(ImagePickerScreenTest, AnUnreadableFolderShowsItsMessage) {
    if (!testing::permissions_are_enforced()) GTEST_SKIP() << "permission bits do not stop root";
    tree.folder("locked");
    ASSERT_EQ(::chmod((tree / "locked").c_str(), 0), 0);
    picker->dismiss();
    picker->present();  // lists the new folder
    ui.frames(2, draw);
    ASSERT_TRUE(ui.double_click_control("locked/", draw));
    ui.frame(draw);
    ASSERT_FALSE(picker->message().empty());
    EXPECT_TRUE(ui.drew_text(picker->message()));
    EXPECT_TRUE(ui.control("Up")->enabled);
}

// ---------------------------------------------------------------------------
// The preview texture, made and freed through the application's hooks.

struct TextureLog {
    static inline int created = 0;
    static inline int destroyed = 0;
    static inline int last_side = 0;
    static ImTextureID create(const Picture& picture) {
        last_side = picture.width() == picture.height() ? picture.width() : -1;
        return reinterpret_cast<ImTextureID>(static_cast<intptr_t>(++created));
    }
    static void destroy(ImTextureID) { ++destroyed; }
};

class ImagePickerPreviewTest : public ImagePickerScreenTest {
protected:
    void SetUp() override {
        TextureLog::created = TextureLog::destroyed = TextureLog::last_side = 0;
        ImagePickerController::setPreviewTextureHooks(&TextureLog::create, &TextureLog::destroy);
        ImagePickerScreenTest::SetUp();
    }
    void TearDown() override { ImagePickerController::setPreviewTextureHooks(nullptr, nullptr); }
};

TEST_F(ImagePickerPreviewTest, EachSelectedPictureGetsOneTextureFreedOnceUnused) {
    ASSERT_TRUE(ui.click_control("apple.png", draw));
    picker->waitForPicture();
    ui.frames(2, draw);
    EXPECT_EQ(TextureLog::created, 1);
    EXPECT_GT(TextureLog::last_side, 0) << "a square fitted picture";
    EXPECT_TRUE(ui.drew_text("30 x 20"));
    ASSERT_TRUE(ui.click_control("zebra.PNG", draw));
    picker->waitForPicture();
    ui.frames(2, draw);
    EXPECT_EQ(TextureLog::created, 2);
    EXPECT_EQ(TextureLog::destroyed, 1);
    ASSERT_TRUE(ui.click_control("Holiday/", draw));
    ui.frames(2, draw);
    EXPECT_EQ(TextureLog::created, 2) << "folders have no preview";
    EXPECT_EQ(TextureLog::destroyed, 2);
    ASSERT_TRUE(ui.click_control("apple.png", draw));
    picker->waitForPicture();
    ui.frames(2, draw);
    picker.reset();
    EXPECT_EQ(TextureLog::destroyed, TextureLog::created);
}

TEST_F(ImagePickerPreviewTest, NoTextureForAPictureThatDoesNotDecode) {
    ASSERT_TRUE(ui.click_control("broken.png", draw));
    picker->waitForPicture();
    ui.frames(2, draw);
    EXPECT_FALSE(picker->message().empty());
    EXPECT_EQ(TextureLog::created, 0);
}

}  // namespace
}  // namespace lumo
