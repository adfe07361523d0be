#include "picture_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

#include <fstream>
#include <iterator>

namespace lumo::testing {
namespace {

SDL_Surface* surface_over(int width, int height, const void* rgba) {
    return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<void*>(rgba), width, height, 32, width * 4,
                                              SDL_PIXELFORMAT_RGBA32);
}

}  // namespace

std::vector<uint8_t> read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> straight_alpha_png(int width, int height, const std::vector<uint8_t>& rgba,
                                        const std::filesystem::path& folder) {
    SDL_Surface* surface = surface_over(width, height, rgba.data());
    const auto path = folder / "straight.png";
    EXPECT_EQ(IMG_SavePNG(surface, path.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
    return read_bytes(path);
}

std::vector<uint8_t> jpeg_of(const Picture& opaque, const std::filesystem::path& folder) {
    SDL_Surface* surface = surface_over(opaque.width(), opaque.height(), opaque.pixels());
    const auto path = folder / "picture.jpg";
    EXPECT_EQ(IMG_SaveJPG(surface, path.c_str(), 95), 0) << IMG_GetError();
    SDL_FreeSurface(surface);
    return read_bytes(path);
}

std::vector<uint8_t> bmp_of(const Picture& opaque, const std::filesystem::path& folder) {
    SDL_Surface* surface = surface_over(opaque.width(), opaque.height(), opaque.pixels());
    const auto path = folder / "picture.bmp";
    EXPECT_EQ(SDL_SaveBMP(surface, path.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(surface);
    return read_bytes(path);
}

}  // namespace lumo::testing
