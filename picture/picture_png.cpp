#include "picture/picture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "picture/picture_image_library.h"

namespace lumo {
namespace {

// An SDL_RWops that writes into a growing byte vector.
struct MemoryWriter {
    std::vector<uint8_t>* bytes;
    std::size_t position;
};

MemoryWriter& writer_of(SDL_RWops* stream) { return *static_cast<MemoryWriter*>(stream->hidden.unknown.data1); }

Sint64 writer_size(SDL_RWops* stream) { return static_cast<Sint64>(writer_of(stream).bytes->size()); }

Sint64 writer_seek(SDL_RWops* stream, Sint64 offset, int whence) {
    MemoryWriter& writer = writer_of(stream);
    const Sint64 base = whence == RW_SEEK_SET ? 0
                        : whence == RW_SEEK_CUR ? static_cast<Sint64>(writer.position)
                                                : static_cast<Sint64>(writer.bytes->size());
    if (base + offset < 0) return SDL_SetError("seek before the start of a memory stream");
    writer.position = static_cast<std::size_t>(base + offset);
    return base + offset;
}

size_t writer_read(SDL_RWops*, void*, size_t, size_t) {
    SDL_SetError("memory stream is write-only");
    return 0;
}

size_t writer_write(SDL_RWops* stream, const void* data, size_t size, size_t count) {
    MemoryWriter& writer = writer_of(stream);
    const std::size_t length = size * count;
    if (writer.bytes->size() < writer.position + length) writer.bytes->resize(writer.position + length);
    std::memcpy(writer.bytes->data() + writer.position, data, length);
    writer.position += length;
    return count;
}

int writer_close(SDL_RWops* stream) {
    SDL_FreeRW(stream);
    return 0;
}

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

std::vector<uint8_t> encode_png(const Picture& picture) {
    if (picture.empty()) return {};
    ensure_image_library();
    std::vector<uint8_t> straight = straight_alpha(picture);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(straight.data(), picture.width(), picture.height(), 32,
                                                              picture.width() * 4, SDL_PIXELFORMAT_RGBA32);
    if (!surface) return {};

    std::vector<uint8_t> png;
    MemoryWriter writer{&png, 0};
    SDL_RWops* stream = SDL_AllocRW();
    if (!stream) {
        SDL_FreeSurface(surface);
        return {};
    }
    stream->type = SDL_RWOPS_UNKNOWN;
    stream->size = writer_size;
    stream->seek = writer_seek;
    stream->read = writer_read;
    stream->write = writer_write;
    stream->close = writer_close;
    stream->hidden.unknown.data1 = &writer;

    const bool saved = IMG_SavePNG_RW(surface, stream, 0) == 0;
    SDL_RWclose(stream);
    SDL_FreeSurface(surface);
    if (!saved) return {};
    return png;
}

bool save_png_file(const Picture& picture, const std::filesystem::path& path, std::string* error) {
    auto fail = [&](const std::string& message) {
        if (error) *error = message;
        return false;
    };
    if (picture.empty()) return fail("cannot save an empty picture as PNG");
    const std::vector<uint8_t> png = encode_png(picture);
    if (png.empty()) return fail(std::string("PNG encoding failed: ") + IMG_GetError());

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
