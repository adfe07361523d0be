#pragma once
// The picture picker: a browser over the user's folders with a preview.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render();
// answers reach a delegate on the same thread, from inside draw(). While one
// is shown nothing under it can be clicked; two shown at once take turns.

#include <imgui.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "widgets/key_focus.h"

namespace lumo {

// The picture picker. The photo library (source type 0) is a browser over
// the user's folders that starts in the pictures folder, lists folders and
// picture files, goes up and down, previews the selected picture and has a
// cancel control. As the Open dialog (setOpensFiles) it lists shape files
// too, and hands over the path of the file chosen. Where the host has a
// chooser of its own (the browser, on a phone the photo library and the
// camera) that chooser is used instead, and the camera is available where
// the host reports one. The keyboard: the arrows, Page Up/Down, Home and End
// move the selection, Return opens a folder or takes a picture, Backspace
// goes up, Tab moves a ring round Cancel, Up, Use Picture and the list
// (Return presses the one it is on), and Escape cancels. Without a host
// chooser the camera (source type 1) is not available. Lists are read when
// the picker is presented and when it changes folder, never per frame. The
// picker does not close itself: the delegate dismisses it after a pick or a
// cancel.
class ImagePickerController;
class HostPictureChooser;
class ImagePickerDelegate {
public:
    virtual ~ImagePickerDelegate() = default;
    virtual void imagePickerController_didFinishPickingImage(ImagePickerController* picker,
                                                             std::shared_ptr<const Picture> image) = 0;
    virtual void imagePickerControllerDidCancel(ImagePickerController* picker) = 0;
    // As the Open dialog: the picture or shape file chosen, by its path.
    virtual void imagePickerController_didPickFile(ImagePickerController* /*picker*/,
                                                   const std::filesystem::path& /*path*/) {}
};

class ImagePickerController {
public:
    enum SourceType { PhotoLibrary = 0, Camera = 1 };
    static bool isSourceTypeAvailable(int source_type);

    // The preview of the selected picture is a texture that the application
    // makes (GL stays out of the widgets): create receives the picture fitted
    // into a square and is called during draw(); destroy is called at a later
    // draw(), once no frame uses the texture any more, or when the picker is
    // destroyed. Without hooks the preview shows the picture's size as text.
    static void setPreviewTextureHooks(ImTextureID (*create)(const Picture&), void (*destroy)(ImTextureID));

    ImagePickerController();
    ~ImagePickerController();
    void setDelegate(ImagePickerDelegate* delegate) { delegate_ = delegate; }
    void setSourceType(int source_type) { source_type_ = source_type; }
    // As the Open dialog: shape files listed among the pictures, and the
    // choice handed over by its path. Takes effect when next presented.
    void setOpensFiles(bool opens_files) { opens_files_ = opens_files; }
    bool opensFiles() const { return opens_files_; }
    int sourceType() const { return source_type_; }
    // Where the browser starts: `xdg-user-dir PICTURES`, else $HOME, unless
    // set here. Setting it also moves the browser there now.
    void setStartFolder(const std::filesystem::path& folder);
    // The part of the picture (texture coordinates, 0 to 1 from the top-left)
    // that will show on the dome; the preview marks it. The whole by default.
    void setVisiblePart(float left, float top, float right, float bottom);
    void present();
    void dismiss();
    bool isVisible() const { return visible_; }
    void draw();

    // The browser's state, also for tests.
    const std::filesystem::path& folder() const;
    std::vector<std::string> entries() const;  // folders (ending in '/') first, then pictures, by name
    std::string selection() const;  // the highlighted entry; empty for none
    std::filesystem::path selectedPath() const;  // its path; empty for none
    // Opens a folder, or selects and previews a picture (waiting until it
    // is prepared, unlike a click, which carries on); false when entry is
    // not one of entries(). A folder that cannot be read is entered with an
    // empty list and a message.
    bool enter(const std::string& entry);
    bool goUp();  // false at the root
    // Takes the selected picture: hands it to the delegate as it was
    // prepared for the preview, fitted into the texture square. One still
    // being prepared is handed over from draw() when it arrives. false, with
    // a message and the delegate not told, when nothing is selected or the
    // picture does not decode.
    bool pick();
    void cancel();  // tells the delegate
    // Until the selected picture has been prepared; the next draw() takes it
    // (and hands it over if "Use Picture" was pressed). Tests and headless runs.
    void waitForPicture();
    const std::string& message() const;  // the last problem, e.g. a picture that does not decode

private:
    struct Browser;
    // How tall the lines under the preview are, set `width` wide.
    float preview_lines_height(const Browser& browser, float width) const;
    std::unique_ptr<Browser> browser_;
    std::unique_ptr<HostPictureChooser> host_chooser_;  // while the host's chooser stands in for the browser
    KeyFocus focus_;
    ImagePickerDelegate* delegate_ = nullptr;
    int source_type_ = PhotoLibrary;
    bool opens_files_ = false;
    bool visible_ = false;
    ImVec2 visible_min_{0.0f, 0.0f}, visible_max_{1.0f, 1.0f};
};

}  // namespace lumo
