#pragma once
// What the first picture needs that no window is needed for, begun before
// the window is opened. SDL and Mesa spend over a hundred milliseconds on
// one core opening the window and its GL context (loading the driver,
// choosing a visual); meanwhile the influence table is built for the default
// dome on the build's workers (all but one core's), and another thread
// decodes the default picture and reads the interface font, and removes
// what saves killed in an earlier run left in the documents folder.

#include <filesystem>
#include <future>
#include <memory>
#include <vector>

#include "render/eagl_view.h"

namespace lumo {

class StartUp {
public:
    explicit StartUp(std::filesystem::path documents);  // returns at once: everything above is under way
    StartUp(const StartUp&) = delete;
    StartUp& operator=(const StartUp&) = delete;

    // The surface with its table build running (or done), from now on on
    // every worker, and the decoded picture; waits for the decode. Once,
    // when the window is open.
    ViewContents take_view_contents();
    std::vector<char> take_font_file();  // waits for the read; once

private:
    struct Files {
        std::shared_ptr<const Picture> picture;
        std::vector<char> font;
    };
    Files& files();

    std::unique_ptr<LUMOTransform> surface_;
    std::future<Files> reading_;
    Files files_;
    bool read_ = false;
};

}  // namespace lumo
