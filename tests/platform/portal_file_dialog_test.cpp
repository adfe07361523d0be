// The desktop's file dialogs on a real D-Bus session bus (ctest runs this
// under dbus-run-session): a stand-in portal (fake_portal.py, which the bus
// starts when first called) answers as GNOME's or KDE's would. What comes
// back for a file chosen, a cancel, a failure; dialogs given up are closed;
// and a bus without a portal, or no bus, gives "unavailable" at once.

#include "platform/desktop/portal_file_dialog.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/scoped_environment.h"
#include "support/session_bus.h"
#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

using Kind = FileDialogAnswer::Kind;
using namespace std::chrono_literals;
constexpr char kPortal[] = "org.freedesktop.portal.Desktop";

// Polls as the frame loop does, between "frames", until the answer is there.
FileDialogAnswer answer_of(PortalFileDialog& dialog) {
    const auto give_up = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < give_up) {
        FileDialogAnswer answer = dialog.poll();
        if (answer.kind != Kind::none) return answer;
        std::this_thread::sleep_for(5ms);
    }
    ADD_FAILURE() << "no answer from the portal";
    return {};
}

bool portal_can_start() { return bus_can_start(kPortal); }

class PortalOnTheBus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        // The bus starts the stand-in with the bus's environment plus this.
        if (portal_can_start()) set_activation_environment("LUMO_FAKE_PORTAL_DIR", folder_->path().c_str());
    }
    static void TearDownTestSuite() { delete folder_; }
    void SetUp() override {
        if (!portal_can_start())
            GTEST_SKIP() << "needs the test bus (ctest runs this under dbus-run-session with portal-bus.conf)";
    }

    static void answer_with(const std::string& answer) { write_text(*folder_ / "answer", answer); }
    // What the stand-in was asked, one line per call.
    static std::string requests() { return read_text(*folder_ / "requests"); }
    // How often the stand-in has logged `text`.
    static int count(const std::string& text) {
        const std::string log = requests();
        int seen = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++seen;
        return seen;
    }
    // Polls the dialog, as frames do, until the stand-in has logged `text` `times` in all.
    static bool logged(PortalFileDialog& dialog, const std::string& text, int times) {
        for (const auto give_up = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < give_up;) {
            if (count(text) >= times) return true;
            EXPECT_EQ(dialog.poll().kind, Kind::none);
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    static TempFolder* folder_;
};
TempFolder* PortalOnTheBus::folder_ = nullptr;

TEST_F(PortalOnTheBus, OpenAndSaveAsGiveThePlaceChosen) {
    struct Row {
        bool save;
        const char* uri;
        const char* path;
        std::vector<std::string> asked;  // in the request the portal received
        std::vector<std::string> not_asked;
    };
    const Row rows[] = {
        {false,
         "file:///home/me/My%20Pictures/sea%20%26%20sky.JPG",
         "/home/me/My Pictures/sea & sky.JPG",
         {"OpenFile\tOpen a Picture or Shape\t", "'image/jpeg'", "'image/png'", "'image/webp'", "'*.lumo'",
          "'application/x-lumo'", "'current_filter': <('Pictures and shapes'"},
         {"current_name"}},
        {true,
         "file:///media/stick/mine",
         "/media/stick/mine",
         {"SaveFile\tSave Shape As\t", "'current_name': <'2026_12_08_10_00_00.lumo'>", "'*.lumo'",
          "'current_filter': <('Shape files'"},
         {"image/png"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.uri);
        const std::size_t logged_before = requests().size();
        answer_with(std::string("0 ") + row.uri);
        PortalFileDialog dialog;
        EXPECT_FALSE(dialog.waiting());
        if (row.save) {
            dialog.save_shape_as("2026_12_08_10_00_00.lumo");
        } else {
            dialog.open_picture_or_shape();
        }
        EXPECT_TRUE(dialog.waiting());
        const FileDialogAnswer answer = answer_of(dialog);
        EXPECT_EQ(answer.kind, Kind::chosen) << answer.reason;
        EXPECT_EQ(answer.path, row.path);
        EXPECT_FALSE(dialog.waiting());
        EXPECT_EQ(dialog.poll().kind, Kind::none) << "an answer is given once";
        const std::string asked = requests().substr(logged_before);
        for (const std::string& text : row.asked)
            EXPECT_NE(asked.find(text), std::string::npos) << text << " in " << asked;
        for (const std::string& text : row.not_asked) EXPECT_EQ(asked.find(text), std::string::npos) << text;
    }
}

TEST_F(PortalOnTheBus, CancelFailureAndOddAnswers) {
    struct Row {
        const char* answer;
        Kind kind;
        const char* reason;  // in the reason given
    };
    const Row rows[] = {
        {"1", Kind::cancelled, ""},  // the user's Cancel
        {"0", Kind::cancelled, ""},  // "done", but no file
        {"2", Kind::unavailable, "failed"},  // the portal's own failure
        {"0 https://example.org/a.png", Kind::unavailable, "not a file"},  // a place GIO knows, not a path
    };
    for (const bool save : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.answer) + (save ? " to Save As" : " to Open"));
            answer_with(row.answer);
            PortalFileDialog dialog;
            if (save) {
                dialog.save_shape_as("x.lumo");
            } else {
                dialog.open_picture_or_shape();
            }
            const FileDialogAnswer answer = answer_of(dialog);
            EXPECT_EQ(answer.kind, row.kind) << answer.reason;
            EXPECT_NE(answer.reason.find(row.reason), std::string::npos) << answer.reason;
            EXPECT_TRUE(answer.path.empty());
        }
    }
}

TEST_F(PortalOnTheBus, ADialogGivenUpIsClosed) {
    answer_with("silent");
    const int calls = count("File\t");
    const int closes = count("Close\t");
    {
        PortalFileDialog dialog;
        // Cancelled by the program (Escape, quitting).
        dialog.open_picture_or_shape();
        ASSERT_TRUE(logged(dialog, "File\t", calls + 1));
        dialog.cancel();
        EXPECT_FALSE(dialog.waiting());
        EXPECT_TRUE(logged(dialog, "Close\t", closes + 1));

        // Replaced by another request: the first dialog closes, the second answers.
        dialog.open_picture_or_shape();
        ASSERT_TRUE(logged(dialog, "File\t", calls + 2));
        answer_with("0 file:///c.lumo");
        dialog.save_shape_as("c.lumo");
        const FileDialogAnswer answer = answer_of(dialog);
        EXPECT_EQ(answer.kind, Kind::chosen) << answer.reason;
        EXPECT_EQ(answer.path, "/c.lumo");
        EXPECT_EQ(count("Close\t"), closes + 2);

        // Destroyed while its dialog is open.
        answer_with("silent");
        dialog.open_picture_or_shape();
        ASSERT_TRUE(logged(dialog, "File\t", calls + 4));
    }
    PortalFileDialog other;
    EXPECT_TRUE(logged(other, "Close\t", closes + 3));
}

TEST(NoPortal, TheAnswerIsUnavailableAtOnce) {
    TempFolder empty_runtime;
    struct Row {
        const char* what;
        bool bus;  // a session bus without a portal, or none at all
        const char* reason;
    };
    const Row rows[] = {
        {"a session bus without a portal", true, "no desktop portal"},
        {"no session bus", false, "no session bus"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.bus && (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr || portal_can_start())) {
            ADD_FAILURE()
                << "needs a bus without a portal (ctest runs this under dbus-run-session with empty-bus.conf)";
            continue;
        }
        const ScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS",
                                        row.bus ? std::getenv("DBUS_SESSION_BUS_ADDRESS") : nullptr);
        const ScopedEnvironment runtime("XDG_RUNTIME_DIR",
                                        row.bus ? std::getenv("XDG_RUNTIME_DIR") : empty_runtime.path().c_str());
        for (const bool save : {false, true}) {
            PortalFileDialog dialog;
            if (save) {
                dialog.save_shape_as("x.lumo");
            } else {
                dialog.open_picture_or_shape();
            }
            const FileDialogAnswer answer = row.bus ? answer_of(dialog) : dialog.poll();
            EXPECT_EQ(answer.kind, Kind::unavailable);
            EXPECT_NE(answer.reason.find(row.reason), std::string::npos) << answer.reason;
            EXPECT_FALSE(dialog.waiting());
        }
    }
}

}  // namespace
}  // namespace lumo::testing
