#include "shape/shape_tasks.h"

#include <cstring>
#include <string_view>
#include <type_traits>

#include "files/file_io.h"
#include "shape/shape_file.h"

namespace lumo {
namespace {

class Packer {
public:
    template <typename T>
    void value(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        raw(&v, sizeof v);
    }
    void text(std::string_view s) {
        value(static_cast<uint64_t>(s.size()));
        raw(s.data(), s.size());
    }
    void raw(const void* data, std::size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    std::vector<uint8_t> bytes;
};

// Reads what a Packer wrote; once anything is missing, everything after reads as absent.
class Unpacker {
public:
    explicit Unpacker(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    template <typename T>
    T value() {
        T v{};
        if (const uint8_t* p = take(sizeof v)) std::memcpy(&v, p, sizeof v);
        return v;
    }
    std::string text() {
        const auto size = value<uint64_t>();
        const uint8_t* p = take(size);
        return p ? std::string(reinterpret_cast<const char*>(p), size) : std::string();
    }
    const uint8_t* take(uint64_t size) {
        if (!ok_ || size > bytes_.size() - at_) {
            ok_ = false;
            return nullptr;
        }
        const uint8_t* p = bytes_.data() + at_;
        at_ += size;
        return p;
    }
    bool ok() const { return ok_; }

private:
    std::span<const uint8_t> bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

void pack_picture(Packer& out, const Picture* picture) {
    const bool present = picture != nullptr && !picture->empty();
    out.value<int32_t>(present ? picture->width() : 0);
    out.value<int32_t>(present ? picture->height() : 0);
    if (present) out.raw(picture->pixels(), picture->byte_count());
}

std::optional<Picture> unpack_picture(Unpacker& in) {
    const auto width = in.value<int32_t>();
    const auto height = in.value<int32_t>();
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return std::nullopt;
    Picture picture(width, height);
    const uint8_t* pixels = in.take(picture.byte_count());
    if (pixels == nullptr) return std::nullopt;
    std::memcpy(picture.pixels(), pixels, picture.byte_count());
    return picture;
}

void pack_floats(Packer& out, std::span<const float> values) {
    out.value(static_cast<uint64_t>(values.size()));
    out.raw(values.data(), values.size_bytes());
}

std::vector<float> unpack_floats(Unpacker& in) {
    const auto count = in.value<uint64_t>();
    std::vector<float> values;
    if (count > kShapePositionCount) return values;
    if (const uint8_t* p = in.take(count * sizeof(float))) {
        values.resize(count);
        std::memcpy(values.data(), p, count * sizeof(float));
    }
    return values;
}

}  // namespace

std::vector<uint8_t> load_shape_task(const std::filesystem::path& file, std::span<const uint8_t>) {
    std::string problem;
    const std::optional<LoadedShape> shape = load_shape_file(file, &problem);
    Packer out;
    out.value<uint8_t>(shape ? 1 : 0);
    if (!shape) {
        out.text(problem);
        return std::move(out.bytes);
    }
    pack_floats(out, shape->positions);
    pack_picture(out, shape->picture.get());
    out.text(shape->picture_problem);
    return std::move(out.bytes);
}

std::optional<LoadedShape> loaded_shape_from(std::span<const uint8_t> output, std::string* problem) {
    Unpacker in(output);
    if (in.value<uint8_t>() != 1) {
        *problem = in.text();
        if (problem->empty()) *problem = "it could not be read";
        return std::nullopt;
    }
    LoadedShape shape;
    shape.positions = unpack_floats(in);
    if (std::optional<Picture> picture = unpack_picture(in))
        shape.picture = std::make_shared<const Picture>(std::move(*picture));
    shape.picture_problem = in.text();
    if (!in.ok() || !shape_positions_problem(shape.positions).empty()) {
        *problem = "it could not be read";
        return std::nullopt;
    }
    return shape;
}

std::vector<uint8_t> check_shape_task(const std::filesystem::path& file, std::span<const uint8_t>) {
    std::string problem;
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(file, kMaxShapeFileBytes, &problem);
    if (bytes) problem = shape_bytes_problem(*bytes);
    return std::vector<uint8_t>(problem.begin(), problem.end());
}

std::string shape_problem_from(std::span<const uint8_t> output) { return std::string(output.begin(), output.end()); }

std::vector<uint8_t> shape_to_encode(std::span<const float> positions, const Picture* picture) {
    Packer out;
    pack_floats(out, positions);
    pack_picture(out, picture);
    return std::move(out.bytes);
}

std::vector<uint8_t> encode_shape_task(const std::filesystem::path&, std::span<const uint8_t> input) {
    Unpacker in(input);
    const std::vector<float> positions = unpack_floats(in);
    const std::optional<Picture> picture = unpack_picture(in);
    if (!in.ok() || positions.size() != kShapePositionCount) return {};
    const std::vector<uint8_t> png = picture ? encode_png(*picture) : std::vector<uint8_t>();
    return serialize_shape_file(positions, png);
}

}  // namespace lumo
