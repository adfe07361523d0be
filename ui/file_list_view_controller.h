#pragma once
// The saved-file list: the shape files of the documents folder, newest date
// stamp first; selecting one loads it, takes its picture and fixes its shape.

#include <filesystem>
#include <string>
#include <vector>

#include "widgets/table_view.h"

namespace lumo {

class lumo_view_controller;

class fileListViewController : public TableViewDataSource, public TableViewDelegate {
public:
    explicit fileListViewController(std::filesystem::path documents);
    void viewDidLoad();
    void refreshFileList();

    int numberOfSectionsInTableView(TableView* table) override;
    int tableView_numberOfRowsInSection(TableView* table, int section) override;
    std::string tableView_cellForRowAtIndexPath(TableView* table, int section, int row) override;
    void tableView_didSelectRowAtIndexPath(TableView* table, int section, int row) override;
    void cancelButtonPressed(TableView* table) override;
    void cancelButtonPressed();

    TableView* tableView() { return &table_; }
    const std::filesystem::path& documents() const { return documents_; }

    lumo_view_controller* _lumo_view_controller = nullptr;  // not owned; set before each showing
    std::vector<std::string> fileList;

private:
    std::filesystem::path documents_;
    TableView table_;
};

}  // namespace lumo
