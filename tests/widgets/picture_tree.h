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

#include "platform/picture.h"

namespace lumo::testing {

class ScratchTree {
public:
    ScratchTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo-widgets-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
        EXPECT_FALSE(root_.empty()) << "cannot create a temporary folder";
    }
    ~ScratchTree() {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path operator/(std::string_view name) const { return root_ / name; }

    std::filesystem::path folder(std::string_view name) const {
        std::filesystem::create_directories(root_ / name);
        return root_ / name;
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
        EXPECT_TRUE(save_png_file(picture, root_ / name, &error)) << error;
    }

    void text(std::string_view name, std::string_view content) const {
        std::ofstream out(root_ / name, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }

private:
    std::filesystem::path root_;
};

// Permission bits do not stop root.
inline bool permissions_are_enforced() { return ::geteuid() != 0; }

}  // namespace lumo::testing
