#pragma once
// A one-section list of text rows with a title bar and a cancel control (Escape).
// Rows may show a small picture, and a list whose rows can be deleted gets an
// Edit control: only then does each row show Delete, and a deletion still
// waits for a confirmation, so that none happens by a stray click.
// The keyboard: the arrows, Page Up/Down, Home and End move a ring along the
// rows, Enter opens the row it is on, Delete asks to delete it; Tab goes
// round the list and every control (the arrows step along the controls once
// the ring is on one), Enter presses the control the ring is on. Escape
// backs out of a confirmation, else presses the cancel control.
// Modal screens over the surface are drawn with Dear ImGui by draw(), called
// once per interface frame between ImGui::NewFrame() and ImGui::Render();
// answers reach a delegate on the same thread, from inside draw(). While one
// is shown nothing under it can be clicked; two shown at once take turns.

#include <imgui.h>

#include <string>
#include <vector>

#include "widgets/key_focus.h"

namespace lumo {

class TableView;
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView* table) = 0;
    virtual int tableView_numberOfRowsInSection(TableView* table, int section) = 0;
    // The text of the row's cell.
    virtual std::string tableView_cellForRowAtIndexPath(TableView* table, int section, int row) = 0;
    // The row's picture, asked each time a row is drawn (the source keeps
    // it); null draws the row without one.
    virtual ImTextureID tableView_imageForRowAtIndexPath(TableView* /*table*/, int /*section*/, int /*row*/) {
        return nullptr;
    }
    virtual bool tableView_canEditRows(TableView* /*table*/) { return false; }
};
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void tableView_didSelectRowAtIndexPath(TableView* table, int section, int row) = 0;
    virtual void cancelButtonPressed(TableView* table) = 0;
    // The user confirmed deleting the row; the delegate deletes and reloads.
    virtual void tableView_commitDeleteRowAtIndexPath(TableView* /*table*/, int /*section*/, int /*row*/) {}
    // A control of setRowActions() pressed on a row (while editing), or one of
    // setListActions() (row -1). action: its index in that list.
    virtual void tableView_didPressAction(TableView* /*table*/, int /*action*/, int /*row*/) {}
    // The control of setStatusAction() pressed.
    virtual void tableView_didPressStatusAction(TableView* /*table*/) {}
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
    void reloadData();  // asks the data source for the rows again (section 0 only)
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const std::string& rowText(int row) const { return rows_[row]; }
    void present();  // shows it full screen over the surface, rows reloaded first
    void dismiss();
    bool isVisible() const { return visible_; }
    void draw();
    // As a click would: tell the delegate, while the table is visible. The
    // table stays open; the delegate dismisses it.
    void selectRow(int row);  // as a click on the row would
    void pressCancel();  // as a click on the cancel control would
    bool isEditing() const { return editing_; }
    void setEditing(bool editing);
    // The row waiting for its deletion to be confirmed, -1 for none.
    int rowAwaitingDeletion() const { return confirm_row_; }
    // Asks to confirm the deletion of a row in other words than the usual
    // ("Delete for good?"); the answer reaches the delegate as any other.
    void confirmDeletion(int row, std::string question, std::string confirm_caption);
    // The row the keyboard's ring is on; -1 while it is on a control.
    int focusedRow() const;
    // Controls each row shows while editing, before Delete; controls under
    // the rows, shown always. Both empty by default.
    void setRowActions(std::vector<std::string> captions) { row_actions_ = std::move(captions); }
    void setListActions(std::vector<std::string> captions) { list_actions_ = std::move(captions); }
    // As a click on the control would (row -1 for a list action).
    void pressAction(int action, int row);
    // A line under the rows (why a deletion failed); empty for none.
    void setStatusText(std::string text) { status_ = std::move(text); }
    const std::string& statusText() const { return status_; }
    // A control under the status line (Undo after a deletion); empty for
    // none. Dismissing the table takes it away with the status.
    void setStatusAction(std::string caption) { status_action_ = std::move(caption); }

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
    bool editing_ = false;
    int confirm_row_ = -1;
    std::string question_, confirm_caption_;  // empty: "Delete ROW?", "Yes, Delete"
    KeyFocus focus_;
    int focus_row_ = 0;  // the row of the ring while the focus is on the rows
    bool scroll_to_focus_row_ = false;
    std::string status_, status_action_;
    std::vector<std::string> row_actions_, list_actions_;
};

}  // namespace lumo
