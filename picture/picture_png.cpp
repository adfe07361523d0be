#include "picture/picture.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumo {
namespace {

// Straight alpha as PNG stores it: each colour divided by alpha, rounded to
// nearest. Premultiplying the result again gives back the same bytes.
std::vector<uint8_t> straight_alpha(const Picture& picture) {
    std::vector<uint8_t> straight(picture.pixels(), picture.pixels() + picture.byte_count());
    for (std::size_t i = 0; i < straight.size(); i += 4) {
        const uint32_t alpha = straight[i + 3];
        for (std::size_t c = 0; c < 3; ++c) {
            const uint32_t value = alpha == 0 ? 0 : (straight[i + c] * 255u + alpha / 2) / alpha;
            straight[i + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
    return straight;
}

}  // namespace

// stb's encoder on every host: the same pixels give the same bytes on the
// desktop and in the browser, so a shape file moves between them unchanged.
std::vector<uint8_t> encode_png(const Picture& picture) {
    if (picture.empty()) return {};
    const std::vector<uint8_t> straight = straight_alpha(picture);
    std::vector<uint8_t> png;
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        const auto* begin = static_cast<const uint8_t*>(data);
        bytes->insert(bytes->end(), begin, begin + size);
    };
    if (stbi_write_png_to_func(append, &png, picture.width(), picture.height(), 4, straight.data(),
                               picture.width() * 4) == 0)
        return {};
    return png;
}

bool save_png_file(const Picture& picture, const std::filesystem::path& path, std::string* error) {
    auto fail = [&](const std::string& message) {
        if (error) *error = message;
        return false;
    };
    if (picture.empty()) return fail("cannot save an empty picture as PNG");
    const std::vector<uint8_t> png = encode_png(picture);
    if (png.empty()) return fail("PNG encoding failed");

    std::filesystem::path temporary = path;
    temporary += ".partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return fail("cannot write " + temporary.string() + ": " + std::strerror(errno));
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    const int write_errno = errno;
    std::error_code code;
    if (!written || !closed) {
        std::filesystem::remove(temporary, code);
        return fail("cannot write " + temporary.string() + ": " + std::strerror(write_errno));
    }
    std::filesystem::rename(temporary, path, code);
    if (code) {
        std::filesystem::remove(temporary, code);
        return fail("cannot replace " + path.string() + ": " + code.message());
    }
    return true;
}

}  // namespace lumo
