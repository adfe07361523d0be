#include "support/picture_samples.h"

#include <malloc.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <jpeglib.h>

namespace lumo::testing {

void photo_colour(int x, int y, int width, int height, uint8_t rgb[3]) {
    const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
    const double light = 0.55 + 0.35 * std::sin(u * 5.1 + 0.7) * std::cos(v * 3.7);
    const bool in_disc = (u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4) < 0.04;
    const uint32_t grain = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u);
    const int noise = static_cast<int>(grain >> 28) - 8;
    const double base[3] = {in_disc ? 0.9 : 0.35 + 0.4 * u, in_disc ? 0.3 : 0.5, in_disc ? 0.2 : 0.3 + 0.5 * v};
    for (int c = 0; c < 3; ++c) {
        const int value = static_cast<int>(255.0 * base[c] * light) + noise;
        rgb[c] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

bool write_photo_jpeg(const std::filesystem::path& path, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);  // exits on error: fine for a sample maker
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) photo_colour(x, y, width, height, &row[static_cast<std::size_t>(x) * 3]);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

bool write_png(const std::filesystem::path& path, int width, int height, bool photo, bool interlaced) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 photo ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    const int channels = photo ? 3 : 4;
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * channels, 0);
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            if (photo) {
                for (int x = 0; x < width; ++x)
                    photo_colour(x, y, width, height, &row[static_cast<std::size_t>(x) * 3]);
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::vector<uint8_t> cmyk_jpeg(int width, int height, bool adobe) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    // Ink (C, M, Y, K) of red, green, blue and white.
    static constexpr uint8_t kInk[4][4] = {{0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 0}};
    std::vector<uint8_t> row(static_cast<std::size_t>(width) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        const bool bottom = static_cast<int>(cinfo.next_scanline) >= height / 2;
        for (int x = 0; x < width; ++x) {
            const uint8_t* ink = kInk[(bottom ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
            for (int c = 0; c < 4; ++c) row[static_cast<std::size_t>(x) * 4 + c] = adobe ? 255 - ink[c] : ink[c];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

std::vector<uint8_t> jpeg_bomb(int side, bool progressive) {
    // An 8 x 8 grey baseline JPEG made here, then its frame header made to claim side x side.
    std::vector<uint8_t> bytes;
    {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr errors{};
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &out, &size);
        cinfo.image_width = 8;
        cinfo.image_height = 8;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        if (progressive) jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<uint8_t> row(8 * 3, 128);
        for (int y = 0; y < 8; ++y) {
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        bytes.assign(out, out + size);
        std::free(out);
    }
    for (std::size_t i = 2; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<uint8_t>(side >> 8), bytes[i + 6] = static_cast<uint8_t>(side);
            bytes[i + 7] = static_cast<uint8_t>(side >> 8), bytes[i + 8] = static_cast<uint8_t>(side);
            break;
        }
    }
    return bytes;
}

std::vector<uint8_t> gif_bomb(int side) {
    const auto lo = static_cast<uint8_t>(side & 0xFF), hi = static_cast<uint8_t>(side >> 8);
    return {'G', 'I', 'F',  '8',  '9', 'a', lo,   hi, lo, hi, 0x80, 0,  0,  // screen, a two-colour table
            0,   0,   0,    255,  255, 255, 0x2C, 0,  0,  0,  0,    lo, hi, lo, hi, 0,  // one image, the whole screen
            2,   2,   0x4C, 0x01, 0,  // LZW: clear, a pixel, end
            0x3B};
}

void write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

namespace {

// A line of /proc/self/status, in bytes.
long long status_bytes(const char* key) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    char line[256];
    long long kilobytes = -1;
    const std::size_t length = std::strlen(key);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, key, length) == 0 && line[length] == ':') kilobytes = std::atoll(line + length + 1);
    }
    std::fclose(status);
    return kilobytes < 0 ? -1 : kilobytes * 1024;
}

}  // namespace

long long peak_memory_added(bool (*work)(void* context), void* context) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return -1;
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::close(pipe_ends[0]);
        // Free heap pages the parent left resident would be reused without
        // showing: hand them back first. Then the peak so far is the
        // parent's: start counting from what is resident now.
        ::malloc_trim(0);
        if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", clear);
            std::fclose(clear);
        }
        const long long before = status_bytes("VmRSS");
        const bool done = work(context);
        const long long peak = status_bytes("VmHWM");
        const long long added = done && before >= 0 && peak >= 0 ? peak - before : -1;
        const ssize_t written = ::write(pipe_ends[1], &added, sizeof added);
        ::_exit(written == sizeof added ? 0 : 1);
    }
    ::close(pipe_ends[1]);
    long long added = -1;
    if (::read(pipe_ends[0], &added, sizeof added) != sizeof added) added = -1;
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? added : -1;
}

}  // namespace lumo::testing
