#pragma once
// The saved-file list: the shape files of the documents folder, newest date
// stamp first, each row its date and a thumbnail of its picture; selecting
// one loads it, takes its picture and fixes its shape. Rows can be deleted
// (Edit, Delete, then a confirmation). Where the host has a trash (the
// desktop's, files/trash.h) a deleted file goes there, to be restored from
// the file manager; where its file system has none, the list asks once more
// and then deletes it for good. Where the host has no trash at all (the
// browser) the list offers Undo for a few seconds after a deletion, which
// stores the same bytes again. Where the host has a file chooser
// (the browser) the list also imports a shape file from the device and, while
// editing, exports a row's file as a download.

#include <filesystem>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "shape/shape_transfer.h"
#include "widgets/table_view.h"

namespace lumo {

class lumo_view_controller;

class fileListViewController : public TableViewDataSource, public TableViewDelegate {
public:
    explicit fileListViewController(std::filesystem::path documents);
    ~fileListViewController() override;
    void viewDidLoad();
    void refreshFileList();

    int numberOfSectionsInTableView(TableView* table) override;
    int tableView_numberOfRowsInSection(TableView* table, int section) override;
    std::string tableView_cellForRowAtIndexPath(TableView* table, int section, int row) override;
    ImTextureID tableView_imageForRowAtIndexPath(TableView* table, int section, int row) override;
    bool tableView_canEditRows(TableView* /*table*/) override { return true; }
    void tableView_commitDeleteRowAtIndexPath(TableView* table, int section, int row) override;
    void tableView_didSelectRowAtIndexPath(TableView* table, int section, int row) override;
    void tableView_didPressAction(TableView* table, int action, int row) override;
    void tableView_didPressStatusAction(TableView* table) override;
    void cancelButtonPressed(TableView* table) override;
    void cancelButtonPressed();

    // Once per interface frame while the list is shown, before it is drawn:
    // takes a file the host's chooser has brought, and withdraws the offer
    // to undo a deletion once its time is up.
    void update();
    // The list is closing: an import still being chosen is dropped.
    void list_will_close();

    void choose_import();  // opens the host's chooser for a shape file
    void export_row(int row);

    TableView* tableView() { return &table_; }
    const std::filesystem::path& documents() const { return documents_; }
    // Whether a deletion can be undone here (where the host has no trash);
    // tests turn it on where it has one.
    void set_undoes_deletions(bool undoes) { undoes_deletions_ = undoes; }
    // How many shape files have been opened for their thumbnail so far.
    long thumbnails_decoded() const { return thumbnails_decoded_; }

    lumo_view_controller* _lumo_view_controller = nullptr;  // not owned; set before each showing
    std::vector<std::string> fileList;

private:
    void read_folder();  // fileList and labels_, newest first
    std::string label(int row) const;
    void forget_thumbnails();
    void reload();
    void take_import(ArrivingFile file);
    void refuse_import(const std::string& name, const std::string& problem);
    void store_import(const std::string& name, const ImportedShape& imported);
    void offer_undo_delete();
    // The desktop's way: into the trash, or (asked once more) for good.
    void move_row_to_trash(int row, const std::string& stem);
    void remove_for_good(int row, const std::string& stem);
    void undo_delete();

    // A deleted file's bytes, kept while its Undo is offered.
    struct DeletedFile {
        std::string stem;
        std::vector<uint8_t> bytes;
        double offered_until = 0;  // ImGui's clock, seconds
    };

    std::filesystem::path documents_;
    TableView table_;
    std::vector<std::string> labels_;  // each row's date as people read it
    std::vector<std::string> export_stems_;  // each row's name with the calendar year
    // Per stem, made the first time its row is drawn after the list is
    // presented; null when the file has no picture that decodes.
    std::map<std::string, ImTextureID> thumbnails_;
    long thumbnails_decoded_ = 0;
    bool importing_ = false;
    uint64_t checking_ = 0;  // the imported file being checked beside the frames, if any
    bool undoes_deletions_;
    std::optional<DeletedFile> deleted_;
    std::string for_good_;  // the stem whose file has no trash and was asked about again
};

}  // namespace lumo
