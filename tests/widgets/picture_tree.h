#pragma once
// A scratch folder tree of pictures and other files for the picker tests,
// removed afterwards (permissions restored first).

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "picture/picture.h"
#include "support/temp_folder.h"

namespace lumo::testing {

class ScratchTree {
public:
    const std::filesystem::path& root() const { return folder_.path(); }
    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }

    std::filesystem::path folder(std::string_view name) const {
        std::filesystem::create_directories(root() / name);
        return root() / name;
    }

    // A PNG of width x height whose pixel (x, y) is (x, y, 200, 255).
    void picture(std::string_view name, int width, int height) const {
        Picture picture(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t* p = picture.pixel(x, y);
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = 200;
                p[3] = 255;
            }
        }
        std::string error;
        EXPECT_TRUE(save_png_file(picture, root() / name, &error)) << error;
    }

    void text(std::string_view name, std::string_view content) const {
        std::ofstream out(root() / name, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }

private:
    TempFolder folder_;
};

}  // namespace lumo::testing
