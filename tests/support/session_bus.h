#pragma once
// Questions to the session bus the test runs on (ctest starts the D-Bus
// tests under dbus-run-session, each with a bus of its own).

#include <gio/gio.h>

#include <string>

namespace lumo::testing {

// Calls org.freedesktop.DBus.<method> on this process's session bus; null without one.
inline GVariant* ask_bus(const char* method, GVariant* args) {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) {
        if (args) g_variant_unref(g_variant_ref_sink(args));
        return nullptr;
    }
    GVariant* reply =
        g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    method, args, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    g_object_unref(bus);
    return reply;
}

// Whether the bus starts `name` when it is first called.
inline bool bus_can_start(const char* name) {
    GVariant* reply = ask_bus("ListActivatableNames", nullptr);
    if (reply == nullptr) return false;
    gchar* printed = g_variant_print(reply, FALSE);
    const std::string names(printed);
    g_free(printed);
    g_variant_unref(reply);
    return names.find(std::string("'") + name + "'") != std::string::npos;
}

// What the services the bus starts find in their environment besides its own.
inline void set_activation_environment(const char* variable, const char* value) {
    GVariantBuilder environment;
    g_variant_builder_init(&environment, G_VARIANT_TYPE("a{ss}"));
    g_variant_builder_add(&environment, "{ss}", variable, value);
    if (GVariant* reply = ask_bus("UpdateActivationEnvironment", g_variant_new("(a{ss})", &environment)))
        g_variant_unref(reply);
}

}  // namespace lumo::testing
