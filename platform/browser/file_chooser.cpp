// The page's file chooser and drops (host_files.js) hand their answers over
// through lumo_host_file_arrived; they wait here until polled.

#include "platform/file_chooser.h"

#include <emscripten.h>

#include <cstring>
#include <deque>
#include <utility>

namespace lumo {

namespace {

constexpr int kChosen = 0;
constexpr int kDropped = 1;
constexpr std::size_t kMaxWaitingDrops = 8;  // a pile dropped at once: the first ones

ArrivingFile chosen;
std::deque<ArrivingFile> dropped;

}  // namespace

bool host_has_file_chooser() { return true; }

bool host_has_camera() { return EM_ASM_INT({ return Module.lumoHost.hasCamera() ? 1 : 0; }) != 0; }

void host_open_file_chooser(ChooserRequest request, const ChooserLimits& limits) {
    chosen = {};
    EM_ASM({ Module.lumoHost.openChooser($0, {maxSide: $1, minSide: $2, maxBytes: $3}); },
           static_cast<int>(request), limits.max_side, limits.min_side, static_cast<double>(limits.max_bytes));
}

ChooserState host_chooser_state() {
    switch (EM_ASM_INT({ return Module.lumoHost.chooserState(); })) {
    case 1: return ChooserState::waiting;
    case 2: return ChooserState::needs_tap;
    case 3: return ChooserState::reading;
    default: return ChooserState::idle;
    }
}

void host_close_file_chooser() {
    chosen = {};
    EM_ASM({ Module.lumoHost.closeChooser(); });
}

ArrivingFile host_take_chosen_file() { return std::exchange(chosen, {}); }

void host_set_drop_limits(const ChooserLimits& limits) {
    EM_ASM({ Module.lumoHost.setDropLimits({maxSide: $0, minSide: $1, maxBytes: $2}); }, limits.max_side,
           limits.min_side, static_cast<double>(limits.max_bytes));
}

ArrivingFile host_take_dropped_file() {
    if (dropped.empty()) return {};
    ArrivingFile file = std::move(dropped.front());
    dropped.pop_front();
    return file;
}

}  // namespace lumo

extern "C" {

// From the page: queue 0 is the chooser's answer, 1 a dropped file. The
// bytes are copied; the page frees its buffers.
EMSCRIPTEN_KEEPALIVE void lumo_host_file_arrived(int queue, int kind, const char* name, int width, int height,
                                                 double size, const uint8_t* bytes, int byte_count) {
    using lumo::ArrivingFile;
    ArrivingFile file;
    switch (kind) {
    case 1: file.kind = ArrivingFile::Kind::cancelled; break;
    case 2: file.kind = ArrivingFile::Kind::picture; break;
    case 3: file.kind = ArrivingFile::Kind::file; break;
    case 4: file.kind = ArrivingFile::Kind::too_large; break;
    default: file.kind = ArrivingFile::Kind::undecodable; break;
    }
    if (name != nullptr) file.name = name;
    file.width = width;
    file.height = height;
    file.size = size > 0 ? static_cast<uint64_t>(size) : 0;
    if (bytes != nullptr && byte_count > 0) file.bytes.assign(bytes, bytes + byte_count);
    if (queue == lumo::kChosen) {
        lumo::chosen = std::move(file);
    } else if (queue == lumo::kDropped && lumo::dropped.size() < lumo::kMaxWaitingDrops) {
        lumo::dropped.push_back(std::move(file));
    }
}

}  // extern "C"
