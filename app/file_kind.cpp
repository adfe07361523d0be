#include "app/file_kind.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <string_view>

#include "shape/shape_file.h"
#include "shape/shape_names.h"

namespace lumo {

bool is_shape_file(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension.size() > 1 && std::string_view(extension).substr(1) == kShapeFileExtension) return true;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    // An XML property list says so in its first lines (at most a byte-order
    // mark, the XML declaration and the document type come first).
    std::string head(512, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    return head.starts_with("bplist") || head.find("<plist") != std::string::npos;
}

}  // namespace lumo
