// Which home folder wins, and the documents folder inside it.

#include "files/app_paths.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

TEST(HomeFolder, FirstSetSourceWins) {
    HomeFolderSources all{"/override", "/lumo-home", "/xdg", "/home/me"};
    EXPECT_EQ(home_folder_from(all), "/override");
    all.home_override = "";
    EXPECT_EQ(home_folder_from(all), "/lumo-home");
    all.lumo_home = "";  // set but empty counts as unset
    EXPECT_EQ(home_folder_from(all), "/xdg/lumo");
    all.xdg_data_home = nullptr;
    EXPECT_EQ(home_folder_from(all), "/home/me/.local/share/lumo");
    all.user_home = nullptr;
    EXPECT_TRUE(home_folder_from(all).empty());
}

TEST(HomeFolder, RelativeXdgDataHomeIsIgnored) {
    EXPECT_EQ(home_folder_from({"", nullptr, "relative/data", "/home/me"}), "/home/me/.local/share/lumo");
    EXPECT_EQ(home_folder_from({"", nullptr, "", "/home/me"}), "/home/me/.local/share/lumo");
    // --home and $LUMO_HOME are taken as given.
    EXPECT_EQ(home_folder_from({"rel", nullptr, nullptr, "/h"}), "rel");
}

TEST(HomeFolder, OverrideIsMadeAbsolute) {
    const auto home = application_home_folder("some/where");
    EXPECT_TRUE(home.is_absolute());
    EXPECT_EQ(home, std::filesystem::current_path() / "some/where");
}

TEST(StateFolder, FirstSetSourceWins) {
    struct Row {
        StateFolderSources sources;
        const char* expected;
    };
    const Row rows[] = {
        {{"/override", "/lumo-home", "/state", "/home/me"}, "/override/state"},
        {{"", "/lumo-home", "/state", "/home/me"}, "/lumo-home/state"},
        {{"", "", "/state", "/home/me"}, "/state/lumo"},
        {{"", nullptr, "relative/state", "/home/me"}, "/home/me/.local/state/lumo"},  // XDG ignores a relative one
        {{"", nullptr, nullptr, "/home/me"}, "/home/me/.local/state/lumo"},
        {{"", nullptr, nullptr, nullptr}, ""},
    };
    for (const Row& row : rows) EXPECT_EQ(state_folder_from(row.sources), row.expected) << row.expected;
    EXPECT_EQ(application_state_folder("some/where"), std::filesystem::current_path() / "some/where/state");
}

TEST(DocumentsFolder, CreatedWithParentsWhenFirstNeeded) {
    TempFolder folder;
    const auto home = folder / "a" / "b" / "lumo";
    EXPECT_EQ(documents_folder(home), home / "Documents");
    std::string error;
    ASSERT_TRUE(ensure_documents_folder(home, &error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(home / "Documents"));
    EXPECT_TRUE(ensure_documents_folder(home, &error)) << "a second call finds it there";
}

TEST(DocumentsFolder, AFileInTheWayIsReported) {
    TempFolder folder;
    write_text(folder / "Documents", "not a folder");
    std::string error;
    EXPECT_FALSE(ensure_documents_folder(folder.path(), &error));
    EXPECT_NE(error.find("Documents"), std::string::npos) << error;
    EXPECT_FALSE(ensure_folder({}, &error));
}

}  // namespace
}  // namespace lumo::testing
