#include "picture/picture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "picture/picture_decoders.h"
#include "picture/picture_file.h"
#include "picture/picture_header.h"
#include "picture/picture_image_library.h"
#include "picture/picture_orientation.h"

namespace lumo {
namespace {

// No picture within kMaxPictureSide needs more: an uncompressed 8192 x 8192
// BMP is 256 MiB, an ASCII PNM of that size at most about 800 MB.
constexpr std::uintmax_t kMaxPictureFileBytes = std::uintmax_t{1} << 30;

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// The caller's out-parameters, filled on the way out of a failed call.
struct Report {
    std::string* error;
    PictureError* kind;

    std::nullopt_t refuse(PictureError why, const std::string& message) const {
        if (error) *error = message;
        if (kind) *kind = why;
        return std::nullopt;
    }
};

}  // namespace

std::string damaged_picture_words(const std::string& format) {
    return "not a picture lumo can open (a damaged " + format + " picture)";
}

std::string picture_too_large_message(uint64_t width, uint64_t height) {
    return "picture too large: " + std::to_string(width) + " x " + std::to_string(height) + " pixels (at most " +
           std::to_string(kMaxPictureSide) + " x " + std::to_string(kMaxPictureSide) + ")";
}

namespace {

bool fits_size_limit(uint64_t width, uint64_t height) {
    return width <= static_cast<uint64_t>(kMaxPictureSide) && height <= static_cast<uint64_t>(kMaxPictureSide);
}

// The loader that matches the header we read, never SDL2_image's own guess:
// the size we checked must be the size the decoder uses.
SDL_Surface* decode_with(PictureFormat format, SDL_RWops* source) {
    switch (format) {
        case PictureFormat::png: return IMG_LoadPNG_RW(source);
        case PictureFormat::jpeg: return IMG_LoadJPG_RW(source);
        case PictureFormat::gif: return IMG_LoadGIF_RW(source);
        case PictureFormat::bmp: return IMG_LoadBMP_RW(source);
        case PictureFormat::webp: return IMG_LoadWEBP_RW(source);
        case PictureFormat::tiff: return IMG_LoadTIF_RW(source);
        case PictureFormat::qoi: return IMG_LoadQOI_RW(source);
        case PictureFormat::pnm: return IMG_LoadPNM_RW(source);
        case PictureFormat::unknown: break;
    }
    return nullptr;
}

// Copies straight-alpha RGBA rows (bytes R, G, B, A; `pitch` bytes apart)
// and premultiplies the alpha, rounding to nearest.
Picture premultiplied_copy(int width, int height, const uint8_t* rows, std::size_t pitch) {
    Picture picture(width, height);
    if (picture.empty()) return picture;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rows + static_cast<std::size_t>(y) * pitch;
        uint8_t* out = picture.pixel(0, y);
        for (int x = 0; x < width; ++x, row += 4, out += 4) {
            const uint32_t alpha = row[3];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((row[c] * alpha + 127) / 255);
            out[3] = static_cast<uint8_t>(alpha);
        }
    }
    return picture;
}

}  // namespace

Picture picture_from_straight_rgba(int width, int height, std::span<const uint8_t> rgba) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return {};
    const std::size_t pitch = static_cast<std::size_t>(width) * 4;
    if (rgba.size() != pitch * static_cast<std::size_t>(height)) return {};
    return premultiplied_copy(width, height, rgba.data(), pitch);
}

Picture::Picture(int width, int height) {
    if (width <= 0 || height <= 0) return;
    width_ = width;
    height_ = height;
    bytes_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
}

void ensure_image_library() {
    static const int initialised = IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG | IMG_INIT_TIF | IMG_INIT_WEBP);
    (void)initialised;  // a missing codec shows later as that format failing to decode
}

std::optional<Picture> decode_picture(std::span<const uint8_t> bytes, std::string* error, PictureError* kind) {
    const Report report{error, kind};
    if (kind) *kind = PictureError::none;
    const PictureHeader header = read_picture_header(bytes);
    if (header.format == PictureFormat::unknown) {
        return report.refuse(PictureError::undecodable, kNotAPicture);
    }
    const std::string format = picture_format_name(header.format);
    if (header.width == 0 || header.height == 0) {
        return report.refuse(PictureError::undecodable, damaged_picture_words(format));
    }
    if (!fits_size_limit(header.width, header.height)) {
        return report.refuse(PictureError::too_large, picture_too_large_message(header.width, header.height));
    }
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {  // SDL's memory streams count in int
        return report.refuse(PictureError::too_large,
                             "picture data too large: " + std::to_string(bytes.size()) + " bytes");
    }

    if (header.format == PictureFormat::jpeg && have_reduced_decoders()) {
        // libjpeg at full size: SDL2_image's loader shows CMYK files' ink as colours.
        std::string why;
        PictureError why_kind = PictureError::none;
        bool unsupported = false;
        std::optional<Picture> picture =
            decode_jpeg_scaled(EncodedInput{bytes, nullptr}, DecodeTarget{DecodeTarget::Kind::bound, kMaxPictureSide},
                               nullptr, DecodeOutcome{&why, &why_kind, &unsupported});
        if (!picture) return report.refuse(why_kind, why);
        return upright_picture(*picture, header.orientation);
    }
    ensure_image_library();
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!source) return report.refuse(PictureError::undecodable, "there is not enough memory to read the picture");
    SurfacePtr decoded(decode_with(header.format, source));
    SDL_RWclose(source);
    // The decoder's own words name its library and its internals, not what
    // a user can do anything about.
    if (!decoded) return report.refuse(PictureError::undecodable, damaged_picture_words(format));
    // Decoders may still disagree with the header (a GIF frame, a TIFF page).
    if (!fits_size_limit(decoded->w, decoded->h)) {
        return report.refuse(PictureError::too_large, picture_too_large_message(decoded->w, decoded->h));
    }

    // Copies at full size are what a large picture costs: at most two at a time.
    if (decoded->format->format != SDL_PIXELFORMAT_RGBA32 || SDL_HasColorKey(decoded.get())) {
        decoded.reset(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_RGBA32, 0));
        if (!decoded)
            return report.refuse(PictureError::undecodable, "there is not enough memory to convert the picture");
    }
    Picture picture = premultiplied_copy(decoded->w, decoded->h, static_cast<const uint8_t*>(decoded->pixels),
                                         static_cast<std::size_t>(decoded->pitch));
    decoded.reset();
    if (header.format == PictureFormat::jpeg) picture = upright_picture(picture, header.orientation);
    return picture;
}

std::optional<Picture> load_picture_file(const std::filesystem::path& path, std::string* error, PictureError* kind) {
    const Report report{error, kind};
    if (kind) *kind = PictureError::none;
    const std::string cannot_read = path.filename().string() + ": it could not be read to the end";
    std::string why;
    std::uintmax_t size = 0;
    const PictureFilePtr file = open_picture_file(path, &size, &why);
    if (!file) return report.refuse(PictureError::unreadable_file, why);
    if (size > kMaxPictureFileBytes) {
        return report.refuse(PictureError::too_large, "picture file too large: " + std::to_string(size) + " bytes");
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (std::ferror(file.get()) != 0) return report.refuse(PictureError::unreadable_file, cannot_read);
    bytes.resize(read);  // the file may have shrunk since its size was taken

    std::optional<Picture> picture = decode_picture(bytes, &why, kind);
    if (!picture && error) *error = path.filename().string() + ": " + why;
    return picture;
}

}  // namespace lumo
