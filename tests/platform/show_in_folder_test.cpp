// "Show in folder" on real session buses of their own (ctest runs this under
// dbus-run-session twice): on one the bus starts a stand-in file manager
// (fake_file_manager.py) when first called, and ShowItems gets the file's
// URI; on the other nothing answers, and xdg-open (a stand-in first on PATH
// that notes what it was given) opens the folder; where that fails too,
// nothing claims it worked.

#include "platform/desktop/show_in_folder.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <string>

#include "support/scoped_environment.h"
#include "support/session_bus.h"
#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

using namespace std::chrono_literals;
constexpr char kFileManager[] = "org.freedesktop.FileManager1";

FolderShownBy shown_by(const std::filesystem::path& file) {
    std::future<FolderShownBy> way = show_in_folder(file);
    if (way.wait_for(30s) != std::future_status::ready) {
        ADD_FAILURE() << "no answer in 30 s";
        return FolderShownBy::nothing;
    }
    return way.get();
}

std::string uri_of(const std::filesystem::path& file) {
    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    std::string text = uri ? uri : "";
    g_free(uri);
    return text;
}

TEST(FileManagerOnTheBus, ShowsTheFileSelected) {
    if (!bus_can_start(kFileManager))
        GTEST_SKIP() << "needs the test bus (ctest runs this under dbus-run-session with portal-bus.conf)";
    TempFolder folder;
    set_activation_environment("LUMO_FAKE_FILE_MANAGER_DIR", folder.path().c_str());
    const auto clip = folder / "2026 clip.mp4";  // a space, escaped in the URI
    write_text(clip, "");
    EXPECT_EQ(shown_by(clip), FolderShownBy::file_manager);
    EXPECT_EQ(read_text(folder / "shown"), uri_of(clip) + "\n");
    EXPECT_NE(uri_of(clip).find("2026%20clip.mp4"), std::string::npos);
}

TEST(NoFileManager, OpensTheFolderWithXdgOpenOrSaysNothingWorked) {
    GVariant* id = ask_bus("GetId", nullptr);
    const bool on_a_bus = id != nullptr;
    if (id) g_variant_unref(id);
    if (bus_can_start(kFileManager) || !on_a_bus)
        GTEST_SKIP() << "needs a bus with nothing on it (ctest runs this under dbus-run-session with empty-bus.conf)";
    struct Row {
        const char* what;
        const char* xdg_open;  // the stand-in's script; null: none on PATH
        FolderShownBy expected;
    };
    const Row rows[] = {
        {"xdg-open opens it", "echo \"$@\" >> \"${0%/*}/opened\"", FolderShownBy::xdg_open},
        {"xdg-open fails", "exit 4", FolderShownBy::nothing},
        {"no xdg-open", nullptr, FolderShownBy::nothing},
    };
    for (const Row& row : rows) {
        TempFolder bin, clips;
        if (row.xdg_open) {
            write_text(bin / "xdg-open", std::string("#!/bin/sh\n") + row.xdg_open + "\n");
            ::chmod((bin / "xdg-open").c_str(), 0755);
        }
        ScopedEnvironment path("PATH", bin.path().c_str());
        const auto clip = clips / "clip.gif";
        write_text(clip, "");
        EXPECT_EQ(shown_by(clip), row.expected) << row.what;
        if (row.expected == FolderShownBy::xdg_open) {
            EXPECT_EQ(read_text(bin / "opened"), clips.path().string() + "\n");
        }
    }
}

}  // namespace
}  // namespace lumo::testing
