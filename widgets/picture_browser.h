#pragma once
// What the picture picker shows and remembers: the folder, its entries, the
// selection with its preview, the last problem, and its place in ImGui's
// popup stack. Drawing and the delegate stay with ImagePickerController.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture_jobs.h"
#include "widgets/image_picker.h"
#include "widgets/preview_cache.h"

namespace lumo {

struct ImagePickerController::Browser {
    struct Entry {
        std::string label;  // the name, with '/' after a folder's
        bool is_folder = false;
        bool is_shape = false;
    };
    struct Texture {
        ImTextureID id = nullptr;
        void (*destroy)(ImTextureID) = nullptr;
    };

    std::filesystem::path start_folder;  // empty: the user's pictures folder
    std::filesystem::path folder;  // empty until first needed
    std::string folder_text;
    std::vector<Entry> entries;
    bool scanned = false;
    bool shape_files = false;  // shape files are listed too (the Open dialog)
    int selected = -1;
    std::string message;
    bool unreadable = false;  // the selected picture cannot be opened: message says why

    // The selected picture: its size, and its preview until it becomes a
    // texture. It is prepared on the picture worker (decoded once, reduced,
    // fitted): `prepared` holds it once it has arrived.
    int picture_width = 0;
    int picture_height = 0;
    std::optional<Picture> preview;
    Texture texture;
    std::unique_ptr<PictureJobs> jobs;  // made on the first picture selected
    bool preparing = false;  // the selection's picture is on its way
    bool pick_when_ready = false;  // "Use Picture" was pressed before it arrived
    std::shared_ptr<const PreparedPicture> prepared;
    PreviewCache cache;
    std::vector<Texture> retired;  // no longer shown, destroyed at the next draw()

    int id;
    bool opened = false;
    ImGuiID popup_id = 0;
    bool scroll_to_top = false;
    int scroll_to_row = -1;
    int keep_row_in_sight = -1;  // scrolled to just far enough (the keyboard moved there)
    float rows_measured_for = -1.0f;  // the list's width when row_height was chosen
    float row_height = 0.0f;  // one line's or two, whatever the longest name needs

    Browser();
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    void ensure_folder();  // the start folder, once
    void ensure_scanned();  // the folder's entries, once per folder
    void set_folder(std::filesystem::path to);  // moves without reading the folder yet
    void change_folder(std::filesystem::path to);  // moves and reads the folder
    void scan();
    // Back up to the nearest folder that still exists (it may have gone
    // while the picker was closed).
    void climb_to_existing_folder();

    int index_of(std::string_view label) const;  // -1 when not listed
    bool has_picture_selected() const;  // or a shape file, where those are listed
    bool has_shape_selected() const;
    bool can_go_up() const { return folder.has_relative_path(); }
    std::filesystem::path path_of(int index) const;

    void clear_selection();
    // A folder is only highlighted; a picture is prepared for its preview
    // (from the cache when it was prepared lately).
    void select(int index);
    // Takes the selection's picture once it has arrived; true when it did
    // in this call.
    bool receive();
    void wait_for_picture();  // until the selection's picture has arrived
    void take(std::shared_ptr<const PreparedPicture> arrived);
    void release_preview();
    void destroy_retired();
    // Turns the waiting preview into a texture, once.
    void make_texture(ImTextureID (*create)(const Picture&), void (*destroy)(ImTextureID));
};

}  // namespace lumo
