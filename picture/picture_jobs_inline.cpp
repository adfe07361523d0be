// PictureJobs without threads (the browser build): each request is prepared
// inside submit(), so it is ready at once.

#include "picture/picture_jobs.h"

namespace lumo {
namespace {

class InlinePictureJobs final : public PictureJobs {
public:
    void submit(PictureRequest request) override { result_ = prepare_picture(request); }
    void cancel() override { result_.reset(); }
    std::optional<PreparedPicture> take() override { return std::exchange(result_, std::nullopt); }
    void wait() override {}
    bool busy() const override { return false; }

private:
    std::optional<PreparedPicture> result_;
};

}  // namespace

std::unique_ptr<PictureJobs> make_picture_jobs() { return std::make_unique<InlinePictureJobs>(); }

}  // namespace lumo
