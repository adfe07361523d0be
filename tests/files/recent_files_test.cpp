// The recent files: order, the limit, a restart, files that went away, and
// a damaged store.

#include "files/recent_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<fs::path>;

TEST(RecentFiles, KeepsTheLastTenNewestFirstAcrossARestart) {
    TempFolder folder;
    const fs::path store = folder / "state" / "recent-files";
    Paths files;
    for (int i = 1; i <= 12; ++i) {
        // Names a line-per-path store must escape.
        files.push_back(folder / ("shape " + std::to_string(i) +
                                  (i == 2   ? "\nsecond line"
                                   : i == 5 ? " 100%.lumo"
                                            : ".lumo")));
        write_text(files.back(), "x");
    }
    {
        RecentFiles recent(store);
        EXPECT_TRUE(recent.entries().empty()) << "no store yet";
        std::string error;
        for (const fs::path& file : files) ASSERT_TRUE(recent.add(file, &error)) << error;
        ASSERT_TRUE(recent.add(files[4], &error)) << "opened again: to the front, once";
        // Relative to the working folder: kept absolute.
        const fs::path here = fs::current_path();
        fs::current_path(folder.path());
        ASSERT_TRUE(recent.add(files[1].filename(), &error));
        fs::current_path(here);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "state"), fs::directory_iterator()), 1)
        << "the store alone: no temporary left";

    RecentFiles restarted(store);
    const Paths expected = {files[1], files[4], files[11], files[10], files[9],
                            files[8], files[7], files[6],  files[5],  files[3]};
    EXPECT_EQ(restarted.entries(), expected);
    EXPECT_EQ(restarted.existing(), expected);
}

TEST(RecentFiles, FilesThatWentAwayAreDroppedQuietly) {
    TempFolder folder;
    const fs::path store = folder / "recent-files";
    std::string error;
    {
        RecentFiles recent(store);
        for (const char* name : {"a.lumo", "b.jpg", "c.lumo"}) {
            write_text(folder / name, "x");
            ASSERT_TRUE(recent.add(folder / name, &error)) << error;
        }
    }
    fs::remove(folder / "b.jpg");
    RecentFiles restarted(store);
    EXPECT_EQ(restarted.entries().size(), 3u) << "still listed until looked at";
    EXPECT_EQ(restarted.existing(), (Paths{folder / "c.lumo", folder / "a.lumo"}));
    write_text(folder / "d.png", "x");
    ASSERT_TRUE(restarted.add(folder / "d.png", &error)) << error;
    EXPECT_EQ(RecentFiles(store).entries(), (Paths{folder / "d.png", folder / "c.lumo", folder / "a.lumo"}));
}

TEST(RecentFiles, ADamagedStoreGivesWhatCanBeRead) {
    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += "/f/" + std::to_string(i) + "\n";
    struct Row {
        const char* what;
        std::string content;
        Paths expected;
    };
    const Row rows[] = {
        {"empty", "", {}},
        {"garbage around good lines",
         std::string("\x89PNG") + '\0' +
             "\xff\n/a/one\nrelative/path\n/a/bad%zz\n/a/nul%00\n\n/a/three\r\n/a/one\n/a/t",
         {"/a/one", "/a/three", "/a/t"}},
        {"escapes", "# comment\n/x/new%0Aline.lumo\n/x/100%25\n/x/%", {"/x/new\nline.lumo", "/x/100%"}},
        {"too many lines", eleven, {"/f/0", "/f/1", "/f/2", "/f/3", "/f/4", "/f/5", "/f/6", "/f/7", "/f/8", "/f/9"}},
        {"far too big to be ours", std::string(300 * 1024, '/'), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        write_text(folder / "recent-files", row.content);
        EXPECT_EQ(RecentFiles(folder / "recent-files").entries(), row.expected);
    }
}

TEST(RecentFiles, AStoreThatCannotBeWrittenIsReported) {
    TempFolder folder;
    write_text(folder / "state", "a file where the folder should be");
    write_text(folder / "a.lumo", "x");
    RecentFiles recent(folder / "state" / "recent-files");
    std::string error;
    EXPECT_FALSE(recent.add(folder / "a.lumo", &error));
    EXPECT_NE(error.find("state"), std::string::npos) << error;
    EXPECT_EQ(recent.entries(), Paths{folder / "a.lumo"}) << "remembered for this run all the same";
}

}  // namespace
}  // namespace lumo::testing
