// Complete shape files, as lumo opens them: read and checked
// (load_shape_bytes: positions and picture), then taken by the surface
// (LUMOTransform::set_rest_shape_exactly, or the sampling of a shape off the
// grid). A plain byte fuzzer never builds a file of 7500 numbers, so this
// one mutates inside the structure: the text of single numbers (NaN, 1e38,
// halfway between two floats...) and the picture's bytes, keeping the rest
// of a valid file. Checked besides not crashing:
// - an accepted shape is 7500 finite numbers, its picture within its bound;
// - what the surface takes is a finite rest shape; a rest shape stored
//   exactly is taken to the bit;
// - an accepted shape written again reads back to the bit.

#include <bit>
#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture.h"
#include "shape/loaded_shape.h"
#include "shape/shape_file.h"
#include "sim/lumo_transform.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// One surface for every run: it holds a 25 MB table, and taking a shape
// builds nothing until asked.
lumo::LUMOTransform& surface() {
    static const std::unique_ptr<lumo::LUMOTransform> transform = [] {
        auto made = std::make_unique<lumo::LUMOTransform>();
        made->set_init_position_and_mass_at_startup(true);
        return made;
    }();
    return *transform;
}

std::vector<uint8_t> small_png() {
    lumo::Picture picture(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            uint8_t* p = picture.pixel(x, y);
            p[0] = static_cast<uint8_t>(40 * x), p[1] = static_cast<uint8_t>(60 * y), p[2] = 200, p[3] = 255;
        }
    return lumo::encode_png(picture);
}

// Complete files to start from: the default dome as lumo saves it (taken
// exactly), and the same moved off the grid (taken through the sampling).
std::vector<uint8_t> base_file(bool off_grid) {
    lumo::LUMOTransform& transform = surface();
    transform.set_init_position_and_mass_at_startup(true);
    std::vector<float> positions = transform.getInitSurfacePosition();
    if (off_grid)
        for (std::size_t i = 0; i < positions.size(); i += 3) positions[i] += 0.001f * static_cast<float>(i % 7);
    return lumo::serialize_shape_file(positions, small_png());
}

// Numbers whose text or value sits on an edge somewhere.
constexpr std::string_view kEdgeNumbers[] = {
    "nan",
    "-nan",
    "inf",
    "-inf",
    "1e38",
    "-1e38",
    "3.4028234663852886e38",
    "3.4028235677973366e38",
    "3.402823567797337e38",
    "1e39",
    "1e400",
    "-0.0",
    "0",
    "1.401298464324817e-45",
    "7e-46",
    "4.9e-324",
    "0.10000000149011612",
    "0.100000001490116105",
    "2.2250738585072014e-308",
    "1.7976931348623157e308",
    "0x1p3",
    "1e",
    "",
    "  0.5  ",
    "+1",
    "0.3.4",
    "9999999999999999999999999999",
    "-0.15",
    "0.65000004",
};

// The n-th "<real>...</real>" of the text: where its number starts and how long it is.
bool find_real(const std::string& text, std::size_t n, std::size_t* begin, std::size_t* length) {
    std::size_t at = 0;
    for (std::size_t k = 0;; ++k) {
        at = text.find("<real>", at);
        if (at == std::string::npos) return false;
        at += 6;
        if (k == n) break;
    }
    const std::size_t end = text.find("</real>", at);
    if (end == std::string::npos) return false;
    *begin = at;
    *length = end - at;
    return true;
}

// A float halfway between two neighbours, written with enough digits to say
// so: parsing must round it to even, as the writer's reader expects.
std::string halfway_text(std::mt19937& random) {
    const float low = std::bit_cast<float>(static_cast<uint32_t>(random() & 0x7F7FFFFF));
    const float high = std::nextafter(low, INFINITY);
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", (static_cast<double>(low) + static_cast<double>(high)) / 2);
    return text;
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        uint32_t chunk = 0;
        for (std::size_t k = 0; k < 3; ++k) chunk = (chunk << 8) | (k < n ? bytes[i + k] : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kBase64[(chunk >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// The picture's bytes mutated by libFuzzer's own byte mutations, or another
// small picture; written back as the file's <data>.
bool mutate_picture(std::string* text) {
    const std::size_t open = text->find("<data>");
    const std::size_t close = open == std::string::npos ? open : text->find("</data>", open);
    if (close == std::string::npos) return false;
    std::vector<uint8_t> bytes = small_png();
    const std::size_t size = bytes.size();
    bytes.resize(size + 64);
    bytes.resize(LLVMFuzzerMutate(bytes.data(), size, bytes.size()));
    text->replace(open + 6, close - open - 6, base64(bytes));
    return true;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
    std::mt19937 random(seed);
    std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t begin = 0, length = 0;
    if (!find_real(text, lumo::kShapePositionCount - 1, &begin, &length) || random() % 64 == 0) {
        const std::vector<uint8_t> base = base_file(random() % 4 == 0);
        text.assign(base.begin(), base.end());
    }
    switch (random() % 8) {
        case 0: mutate_picture(&text); break;
        case 1: {  // one number's own text, mutated byte by byte
            if (!find_real(text, random() % lumo::kShapePositionCount, &begin, &length)) break;
            std::string number = text.substr(begin, length);
            number.resize(length + 16);
            number.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(number.data()), length, number.size()));
            text.replace(begin, length, number);
            break;
        }
        case 2:
            if (find_real(text, random() % lumo::kShapePositionCount, &begin, &length))
                text.replace(begin, length, halfway_text(random));
            break;
        default:  // a few numbers set to edge values
            for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k) {
                if (!find_real(text, random() % lumo::kShapePositionCount, &begin, &length)) break;
                text.replace(begin, length, kEdgeNumbers[random() % std::size(kEdgeNumbers)]);
            }
            break;
    }
    if (text.size() > max_size) return size;  // the file no longer fits: keep the input as it was
    std::memcpy(data, text.data(), text.size());
    return text.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    std::string problem;
    const std::optional<lumo::LoadedShape> shape = lumo::load_shape_bytes(bytes, &problem);
    check(shape.has_value() == problem.empty());
    if (!shape) return 0;
    const std::vector<float>& positions = shape->positions;
    check(positions.size() == lumo::kShapePositionCount);
    for (const float value : positions) check(std::isfinite(value));
    if (shape->picture) {
        check(!shape->picture->empty());
        check(shape->picture->width() <= lumo::kShapePictureSide &&
              shape->picture->height() <= lumo::kShapePictureSide);
    } else {
        check(!shape->picture_problem.empty());
    }

    // Taken by the surface as the view takes it.
    lumo::LUMOTransform& transform = surface();
    const bool exact = transform.set_rest_shape_exactly(positions);
    if (!exact) {
        check(transform.setInitSurfacePositionBy(positions));
        transform.set_init_position_and_mass_at_startup(false);
    }
    const std::vector<float> rest = transform.getInitSurfacePosition();
    for (const float value : rest) check(std::isfinite(value));
    if (exact) check(std::memcmp(rest.data(), positions.data(), rest.size() * sizeof(float)) == 0);
    // A sampled shape is a rest shape now: saved and opened again, it is taken exactly.
    check(transform.set_rest_shape_exactly(rest));

    // Saved again, it reads back to the bit.
    const std::vector<uint8_t> png = shape->picture ? lumo::encode_png(*shape->picture) : std::vector<uint8_t>();
    std::string error;
    const auto again = lumo::parse_shape_file(lumo::serialize_shape_file(rest, png), &error);
    check(again && again->positions && again->positions->size() == rest.size());
    check(std::memcmp(again->positions->data(), rest.data(), rest.size() * sizeof(float)) == 0);
    return 0;
}
