#include "picture/picture_prepare.h"

#include <cstdio>
#include <functional>

#include "picture/picture_decoders.h"
#include "picture/picture_file.h"
#include "picture/picture_orientation.h"

namespace lumo {
namespace {

// Enough for any header we read, Exif included (an APP1 segment is at most 64 KiB).
constexpr std::size_t kHeadBytes = 256 * 1024;
// A picture within kFullDecodePixels is never larger than this as a file (an
// ASCII PNM of 2048 x 2048 RGB is at most about 50 MB).
constexpr std::uintmax_t kMaxFullDecodeFileBytes = 64u << 20;

std::atomic<void (*)()> g_prepare_hook{nullptr};

std::string size_text(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Reads the rest of the file for the full-size decoders.
using WholeBytes = std::function<bool(std::vector<uint8_t>*, std::string*)>;

std::optional<Picture> decode_routed(const PictureHeader& header, EncodedInput input, const WholeBytes& whole,
                                     const DecodeTarget& target, const std::atomic<bool>* cancel, std::string* error,
                                     PictureError* kind, PictureSize* original) {
    const DecodeOutcome outcome{error, kind, nullptr};
    const std::string format = picture_format_name(header.format);
    if (header.format == PictureFormat::unknown) {
        return outcome.fail(PictureError::undecodable, kNotAPicture);
    }
    if (header.width == 0 || header.height == 0) {
        return outcome.fail(PictureError::undecodable, damaged_picture_words(format));
    }
    if (header.width > static_cast<uint32_t>(kMaxPictureSide) ||
        header.height > static_cast<uint32_t>(kMaxPictureSide)) {
        return outcome.fail(PictureError::too_large, "picture too large: " + size_text(header.width, header.height) +
                                                         " (at most " + std::to_string(kMaxPictureSide) + " x " +
                                                         std::to_string(kMaxPictureSide) + ")");
    }
    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    const uint64_t pixels = uint64_t{header.width} * header.height;
    if (original != nullptr) {
        const bool turned = header.format == PictureFormat::jpeg && header.orientation >= 5;
        *original = turned ? PictureSize{height, width} : PictureSize{width, height};
    }
    bool unsupported = false;
    const DecodeOutcome reduced{error, kind, &unsupported};
    std::optional<Picture> picture;
    bool tried = false;
    // Every JPEG takes libjpeg's own path where there is one: at 1/1 it gives
    // SDL2_image's pixels, and it reads CMYK files' colours right.
    if (have_reduced_decoders() && header.format == PictureFormat::jpeg) {
        picture = decode_jpeg_scaled(input, target, cancel, reduced);
        tried = true;
    } else if (have_reduced_decoders() && header.format == PictureFormat::png && pixels > kFullDecodePixels) {
        picture = decode_png_rows(input, target, cancel, reduced);
        tried = true;
    }
    if (tried && !unsupported) {
        if (picture && header.format == PictureFormat::jpeg) *picture = upright_picture(*picture, header.orientation);
        return picture;
    }
    if (pixels > kFullDecodePixels) {
        if (unsupported) return std::nullopt;  // the decoder said why
        return outcome.fail(PictureError::too_large,
                            "picture too large to open: " + size_text(header.width, header.height) + " " + format +
                                "; only PNG and JPEG pictures may have more than 2048 x 2048 pixels");
    }
    std::vector<uint8_t> bytes;
    std::string why;
    if (!whole(&bytes, &why)) return outcome.fail(PictureError::unreadable_file, why);
    const std::span<const uint8_t> all = bytes.empty() ? input.bytes : std::span<const uint8_t>(bytes);
    return decode_picture(all, error, kind);
}

}  // namespace

std::optional<Picture> decode_picture_reduced(std::span<const uint8_t> bytes, const DecodeTarget& target,
                                              std::string* error, PictureError* kind, const std::atomic<bool>* cancel,
                                              PictureSize* original) {
    std::string ignored_error;
    PictureError ignored_kind = PictureError::none;
    if (error == nullptr) error = &ignored_error;
    if (kind == nullptr) kind = &ignored_kind;
    *kind = PictureError::none;
    const WholeBytes already = [](std::vector<uint8_t>*, std::string*) { return true; };
    return decode_routed(read_picture_header(bytes), EncodedInput{bytes, nullptr}, already, target, cancel, error, kind,
                         original);
}

std::optional<Picture> load_picture_file_reduced(const std::filesystem::path& path, const DecodeTarget& target,
                                                 std::string* error, PictureError* kind,
                                                 const std::atomic<bool>* cancel, PictureSize* original) {
    std::string ignored_error;
    PictureError ignored_kind = PictureError::none;
    if (error == nullptr) error = &ignored_error;
    if (kind == nullptr) kind = &ignored_kind;
    *kind = PictureError::none;
    const std::string cannot_read = path.filename().string() + ": it could not be read to the end";
    auto fail = [&](PictureError why, std::string message) -> std::optional<Picture> {
        *error = std::move(message);
        *kind = why;
        return std::nullopt;
    };
    std::string why;
    std::uintmax_t size = 0;
    const PictureFilePtr file = open_picture_file(path, &size, &why);
    if (!file) return fail(PictureError::unreadable_file, why);

    std::vector<uint8_t> head(static_cast<std::size_t>(std::min<std::uintmax_t>(size, kHeadBytes)));
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    if (std::ferror(file.get()) != 0) return fail(PictureError::unreadable_file, cannot_read);
    const PictureHeader header = read_picture_header(head);
    std::rewind(file.get());

    const WholeBytes whole = [&](std::vector<uint8_t>* bytes, std::string* why) {
        if (size > kMaxFullDecodeFileBytes) {
            *why = "picture file too large: " + std::to_string(size) + " bytes";
            return false;
        }
        bytes->resize(static_cast<std::size_t>(size));
        std::rewind(file.get());
        bytes->resize(std::fread(bytes->data(), 1, bytes->size(), file.get()));
        if (std::ferror(file.get()) != 0 || bytes->empty()) {
            *why = cannot_read;
            return false;
        }
        return true;
    };
    std::optional<Picture> picture =
        decode_routed(header, EncodedInput{head, file.get()}, whole, target, cancel, error, kind, original);
    if (!picture && *kind != PictureError::unreadable_file) *error = path.filename().string() + ": " + *error;
    return picture;
}

PreparedPicture prepare_picture(const PictureRequest& request, const std::atomic<bool>* cancel) {
    if (void (*hook)() = g_prepare_hook.load()) hook();
    PreparedPicture prepared;
    prepared.path = request.path;
    const DecodeTarget target{DecodeTarget::Kind::fit, kTextureSide};
    PictureSize original;
    std::optional<Picture> picture =
        request.path.empty()
            ? decode_picture_reduced(request.bytes, target, &prepared.error, &prepared.kind, cancel, &original)
            : load_picture_file_reduced(request.path, target, &prepared.error, &prepared.kind, cancel, &original);
    if (cancel != nullptr && cancel->load()) {
        prepared.cancelled = true;
        return prepared;
    }
    if (!picture) return prepared;
    Picture fitted = fit_picture(*picture, kTextureSide);
    if (fitted.empty()) {
        prepared.error = request.path.filename().string() + ": there is not enough memory to fit the picture";
        prepared.kind = PictureError::too_large;
        return prepared;
    }
    prepared.width = original.width;
    prepared.height = original.height;
    picture.reset();
    if (request.preview_side > 0) {
        prepared.preview = std::make_shared<const Picture>(fit_picture(fitted, request.preview_side));
    }
    prepared.texture = std::make_shared<const Picture>(std::move(fitted));
    return prepared;
}

void set_prepare_hook(void (*hook)()) { g_prepare_hook.store(hook); }

}  // namespace lumo
