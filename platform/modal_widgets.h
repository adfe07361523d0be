#pragma once
// Modal screens over the surface, drawn with Dear ImGui: action sheets (a
// title and a column of buttons), alerts (title, message, one button), a
// table list with a cancel control, and a picture picker that browses the
// user's folders. Each is drawn by draw(), called once per interface frame
// between ImGui::NewFrame() and ImGui::Render(); answers reach a delegate on
// the same thread, from inside draw().
//
// While one is shown nothing under it can be clicked. If two are shown at
// once they take turns: the second appears when the first is dismissed.
// Keyboard: Escape presses a sheet's last button, Enter or Escape an alert's
// button, and Escape is the cancel control of the table and the picker (the
// application maps the keys in ImGuiIO::KeyMap, as its platform backend does).

#include <imgui.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace lumo {

// ---------------------------------------------------------------------------
class ActionSheet;
class ActionSheetDelegate {
public:
    virtual ~ActionSheetDelegate() = default;
    // index: the pressed button, 0 for the first. The sheet has closed by then.
    virtual void actionSheet_clickedButtonAtIndex(ActionSheet* sheet, int index) = 0;
};

class ActionSheet {
public:
    ActionSheet(std::string title, ActionSheetDelegate* delegate, std::vector<std::string> buttons);
    ~ActionSheet();
    ActionSheet(const ActionSheet&) = delete;
    ActionSheet& operator=(const ActionSheet&) = delete;
    const std::string& title() const { return title_; }
    const std::vector<std::string>& buttons() const { return buttons_; }
    void showInView();              // opens it; it stays open until a button is pressed
    bool isVisible() const { return visible_; }
    void draw();                    // modal popup titled by the sheet, one full-width button each
    // Presses a button as a click would (for keyboard shortcuts and tests).
    void pressButton(int index);

private:
    std::string title_;
    ActionSheetDelegate* delegate_;
    std::vector<std::string> buttons_;
    bool visible_ = false;
    bool opened_ = false;  // the ImGui popup has been opened
    int id_;               // unique per sheet, keeps ImGui ids apart
    ImGuiID popup_id_ = 0;
};

// ---------------------------------------------------------------------------
class AlertView {
public:
    AlertView(std::string title, std::string message, std::string cancel_button_title);
    ~AlertView();
    AlertView(const AlertView&) = delete;
    AlertView& operator=(const AlertView&) = delete;
    void show();
    bool isVisible() const { return visible_; }
    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    void draw();
    void dismiss();  // as pressing its button

private:
    std::string title_, message_, button_;
    bool visible_ = false;
    bool opened_ = false;
    int id_;
    ImGuiID popup_id_ = 0;
};

// ---------------------------------------------------------------------------
// A one-section list of text rows with a title bar and a cancel control.
class TableView;
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView* table) = 0;
    virtual int tableView_numberOfRowsInSection(TableView* table, int section) = 0;
    // The text of the row's cell.
    virtual std::string tableView_cellForRowAtIndexPath(TableView* table, int section, int row) = 0;
};
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void tableView_didSelectRowAtIndexPath(TableView* table, int section, int row) = 0;
    virtual void cancelButtonPressed(TableView* table) = 0;
};

class TableView {
public:
    // empty_text: shown instead of rows when there are none.
    TableView(std::string title, std::string cancel_caption, std::string empty_text = "No items");
    ~TableView();
    TableView(const TableView&) = delete;
    TableView& operator=(const TableView&) = delete;
    void setEmptyText(std::string text) { empty_text_ = std::move(text); }
    const std::string& emptyText() const { return empty_text_; }
    void setDataSource(TableViewDataSource* source) { source_ = source; }
    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }
    void reloadData();              // asks the data source for the rows again (section 0 only)
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const std::string& rowText(int row) const { return rows_[row]; }
    void present();                 // shows it full screen over the surface, rows reloaded first
    void dismiss();
    bool isVisible() const { return visible_; }
    void draw();
    // As a click would: tell the delegate, while the table is visible. The
    // table stays open; the delegate dismisses it.
    void selectRow(int row);        // as a click on the row would
    void pressCancel();             // as a click on the cancel control would

private:
    std::string title_, cancel_caption_, empty_text_;
    TableViewDataSource* source_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    std::vector<std::string> rows_;
    bool visible_ = false;
    int id_;
    bool opened_ = false;
    ImGuiID popup_id_ = 0;
    bool scroll_to_top_ = false;
};

// ---------------------------------------------------------------------------
// The picture picker. The photo library (source type 0) is a browser over
// the user's folders that starts in the pictures folder, lists folders and
// picture files, goes up and down, previews the selected picture and has a
// cancel control. The camera (source type 1) is available only with a real
// capture device; there is none here. Lists are read when the picker is
// presented and when it changes folder, never per frame. The picker does not
// close itself: the delegate dismisses it after a pick or a cancel.
class ImagePickerController;
class ImagePickerDelegate {
public:
    virtual ~ImagePickerDelegate() = default;
    virtual void imagePickerController_didFinishPickingImage(ImagePickerController* picker, std::shared_ptr<const Picture> image) = 0;
    virtual void imagePickerControllerDidCancel(ImagePickerController* picker) = 0;
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
    int sourceType() const { return source_type_; }
    // Where the browser starts: `xdg-user-dir PICTURES`, else $HOME, unless
    // set here. Setting it also moves the browser there now.
    void setStartFolder(const std::filesystem::path& folder);
    void present();
    void dismiss();
    bool isVisible() const { return visible_; }
    void draw();

    // The browser's state, also for tests.
    const std::filesystem::path& folder() const;
    std::vector<std::string> entries() const;   // folders (ending in '/') first, then pictures, by name
    // Opens a folder, or selects and previews a picture; false when entry is
    // not one of entries(). A folder that cannot be read is entered with an
    // empty list and a message.
    bool enter(const std::string& entry);
    bool goUp();                                // false at the root
    // Takes the selected picture: decodes it and hands it to the delegate.
    // false, with a message and the delegate not told, when nothing is
    // selected or the picture does not decode.
    bool pick();
    void cancel();                              // tells the delegate
    const std::string& message() const;          // the last problem, e.g. a picture that does not decode

private:
    struct Browser;
    std::unique_ptr<Browser> browser_;
    ImagePickerDelegate* delegate_ = nullptr;
    int source_type_ = PhotoLibrary;
    bool visible_ = false;
};

}  // namespace lumo
