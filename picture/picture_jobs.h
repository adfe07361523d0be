#pragma once
// Preparing pictures away from the frame's thread. One PictureJobs holds one
// request at a time: a new request replaces the one waiting or being prepared
// (that one is cancelled between rows and its result dropped), so only the
// newest choice ever arrives. The owner's thread submits and takes; nothing
// it reads is written by the preparing thread except under the jobs' lock.

#include <memory>
#include <optional>

#include "picture/picture_prepare.h"

namespace lumo {

class PictureJobs {
public:
    virtual ~PictureJobs() = default;
    // Replaces whatever was asked for before.
    virtual void submit(PictureRequest request) = 0;
    // Drops the request waiting or being prepared, and any result not taken.
    virtual void cancel() = 0;
    // The result of the newest request, once, when it is ready.
    virtual std::optional<PreparedPicture> take() = 0;
    // Until the newest request is prepared (or there is none): for headless
    // runs and tests, which must see the same frames every time.
    virtual void wait() = 0;
    virtual bool busy() const = 0;  // a request waiting or being prepared
};

// A worker thread where the build has threads; elsewhere (the browser) the
// request is prepared inside submit().
std::unique_ptr<PictureJobs> make_picture_jobs();

}  // namespace lumo
