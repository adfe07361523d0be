#include "platform/desktop/show_in_folder.h"

#include <gio/gio.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <memory>
#include <string>
#include <thread>

extern char** environ;

namespace lumo {
namespace {

constexpr int kCallTimeoutMs = 5000;  // a file manager started by the call takes a moment

// A connection of its own to the session bus named by the environment now,
// closed after the call: this is rare, and leaves the shared one alone.
bool ask_file_manager(const std::filesystem::path& file) {
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (address == nullptr) return false;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_free(address);
    if (bus == nullptr) return false;
    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    bool answered = false;
    if (uri != nullptr) {
        const gchar* uris[] = {uri, nullptr};
        GVariant* reply =
            g_dbus_connection_call_sync(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""),
                                        nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
        answered = reply != nullptr;
        if (reply) g_variant_unref(reply);
        g_free(uri);
    }
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return answered;
}

bool open_folder(const std::filesystem::path& folder) {
    std::string program = "xdg-open", argument = folder.string();
    char* arguments[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "xdg-open", nullptr, nullptr, arguments, environ) != 0) return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::future<FolderShownBy> show_in_folder(const std::filesystem::path& file) {
    auto promise = std::make_shared<std::promise<FolderShownBy>>();
    std::future<FolderShownBy> future = promise->get_future();
    std::thread([promise, file] {
        if (ask_file_manager(file)) return promise->set_value(FolderShownBy::file_manager);
        promise->set_value(open_folder(file.parent_path()) ? FolderShownBy::xdg_open : FolderShownBy::nothing);
    }).detach();
    return future;
}

}  // namespace lumo
