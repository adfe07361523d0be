#include "widgets/picture_browser.h"

#include <cctype>
#include <system_error>
#include <utility>

#include "files/user_folders.h"
#include "widgets/modal_popup.h"
#include "widgets/picture_folder.h"

namespace lumo {
namespace {

constexpr int kPreviewPixels = 256;  // side of the preview texture

}  // namespace

ImagePickerController::Browser::Browser() : id(modal::next_widget_id()) {}

ImagePickerController::Browser::~Browser() {
    release_preview();
    destroy_retired();
}

void ImagePickerController::Browser::ensure_folder() {
    if (!folder.empty()) return;
    std::filesystem::path start = start_folder.empty() ? user_pictures_folder() : start_folder;
    if (start.empty()) start = "/";
    set_folder(normalised_folder(start));
}

void ImagePickerController::Browser::ensure_scanned() {
    ensure_folder();
    if (!scanned) scan();
}

void ImagePickerController::Browser::set_folder(std::filesystem::path to) {
    folder = std::move(to);
    folder_text = folder.string();
    entries.clear();
    scanned = false;
    clear_selection();
    message.clear();
    scroll_to_top = true;
}

void ImagePickerController::Browser::change_folder(std::filesystem::path to) {
    set_folder(std::move(to));
    scan();
}

void ImagePickerController::Browser::scan() {
    scanned = true;
    entries.clear();
    rows_measured_for = -1.0f;
    std::vector<FolderEntry> found;
    if (!list_picture_folder(folder, &found, &message, shape_files)) return;
    entries.reserve(found.size());
    for (FolderEntry& entry : found) {
        if (entry.is_folder) entry.name += '/';
        entries.push_back({std::move(entry.name), entry.is_folder, entry.is_shape});
    }
}

void ImagePickerController::Browser::climb_to_existing_folder() {
    std::filesystem::path at = folder;
    std::error_code code;
    while (at.has_relative_path() && !std::filesystem::is_directory(at, code)) at = at.parent_path();
    if (at != folder) set_folder(std::move(at));
}

int ImagePickerController::Browser::index_of(std::string_view label) const {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].label == label) return static_cast<int>(i);
    }
    return -1;
}

bool ImagePickerController::Browser::has_picture_selected() const {
    return selected >= 0 && !entries[static_cast<std::size_t>(selected)].is_folder;
}

bool ImagePickerController::Browser::has_shape_selected() const {
    return selected >= 0 && entries[static_cast<std::size_t>(selected)].is_shape;
}

std::filesystem::path ImagePickerController::Browser::path_of(int index) const {
    const Entry& entry = entries[static_cast<std::size_t>(index)];
    std::string_view name = entry.label;
    if (entry.is_folder) name.remove_suffix(1);  // the '/'
    return folder / name;
}

void ImagePickerController::Browser::clear_selection() {
    selected = -1;
    release_preview();
}

void ImagePickerController::Browser::select(int index) {
    clear_selection();
    selected = index;
    message.clear();
    const Entry& entry = entries[static_cast<std::size_t>(index)];
    if (entry.is_folder || entry.is_shape) return;  // a shape file is opened as a whole, not previewed
    const std::filesystem::path path = path_of(index);
    if (auto cached = cache.find(path)) {
        take(std::move(cached));
        return;
    }
    if (!jobs) jobs = make_picture_jobs();
    PictureRequest request;
    request.path = path;
    request.preview_side = kPreviewPixels;
    jobs->submit(std::move(request));  // replaces the one selected before, if still on its way
    preparing = true;
}

bool ImagePickerController::Browser::receive() {
    if (!preparing) return false;
    std::optional<PreparedPicture> arrived = jobs->take();
    if (!arrived) return false;
    preparing = false;
    auto shared = std::make_shared<const PreparedPicture>(std::move(*arrived));
    cache.add(shared);
    take(std::move(shared));
    return true;
}

void ImagePickerController::Browser::wait_for_picture() {
    if (!preparing) return;
    jobs->wait();
    receive();
}

void ImagePickerController::Browser::take(std::shared_ptr<const PreparedPicture> arrived) {
    if (!arrived->ok()) {
        // The name shows just above: the reason alone, as a sentence.
        const std::string named = arrived->path.filename().string() + ": ";
        message = arrived->error.starts_with(named) ? arrived->error.substr(named.size()) : arrived->error;
        if (!message.empty()) message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        unreadable = true;
        pick_when_ready = false;
        return;
    }
    prepared = std::move(arrived);
    picture_width = prepared->width;
    picture_height = prepared->height;
    if (prepared->preview) preview = *prepared->preview;
}

void ImagePickerController::Browser::release_preview() {
    if (preparing) jobs->cancel();
    preparing = false;
    pick_when_ready = false;
    unreadable = false;
    prepared.reset();
    picture_width = 0;
    picture_height = 0;
    preview.reset();
    if (texture.id != nullptr) retired.push_back(texture);
    texture = {};
}

void ImagePickerController::Browser::destroy_retired() {
    for (const Texture& old : retired) {
        if (old.destroy != nullptr) old.destroy(old.id);
    }
    retired.clear();
}

void ImagePickerController::Browser::make_texture(ImTextureID (*create)(const Picture&), void (*destroy)(ImTextureID)) {
    if (!preview || create == nullptr) return;
    texture = {create(*preview), destroy};
    preview.reset();  // one attempt: a texture that cannot be made leaves the size as text
}

}  // namespace lumo
