#include "platform/desktop/portal_file_dialog.h"

#include <gio/gio.h>
#include <libportal/portal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace lumo {
namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
// The bus daemon answers about names itself, at once; one that takes longer is of no use.
constexpr int kBusTimeoutMs = 2000;

// The picture types lumo decodes (picture/picture_header.h). QOI has no MIME
// type in shared-mime-info yet: its extension stands in.
constexpr const char* kPictureTypes[] = {
    "image/jpeg",
    "image/png",
    "image/gif",
    "image/bmp",
    "image/webp",
    "image/tiff",
    "image/x-portable-anymap",
    "image/x-portable-bitmap",
    "image/x-portable-graymap",
    "image/x-portable-pixmap",
};

// D-Bus replies and the portal's signals are delivered here: made once and
// kept for the process, as replies to abandoned requests may still land in it.
GMainContext* dialog_context() {
    static GMainContext* const context = g_main_context_new();
    return context;
}

// lumo's context as the thread's default while GLib is called: GLib delivers
// an asynchronous call's reply in the context that was the default when the
// call was made.
class ContextScope {
public:
    ContextScope() { g_main_context_push_thread_default(dialog_context()); }
    ~ContextScope() { g_main_context_pop_thread_default(dialog_context()); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;
};

// GLib's asynchronous calls take a C function and a pointer; this one
// adaptor hands the reply to a C++ callable instead. GLib calls it exactly
// once, also when the call is cancelled.
using AsyncDone = std::function<void(GObject* source, GAsyncResult* result)>;
void run_async_done(GObject* source, GAsyncResult* result, gpointer done) {
    const std::unique_ptr<AsyncDone> callable(static_cast<AsyncDone*>(done));
    (*callable)(source, result);
}
gpointer async_done(AsyncDone done) { return new AsyncDone(std::move(done)); }

// GLib would otherwise start a bus of its own (dbus-launch) where there is
// none to connect to: a session without a bus has no portal either.
bool session_bus_may_exist() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && address[0] != '\0')
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] == '\0') return false;
    struct stat info {};
    return ::stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// A file-chooser filter, "(sa(us))": a caption and its patterns (0: a glob, 1: a MIME type).
GVariant* filter(const char* caption, bool pictures, bool shapes) {
    GVariantBuilder patterns;
    g_variant_builder_init(&patterns, G_VARIANT_TYPE("a(us)"));
    if (pictures) {
        for (const char* type : kPictureTypes) g_variant_builder_add(&patterns, "(us)", 1u, type);
        g_variant_builder_add(&patterns, "(us)", 0u, "*.qoi");
    }
    if (shapes) {
        g_variant_builder_add(&patterns, "(us)", 1u, "application/x-lumo");
        g_variant_builder_add(&patterns, "(us)", 0u, "*.lumo");
    }
    return g_variant_ref_sink(g_variant_new("(sa(us))", caption, &patterns));
}

GVariant* filter_list(std::initializer_list<GVariant*> filters) {
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("a(sa(us))"));
    for (GVariant* one : filters) g_variant_builder_add_value(&list, one);
    return g_variant_ref_sink(g_variant_builder_end(&list));
}

// GDBus drops the messages still queued when a connection loses its last
// reference: the Close that libportal sends for a cancelled dialog went that
// way when the request held the last one. Once connected, the session bus is
// kept for the process, as GApplication keeps it.
void keep_for_the_process(GDBusConnection* bus) {
    static GDBusConnection* kept = nullptr;
    if (bus == kept) return;
    if (kept != nullptr) g_object_unref(kept);  // closed, and replaced by GLib
    kept = G_DBUS_CONNECTION(g_object_ref(bus));
}

FileDialogAnswer unavailable(std::string reason) {
    return {FileDialogAnswer::Kind::unavailable, {}, std::move(reason)};
}

// One Open or Save As, from the check for a portal to its answer. Shared by
// the dialog object and the callbacks still to come, so that a request the
// dialog has given up (cancelled, replaced, destroyed) lives until GLib is
// done with it.
struct DialogRequest {
    bool save = false;
    std::string suggested_name;
    GCancellable* cancellable = g_cancellable_new();
    bool done = false;
    FileDialogAnswer answer;

    DialogRequest() = default;
    ~DialogRequest() { g_object_unref(cancellable); }
    DialogRequest(const DialogRequest&) = delete;
    DialogRequest& operator=(const DialogRequest&) = delete;

    void finish(FileDialogAnswer result) {
        if (done) return;
        answer = std::move(result);
        done = true;
    }
    // An error from any step: the request's own cancellation ends it quietly.
    void fail(GError* error, const char* what) {
        if (!g_cancellable_is_cancelled(cancellable)) {
            g_dbus_error_strip_remote_error(error);
            finish(unavailable(std::string(what) + ": " + error->message));
        }
        finish({});
        g_error_free(error);
    }
};

}  // namespace

struct PortalFileDialog::State {
    std::shared_ptr<DialogRequest> current;  // the request whose answer poll() returns
    std::vector<std::shared_ptr<DialogRequest>> abandoned;  // given up, GLib not yet done with them

    bool in_flight() const {
        const auto busy = [](const std::shared_ptr<DialogRequest>& request) { return request.use_count() > 1; };
        return (current && busy(current)) || std::any_of(abandoned.begin(), abandoned.end(), busy);
    }
    void abandon_current() {
        if (!current) return;
        ContextScope scope;
        g_cancellable_cancel(current->cancellable);
        abandoned.push_back(std::move(current));
    }
    void start(bool save, const std::string& suggested_name);
};

namespace {

void show_dialog(const std::shared_ptr<DialogRequest>& request) {
    XdpPortal* portal = xdp_portal_new();
    GVariant* pictures_and_shapes = filter("Pictures and shapes", true, true);
    GVariant* pictures = filter("Pictures", true, false);
    GVariant* shapes = filter("Shape files", false, true);
    const gpointer done = async_done([request](GObject* source, GAsyncResult* result) {
        GError* error = nullptr;
        GVariant* results = request->save ? xdp_portal_save_file_finish(XDP_PORTAL(source), result, &error)
                                          : xdp_portal_open_file_finish(XDP_PORTAL(source), result, &error);
        if (results == nullptr) {
            // The user's cancel arrives as G_IO_ERROR_CANCELLED with our cancellable untouched.
            if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) &&
                !g_cancellable_is_cancelled(request->cancellable)) {
                request->finish({FileDialogAnswer::Kind::cancelled, {}, {}});
                g_error_free(error);
                return;
            }
            return request->fail(error, "the desktop's file dialog failed");
        }
        const char** uris = nullptr;
        if (g_variant_lookup(results, "uris", "^a&s", &uris) && uris[0] != nullptr) {
            if (char* file = g_filename_from_uri(uris[0], nullptr, nullptr)) {
                request->finish({FileDialogAnswer::Kind::chosen, file, {}});
                g_free(file);
            } else {
                request->finish(unavailable(std::string("the desktop's file dialog chose ") + uris[0] +
                                            ", which is not a file on this computer"));
            }
        } else {
            request->finish({FileDialogAnswer::Kind::cancelled, {}, {}});
        }
        g_free(uris);
        g_variant_unref(results);
    });
    if (request->save) {
        GVariant* filters = filter_list({shapes});
        xdp_portal_save_file(portal, nullptr, "Save Shape As", request->suggested_name.c_str(), nullptr, nullptr,
                             filters, shapes, nullptr, XDP_SAVE_FILE_FLAG_NONE, request->cancellable, run_async_done,
                             done);
        g_variant_unref(filters);
    } else {
        GVariant* filters = filter_list({pictures_and_shapes, pictures, shapes});
        xdp_portal_open_file(portal, nullptr, "Open a Picture or Shape", filters, pictures_and_shapes, nullptr,
                             XDP_OPEN_FILE_FLAG_NONE, request->cancellable, run_async_done, done);
        g_variant_unref(filters);
    }
    g_variant_unref(pictures_and_shapes);
    g_variant_unref(pictures);
    g_variant_unref(shapes);
    g_object_unref(portal);  // the call holds its own reference
}

// Calls org.freedesktop.DBus.<method>(args) and hands the reply on.
void ask_bus(GDBusConnection* bus, const char* method, GVariant* args, const char* reply_type,
             const std::shared_ptr<DialogRequest>& request, std::function<void(GVariant*)> then) {
    g_dbus_connection_call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, args,
                           G_VARIANT_TYPE(reply_type), G_DBUS_CALL_FLAGS_NONE, kBusTimeoutMs, request->cancellable,
                           run_async_done, async_done([request, then](GObject* source, GAsyncResult* result) {
                               GError* error = nullptr;
                               GVariant* reply =
                                   g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
                               if (reply == nullptr) return request->fail(error, "the session bus did not answer");
                               then(reply);
                               g_variant_unref(reply);
                           }));
}

// A portal running, or one the bus starts when called (GNOME and KDE start it
// on demand): show the dialog. Neither: no portal.
void look_for_portal(GDBusConnection* connection, const std::shared_ptr<DialogRequest>& request) {
    const std::shared_ptr<GDBusConnection> bus(G_DBUS_CONNECTION(g_object_ref(connection)), g_object_unref);
    ask_bus(bus.get(), "NameHasOwner", g_variant_new("(s)", kPortalName), "(b)", request,
            [bus, request](GVariant* owned) {
                gboolean running = FALSE;
                g_variant_get(owned, "(b)", &running);
                if (running) return show_dialog(request);
                ask_bus(bus.get(), "ListActivatableNames", nullptr, "(as)", request, [request](GVariant* names) {
                    const char** activatable = nullptr;
                    g_variant_get(names, "(^a&s)", &activatable);
                    bool found = false;
                    for (const char** name = activatable; name && *name; ++name)
                        found = found || g_str_equal(*name, kPortalName);
                    g_free(activatable);
                    if (found) {
                        show_dialog(request);
                    } else {
                        request->finish(unavailable("no desktop portal on the session bus"));
                    }
                });
            });
}

}  // namespace

void PortalFileDialog::State::start(bool save, const std::string& suggested_name) {
    abandon_current();
    current = std::make_shared<DialogRequest>();
    current->save = save;
    current->suggested_name = suggested_name;
    if (!session_bus_may_exist()) {
        current->finish(unavailable("there is no session bus"));
        return;
    }
    ContextScope scope;
    g_bus_get(G_BUS_TYPE_SESSION, current->cancellable, run_async_done,
              async_done([request = current](GObject*, GAsyncResult* result) {
                  GError* error = nullptr;
                  GDBusConnection* bus = g_bus_get_finish(result, &error);
                  if (bus == nullptr) return request->fail(error, "cannot reach the session bus");
                  keep_for_the_process(bus);
                  look_for_portal(bus, request);
                  g_object_unref(bus);
              }));
}

PortalFileDialog::PortalFileDialog() : state_(std::make_unique<State>()) {}

PortalFileDialog::~PortalFileDialog() {
    state_->abandon_current();
    // Cancelled calls report back within an iteration or two; a second is
    // far more than they take, and keeps a stuck bus from holding the exit.
    for (int i = 0; i < 1000 && state_->in_flight(); ++i) {
        ContextScope scope;
        if (!g_main_context_iteration(dialog_context(), FALSE)) g_usleep(1000);
    }
}

void PortalFileDialog::open_picture_or_shape() { state_->start(false, {}); }

void PortalFileDialog::save_shape_as(const std::string& suggested_name) { state_->start(true, suggested_name); }

bool PortalFileDialog::waiting() const { return state_->current != nullptr; }

FileDialogAnswer PortalFileDialog::poll() {
    if (state_->in_flight()) {
        ContextScope scope;
        // Everything ready, but a bounded number: a source that keeps itself
        // ready must not hold the frame.
        for (int i = 0; i < 64 && g_main_context_iteration(dialog_context(), FALSE); ++i) {
        }
    }
    std::erase_if(state_->abandoned,
                  [](const std::shared_ptr<DialogRequest>& request) { return request.use_count() == 1; });
    if (!state_->current || !state_->current->done) return {};
    FileDialogAnswer answer = std::move(state_->current->answer);
    state_->current.reset();
    return answer;
}

void PortalFileDialog::cancel() { state_->abandon_current(); }

}  // namespace lumo
