#pragma once
// The saved-file list: the shape files of the documents folder, newest date
// stamp first, each row its date and a thumbnail of its picture; selecting
// one loads it, takes its picture and fixes its shape. Rows can be deleted
// (Edit, Delete, then a confirmation).

#include <filesystem>
#include <map>
#include <string>
#include <vector>

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
    void cancelButtonPressed(TableView* table) override;
    void cancelButtonPressed();

    TableView* tableView() { return &table_; }
    const std::filesystem::path& documents() const { return documents_; }
    // How many shape files have been opened for their thumbnail so far.
    long thumbnailsDecoded() const { return thumbnails_decoded_; }

    lumo_view_controller* _lumo_view_controller = nullptr;  // not owned; set before each showing
    std::vector<std::string> fileList;

private:
    void forget_thumbnails();

    std::filesystem::path documents_;
    TableView table_;
    // Per stem, made the first time its row is drawn after the list is
    // presented; null when the file has no picture that decodes.
    std::map<std::string, ImTextureID> thumbnails_;
    long thumbnails_decoded_ = 0;
};

}  // namespace lumo
