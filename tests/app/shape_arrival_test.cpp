// A shape file dropped on the window is read and checked beside the frames:
// however bad or large it is, the run loop keeps turning until its verdict
// arrives, and a headless run still takes it before the next tick.

#include <fstream>

#include "shape/shape_file.h"
#include "support/app_harness.h"

namespace lumo::testing {
namespace {

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict><key>InitSurfacePosition</key><array>";

void write_text(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// 240,000 numbers that are not numbers.
std::filesystem::path malformed_numbers(const std::filesystem::path& folder) {
    std::string xml = kHead;
    for (int k = 0; k < 240000; ++k) xml += "<real>abc</real>";
    xml += "</array></dict>\n</plist>\n";
    write_text(folder / "malformed.lumo", xml);
    return folder / "malformed.lumo";
}

// A good dome whose picture is a few bytes short of the size limit and no
// picture at all: the shape is taken, the picture kept.
std::filesystem::path just_under_the_limit(const std::filesystem::path& folder) {
    std::string xml = kHead;
    for (int v = 0; v < 2500; ++v) {
        xml += "<real>" + std::to_string(grid_coordinate(v % 50)) + "</real><real>" +
               std::to_string(grid_coordinate(v / 50)) + "</real><real>0.05</real>";
    }
    xml += "</array><key>SurfaceImage</key><data>";
    const std::string tail = "</data></dict>\n</plist>\n";
    xml.append(kMaxShapeFileBytes - 1 - xml.size() - tail.size(), 'A');
    xml += tail;
    write_text(folder / "large.lumo", xml);
    return folder / "large.lumo";
}

TEST_F(AppTest, ABadOrHugeShapeFileNeverHoldsTheRunLoop) {
    launch();
    app().set_waits_for_background(false);  // as with a display: nobody waits
    int ticks = 0;
    const Timer counter = app().run_loop().scheduleRepeating(0.01, [&ticks] { ++ticks; });
    const struct {
        std::filesystem::path file;
        bool shape_taken;
        const char* why;
    } rows[] = {
        {malformed_numbers(home_), false, "not 7500 finite numbers"},
        {just_under_the_limit(home_), true, "picture cannot be read"},
    };
    for (const auto& row : rows) {
        if (app().ui().panel()->notice() != nullptr) app().ui().panel()->notice()->dismiss();
        const auto rest = trans().rest_shape();
        ticks = 0;
        drop(row.file);
        int ticks_while_reading = 0;
        while (host_background_busy()) {
            turn();
            ticks_while_reading = ticks;
        }
        EXPECT_GE(ticks_while_reading, 3) << row.file << ": the timers stopped while the file was read";
        EXPECT_EQ(trans().rest_shape() != rest, row.shape_taken) << row.file;
        turn();
        const AlertView* notice = app().ui().panel()->notice();
        ASSERT_TRUE(notice != nullptr && notice->isVisible()) << row.file;
        EXPECT_NE(notice->message().find(row.why), std::string::npos) << notice->message();
        EXPECT_NE(notice->message().find(row.file.filename().string()), std::string::npos) << notice->message();
    }
    app().run_loop().invalidate(counter);
}

TEST_F(AppTest, HeadlessRunsTakeADroppedShapeBeforeTheNextTick) {
    launch();
    const auto rest = trans().rest_shape();
    std::vector<float> flat(7500);
    for (int v = 0; v < 2500; ++v) flat[3 * v + 2] = 0.05f;
    const std::vector<uint8_t> bytes = serialize_shape_file(flat, encode_png(Picture(4, 4)));
    write_text(home_ / "flat.lumo", std::string(bytes.begin(), bytes.end()));
    drop(home_ / "flat.lumo");
    EXPECT_NE(trans().rest_shape(), rest) << "waited for at the tick, as pictures are";
}

}  // namespace
}  // namespace lumo::testing
