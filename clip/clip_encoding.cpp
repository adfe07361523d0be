#include "clip/clip_encoding.h"

#include <cerrno>
#include <system_error>

#include "clip/gif_encoder.h"
#include "clip/mp4_encoder.h"
#include "files/file_error_words.h"
#include "files/pending_file.h"
#include "files/user_folders.h"

namespace lumo {
namespace {

constexpr std::size_t kGifBufferBytes = 256 * 1024;  // repeated frames come in pieces of a few bytes
constexpr int kMaxNameTries = 1000;

int samples_in_a_clip(int rate) { return static_cast<int>(kMaxClipSeconds * rate); }

std::string numbered(const std::string& stem, int n) { return n == 1 ? stem : stem + "-" + std::to_string(n); }

bool name_is_free(const std::filesystem::path& path) {
    std::error_code code;
    return std::filesystem::symlink_status(path, code).type() == std::filesystem::file_type::not_found;
}

}  // namespace

// The GIF's temporary file, written through a buffer; keeps the first error.
struct ClipEncoding::GifOutput {
    std::unique_ptr<PendingFile> file;
    std::vector<uint8_t> buffer;
    int error_number = 0;

    bool write(std::span<const uint8_t> bytes) {
        if (error_number != 0) return false;
        if (buffer.size() + bytes.size() > kGifBufferBytes && !flush()) return false;
        if (bytes.size() >= kGifBufferBytes) return file->write(bytes, &error_number);
        buffer.insert(buffer.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool flush() {
        if (error_number != 0) return false;
        const bool ok = file->write(buffer, &error_number);
        buffer.clear();
        return ok;
    }
};

ClipEncoding::ClipEncoding(const ClipRequest& request)
    : request_(request),
      video_sampler_(Mp4Encoder::kFramesPerSecond, samples_in_a_clip(Mp4Encoder::kFramesPerSecond)),
      gif_sampler_(GifEncoder::kFramesPerSecond, samples_in_a_clip(GifEncoder::kFramesPerSecond)) {}

ClipEncoding::~ClipEncoding() {
    gif_.reset();  // it writes into gif_output_
}

bool ClipEncoding::fail(const std::string& reason) {
    if (error_.empty()) error_ = reason;
    return false;
}

bool ClipEncoding::open() {
    // Both files beside each other under the stem, or the one file named.
    const bool named = !request_.file.empty();
    bool video = true, gif = true;
    if (named) {
        const std::optional<ClipKind> kind = clip_kind_of(request_.file);
        if (!kind) return fail("a clip is an .mp4 or a .gif file");
        video = *kind == ClipKind::video;
        gif = !video;
    }
    if (!named && request_.folder.empty()) {
        request_.folder = user_videos_folder();
        if (request_.folder.empty()) return fail("there is no folder for videos (no home folder)");
    }
    const std::filesystem::path base = request_.folder / request_.stem;
    if (!named && (request_.stem.empty() || request_.stem.find('/') != std::string::npos))
        return fail("the file name is not usable");
    int error_number = 0;
    if (video) {
        mp4_file_ =
            PendingFile::create(named ? request_.file : std::filesystem::path(base.string() + ".mp4"), &error_number);
        if (!mp4_file_) return fail(file_error_words(error_number));
        mp4_ = std::make_unique<Mp4Encoder>();
        std::string reason;
        if (!mp4_->open(mp4_file_->temporary(), request_.width, request_.height, &reason)) return fail(reason);
    }
    if (gif) {
        gif_output_ = std::make_unique<GifOutput>();
        gif_output_->file =
            PendingFile::create(named ? request_.file : std::filesystem::path(base.string() + ".gif"), &error_number);
        if (!gif_output_->file) return fail(file_error_words(error_number));
        gif_output_->buffer.reserve(kGifBufferBytes);
        GifOutput* output = gif_output_.get();
        gif_ = std::make_unique<GifEncoder>(request_.width, request_.height,
                                            [output](std::span<const uint8_t> bytes) { return output->write(bytes); });
        if (!gif_->ok()) return fail("the GIF could not be started");
    }
    return true;
}

bool ClipEncoding::encode(const QueuedFrame& frame, int video_count, int gif_count) {
    std::string reason;
    if (mp4_ && !mp4_->add(frame.rgba, video_count, &reason)) return fail(reason);
    if (gif_ && !gif_->add(frame.rgba, gif_count, &reason)) {
        // A failed write is the sink's to explain.
        return fail(gif_output_->error_number ? file_error_words(gif_output_->error_number) : reason);
    }
    return true;
}

bool ClipEncoding::present(const QueuedFrame* previous, double time) {
    if (failed()) return false;
    const int video_count = video_sampler_.present(time);
    const int gif_count = gif_sampler_.present(time);
    return !previous || encode(*previous, video_count, gif_count);
}

bool ClipEncoding::full() const { return video_sampler_.full() && gif_sampler_.full(); }

ClipResult ClipEncoding::finish(const QueuedFrame* last, double end_time) {
    ClipResult result;
    if (!failed() && last) encode(*last, video_sampler_.finish(end_time), gif_sampler_.finish(end_time));
    result.video_frames = mp4_ ? video_sampler_.samples() : 0;
    result.gif_frames = gif_ ? gif_sampler_.samples() : 0;
    if (!failed() && mp4_) {
        std::string reason;
        if (!mp4_->finish(&reason)) fail(reason);
    }
    if (!failed() && gif_) {
        std::string reason;
        const bool ok = gif_->finish(&reason) && gif_output_->flush();
        if (!ok) fail(gif_output_->error_number ? file_error_words(gif_output_->error_number) : reason);
    }
    if (!failed()) place_files(&result);
    result.error = error_;
    if (failed()) result.files.clear();
    return result;
}

// Both files under the first name free for both: STEM, STEM-2, STEM-3...;
// a name taken meanwhile by someone else is skipped, never replaced. A file
// the user named goes there, over what was there.
bool ClipEncoding::place_files(ClipResult* result) {
    if (!request_.file.empty()) {
        PendingFile* file = mp4_file_ ? mp4_file_.get() : gif_output_->file.get();
        int error_number = 0;
        if (!file->commit_replacing(request_.file, &error_number)) return fail(file_error_words(error_number));
        result->files.push_back(request_.file);
        return true;
    }
    PendingFile* const files[] = {mp4_file_.get(), gif_output_->file.get()};
    const char* const extensions[] = {".mp4", ".gif"};
    int n = 1;
    while (n <= kMaxNameTries && !(name_is_free(request_.folder / (numbered(request_.stem, n) + ".mp4")) &&
                                   name_is_free(request_.folder / (numbered(request_.stem, n) + ".gif"))))
        ++n;
    for (int i = 0; i < 2; ++i) {
        for (;; ++n) {
            if (n > kMaxNameTries) return fail(file_error_words(EEXIST));
            const std::filesystem::path target = request_.folder / (numbered(request_.stem, n) + extensions[i]);
            int error_number = 0;
            if (files[i]->commit(target, &error_number)) {
                result->files.push_back(target);
                break;
            }
            if (error_number != EEXIST) {
                // Neither or both: the file already in place goes too.
                std::error_code ignored;
                for (const auto& placed : result->files) std::filesystem::remove(placed, ignored);
                result->files.clear();
                return fail(file_error_words(error_number));
            }
        }
    }
    return true;
}

}  // namespace lumo
