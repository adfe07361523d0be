#pragma once
// Making the application's files last, and handing one to the user. On the
// desktop a file is durable once written (written whole, flushed and renamed
// into place). The browser keeps the application's folder in memory and
// copies it into its own storage only when asked: persist_files() asks, and
// answers once the copy is stored, or why it could not be.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace lumo {

// stored: true once every change so far is kept, with a note on where
// (empty: the file's own path says it); false with why, in words.
using PersistDone = std::function<void(bool stored, const std::string& note)>;
// Calls done once: at once on the desktop, later (between frames) in the
// browser. Requests are answered in order.
void persist_files(PersistDone done);

// Offers bytes to the user as a file named `name` to keep (the browser's
// download). false where the host has no such thing.
bool host_offer_download(const std::string& name, std::span<const uint8_t> bytes);

}  // namespace lumo
