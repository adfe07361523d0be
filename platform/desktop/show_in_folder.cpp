#include "platform/desktop/show_in_folder.h"

#include <gio/gio.h>

#include <cstdlib>
#include <thread>

namespace lumo {
namespace {

// A file manager that takes longer than this to answer is not waited for
// any more; xdg-open is tried instead.
constexpr int kFileManagerTimeoutMs = 5000;

// org.freedesktop.FileManager1.ShowItems on the session bus (the bus starts
// the file manager if it is not running). GLib is not asked to start a bus
// where there is none: without one there is no file manager on it either.
bool ask_file_manager(const std::string& uri, std::string* why) {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((address == nullptr || address[0] == '\0') && (runtime == nullptr || runtime[0] == '\0')) {
        *why = "no session bus";
        return false;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) {
        *why = error->message;
        g_error_free(error);
        return false;
    }
    const char* uris[] = {uri.c_str(), nullptr};
    GVariant* reply =
        g_dbus_connection_call_sync(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                    "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""),
                                    nullptr, G_DBUS_CALL_FLAGS_NONE, kFileManagerTimeoutMs, nullptr, &error);
    g_object_unref(bus);
    if (reply == nullptr) {
        g_dbus_error_strip_remote_error(error);
        *why = error->message;
        g_error_free(error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}

// xdg-open on the folder, not waited for: GLib reaps it.
bool open_folder(const std::filesystem::path& folder, std::string* why) {
    const std::string folder_text = folder.string();
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(folder_text.c_str()), nullptr};
    GError* error = nullptr;
    const GSpawnFlags flags =
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
    if (g_spawn_async(nullptr, argv, nullptr, flags, nullptr, nullptr, nullptr, &error)) return true;
    *why = error->message;
    g_error_free(error);
    return false;
}

}  // namespace

void show_in_folder(const std::filesystem::path& file, std::function<void(const std::string& how)> done) {
    std::thread([file, done = std::move(done)] {
        std::string how;
        gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
        std::string manager_problem = "not a file name";
        if (uri != nullptr && ask_file_manager(uri, &manager_problem)) {
            how = "FileManager1";
        } else if (std::string open_problem; open_folder(file.parent_path(), &open_problem)) {
            how = "xdg-open";
        } else {
            how =
                "no file manager answered (" + manager_problem + "), and xdg-open did not start (" + open_problem + ")";
        }
        g_free(uri);
        if (done) done(how);
    }).detach();
}

}  // namespace lumo
