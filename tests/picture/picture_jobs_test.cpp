// The picture worker: the newest request wins, cancelling drops a result,
// failures name the file.

#include "picture/picture_jobs.h"
#include "picture_test_support.h"
#include "prepare_gate.h"
#include "support/solid_picture.h"

namespace lumo::testing {
namespace {

class PictureJobsTest : public ::testing::Test {
protected:
    std::filesystem::path plain(const char* name, Rgba colour) {
        const auto path = folder.path() / name;
        EXPECT_TRUE(save_png_file(solid_picture(64, 48, colour), path));
        return path;
    }
    static PictureRequest request_for(const std::filesystem::path& path) {
        PictureRequest request;
        request.path = path;
        return request;
    }
    TempFolder folder;
    const Rgba red{200, 10, 10, 255};
    const Rgba blue{10, 10, 200, 255};
};

TEST_F(PictureJobsTest, ASecondRequestReplacesTheOneBeingPrepared) {
    const auto first = plain("first.png", red);
    const auto second = plain("second.png", blue);
    PrepareGate gate;
    auto jobs = make_picture_jobs();
    jobs->submit(request_for(first));
    gate.wait_for_started(1);  // the first is being decoded now
    EXPECT_TRUE(jobs->busy());
    jobs->submit(request_for(second));
    EXPECT_FALSE(jobs->take()) << "nothing is ready while the decode is held";
    gate.release();
    jobs->wait();
    EXPECT_FALSE(jobs->busy());
    const auto result = jobs->take();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->path, second);
    ASSERT_TRUE(result->ok()) << result->error;
    EXPECT_EQ(pixel_at(*result->texture, 256, 256), blue);
    EXPECT_FALSE(jobs->take()) << "the first one's result is dropped, and a result comes once";
}

TEST_F(PictureJobsTest, RequestsWaitingBehindOthersAreReplacedWithoutBeingDecoded) {
    PrepareGate gate;
    auto jobs = make_picture_jobs();
    jobs->submit(request_for(plain("a.png", red)));
    gate.wait_for_started(1);
    jobs->submit(request_for(plain("b.png", red)));
    jobs->submit(request_for(plain("c.png", blue)));
    gate.release();
    jobs->wait();
    EXPECT_EQ(gate.started(), 2) << "a, then c; b never started";
    const auto result = jobs->take();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->path.filename(), "c.png");
}

TEST_F(PictureJobsTest, CancellingDropsTheResult) {
    PrepareGate gate;
    auto jobs = make_picture_jobs();
    jobs->submit(request_for(plain("a.png", red)));
    gate.wait_for_started(1);
    jobs->cancel();
    gate.release();
    jobs->wait();
    EXPECT_FALSE(jobs->take());
}

// Failures arrive naming the file: one no decoder takes, and one SDL2_image
// fails on (a PNG cut short), which fills SDL's per-thread error buffer on
// the worker; the worker releases it as it ends (LeakSanitizer would see it).
TEST_F(PictureJobsTest, AFailureArrivesWithTheFileNamedAndNoPicture) {
    write_bytes(folder.path() / "notes.png", {'n', 'o', 't', 'e', 's'});
    std::vector<uint8_t> cut = read_bytes(plain("whole.png", red));
    cut.resize(cut.size() - 20);
    write_bytes(folder.path() / "cut.png", cut);
    for (const char* name : {"notes.png", "cut.png"}) {
        auto jobs = make_picture_jobs();
        jobs->submit(request_for(folder.path() / name));
        jobs->wait();
        const auto result = jobs->take();
        ASSERT_TRUE(result);
        EXPECT_FALSE(result->ok());
        EXPECT_EQ(result->kind, PictureError::undecodable);
        EXPECT_NE(result->error.find(name), std::string::npos) << result->error;
    }
}

TEST_F(PictureJobsTest, DestroyingTheJobsWhileADecodeIsHeldFinishesCleanly) {
    PrepareGate gate;
    auto jobs = make_picture_jobs();
    jobs->submit(request_for(plain("a.png", red)));
    gate.wait_for_started(1);
    gate.release();
    jobs.reset();  // joins the worker; nothing left behind
    SUCCEED();
}

}  // namespace
}  // namespace lumo::testing
