// From choosing a picture to it lying on the dome, the old way (decoded whole
// on the main thread, then fitted) against prepare_picture (decoded reduced,
// fitted, on the worker), and the peak memory each adds, measured in a child
// process. The sample files are written once per run.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "picture/picture_prepare.h"
#include "platform/gl_window.h"
#include "render/eagl_view.h"
#include "support/picture_samples.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace {

using namespace lumo;

struct Samples {
    std::filesystem::path folder;
    std::filesystem::path jpeg24, jpeg12, png12, png64, jpeg_bomb, png_bomb, gif_bomb, shape_file;

    Samples() {
        folder = std::filesystem::temp_directory_path() / ("lumo_bench_pictures_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        jpeg24 = folder / "photo24.jpg";
        jpeg12 = folder / "photo12.jpg";
        png12 = folder / "photo12.png";
        png64 = folder / "photo8192.png";
        jpeg_bomb = folder / "bomb.jpg";
        png_bomb = folder / "bomb.png";
        gif_bomb = folder / "bomb.gif";
        shape_file = folder / "bomb.lumo";
        testing::write_photo_jpeg(jpeg24, 6000, 4000);
        testing::write_photo_jpeg(jpeg12, 4000, 3000);
        testing::write_png(png12, 4000, 3000, true);
        testing::write_png(png64, 8192, 8192, true);
        testing::write_file(jpeg_bomb, testing::jpeg_bomb());
        testing::write_png(png_bomb, 8192, 8192, false);
        testing::write_file(gif_bomb, testing::gif_bomb());
        std::FILE* in = std::fopen(png_bomb.c_str(), "rb");
        std::vector<uint8_t> png(static_cast<std::size_t>(std::filesystem::file_size(png_bomb)));
        if (in != nullptr) {
            png.resize(std::fread(png.data(), 1, png.size(), in));
            std::fclose(in);
        }
        std::string error;
        write_shape_file(shape_file, std::vector<float>(7500, 0.0f), png, &error);
    }
    ~Samples() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Samples& samples() {
    static Samples made;
    return made;
}

struct Dome {
    std::unique_ptr<GLWindow> window;
    RunLoop run_loop{RunLoop::ClockKind::virtual_time};
    std::unique_ptr<EAGLView> view;
    bool open() {
        std::string error;
        window = GLWindow::create(WindowOptions{.headless = true}, &error);
        if (!window) return false;
        view = EAGLView::initWithCoder(window.get(), &run_loop);
        return view != nullptr;
    }
};

// The old way: what choosing a picture did on the main thread before.
void old_to_dome(benchmark::State& state, const std::filesystem::path& path) {
    Dome dome;
    if (!dome.open()) return state.SkipWithError("no offscreen GL context");
    for (auto _ : state) {
        auto picture = load_picture_file(path);
        if (!picture) return state.SkipWithError("does not decode");
        dome.view->load_texture(std::make_shared<const Picture>(std::move(*picture)));
        glFinish();
    }
}

// Now: prepared (on the worker in the program; here inline, which is the
// same work), then the upload the main thread does.
void new_to_dome(benchmark::State& state, const std::filesystem::path& path) {
    Dome dome;
    if (!dome.open()) return state.SkipWithError("no offscreen GL context");
    for (auto _ : state) {
        PictureRequest request;
        request.path = path;
        PreparedPicture prepared = prepare_picture(request);
        if (!prepared.ok()) return state.SkipWithError(prepared.error.c_str());
        dome.view->setTexture(prepared.texture);
        dome.view->load_texture();
        glFinish();
    }
}

void BM_DomeOldJpeg6000x4000(benchmark::State& s) { old_to_dome(s, samples().jpeg24); }
void BM_DomeNewJpeg6000x4000(benchmark::State& s) { new_to_dome(s, samples().jpeg24); }
void BM_DomeOldJpeg4000x3000(benchmark::State& s) { old_to_dome(s, samples().jpeg12); }
void BM_DomeNewJpeg4000x3000(benchmark::State& s) { new_to_dome(s, samples().jpeg12); }
void BM_DomeOldPng4000x3000(benchmark::State& s) { old_to_dome(s, samples().png12); }
void BM_DomeNewPng4000x3000(benchmark::State& s) { new_to_dome(s, samples().png12); }
void BM_DomeOldPng8192x8192(benchmark::State& s) { old_to_dome(s, samples().png64); }
void BM_DomeNewPng8192x8192(benchmark::State& s) { new_to_dome(s, samples().png64); }
BENCHMARK(BM_DomeOldJpeg6000x4000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DomeNewJpeg6000x4000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_DomeOldJpeg4000x3000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DomeNewJpeg4000x3000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_DomeOldPng4000x3000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DomeNewPng4000x3000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DomeOldPng8192x8192)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DomeNewPng8192x8192)->Unit(benchmark::kMillisecond)->Iterations(2);

// --- Peak memory, each in a child process --------------------------------------

struct MemoryCase {
    const std::filesystem::path* path;
    bool old_way;
    bool shape_file;
};

bool open_in_child(void* context) {
    const auto& c = *static_cast<const MemoryCase*>(context);
    if (c.shape_file) {
        std::string error;
        const auto contents = read_shape_file(*c.path, &error);
        if (!contents || !contents->image) return false;
        if (c.old_way) return decode_picture(*contents->image).has_value() || true;
        return decode_picture_reduced(*contents->image, DecodeTarget{DecodeTarget::Kind::bound, 2048}).has_value() ||
               true;
    }
    if (c.old_way) {
        auto picture = load_picture_file(*c.path);
        if (picture) picture = fit_picture(*picture);
        return true;  // a refusal costs what it costs too
    }
    PictureRequest request;
    request.path = *c.path;
    request.preview_side = 256;
    (void)prepare_picture(request);
    return true;
}

}  // namespace

// Called by main after the timings.
void print_picture_memory() {
    Samples& s = samples();
    struct Row {
        const char* label;
        const std::filesystem::path* path;
        bool shape_file;
    };
    const Row rows[] = {
        {"JPEG 6000 x 4000", &s.jpeg24, false},         {"JPEG 4000 x 3000", &s.jpeg12, false},
        {"PNG 4000 x 3000", &s.png12, false},           {"PNG 8192 x 8192 (photo)", &s.png64, false},
        {"JPEG bomb 8192 x 8192", &s.jpeg_bomb, false}, {"PNG bomb 8192 x 8192", &s.png_bomb, false},
        {"GIF bomb 8192 x 8192", &s.gif_bomb, false},   {"shape file with a 8192 x 8192 PNG", &s.shape_file, true},
    };
    std::printf("\nPeak memory added by a picture (budget 64 MB), old way vs now:\n");
    for (const Row& row : rows) {
        MemoryCase old_case{row.path, true, row.shape_file};
        MemoryCase new_case{row.path, false, row.shape_file};
        const long long before = testing::peak_memory_added(&open_in_child, &old_case);
        const long long after = testing::peak_memory_added(&open_in_child, &new_case);
        const double mb = 1024.0 * 1024.0;
        std::printf("%-44s %8.1f MB vs %8.1f MB: %.1fx%s\n", row.label, before / mb, after / mb,
                    after > 0 ? static_cast<double>(before) / static_cast<double>(after) : 0.0,
                    after >= 64LL << 20 ? "  OVER BUDGET" : "");
    }
}
