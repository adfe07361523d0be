#include "picture/image_named.h"

#include <string>

#include "platform/log.h"
#include "platform/host.h"

namespace lumo {

std::shared_ptr<const Picture> imageNamed(std::string_view name) {
    const std::filesystem::path path = host_find_resource(name);
    if (path.empty()) {
        log_line("lumo: picture %.*s not found next to the program or in its share folder",
                 static_cast<int>(name.size()), name.data());
        return nullptr;
    }
    std::string error;
    auto picture = load_picture_file(path, &error);
    if (!picture) {
        log_line("lumo: %s: %s", path.c_str(), error.c_str());
        return nullptr;
    }
    return std::make_shared<const Picture>(std::move(*picture));
}

}  // namespace lumo
