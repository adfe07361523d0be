// The application's folder lives in the browser's IndexedDB (host_files.js
// mounts it): each persist_files() copies the folder there, and the page
// answers through lumo_host_persisted.

#include "platform/persistent_files.h"

#include <emscripten.h>

#include <map>
#include <utility>

namespace lumo {

namespace {
std::map<int, PersistDone> waiting;
int next_request = 1;
}  // namespace

void persist_files(PersistDone done) {
    const int request = next_request++;
    waiting.emplace(request, std::move(done));
    EM_ASM({ Module.lumoHost.persist($0); }, request);
}

bool host_offer_download(const std::string& name, std::span<const uint8_t> bytes) {
    return EM_ASM_INT({ return Module.lumoHost.download(UTF8ToString($0), $1, $2) ? 1 : 0; }, name.c_str(),
                      bytes.data(), static_cast<int>(bytes.size())) != 0;
}

}  // namespace lumo

extern "C" {

EMSCRIPTEN_KEEPALIVE void lumo_host_persisted(int request, int stored, const char* why) {
    const auto found = lumo::waiting.find(request);
    if (found == lumo::waiting.end()) return;
    lumo::PersistDone done = std::move(found->second);
    lumo::waiting.erase(found);
    if (done) done(stored != 0, why != nullptr ? why : "");
}

}  // extern "C"
