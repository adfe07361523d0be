#include "app/file_kind.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_io.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace lumo {

bool is_shape_file(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension.size() > 1 && std::string_view(extension).substr(1) == kShapeFileExtension) return true;
    // Never a pipe or a device: reading one could wait for ever.
    const std::optional<std::vector<uint8_t>> bytes = read_file_head(path, 512, nullptr);
    if (!bytes) return false;
    // An XML property list says so in its first lines (at most a byte-order
    // mark, the XML declaration and the document type come first).
    const std::string_view head(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return head.starts_with("bplist") || head.find("<plist") != std::string_view::npos;
}

}  // namespace lumo
