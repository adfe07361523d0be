#!/usr/bin/python3
"""A stand-in for the XDG desktop portal's file chooser, for lumo's tests.

Owns org.freedesktop.portal.Desktop on the session bus (the test's bus
starts it when first called) and answers OpenFile and SaveFile as the real
portal does: the call returns a Request object's path, then that object's
Response signal, sent to the caller alone, carries the answer.

The test steers it through files in $LUMO_FAKE_PORTAL_DIR:
  answer    read for each call: "0 URI..." (chosen), "1" (cancelled),
            "2" (failed), or "silent" (no answer until Request.Close)
  requests  appended for each call: METHOD<TAB>TITLE<TAB>OPTIONS (GVariant
            text), and "Close<TAB>PATH" when a request is closed
"""
import os
import sys

from gi.repository import Gio, GLib

NAME = "org.freedesktop.portal.Desktop"
FOLDER = os.environ["LUMO_FAKE_PORTAL_DIR"]

CHOOSER = Gio.DBusNodeInfo.new_for_xml("""
<node>
  <interface name="org.freedesktop.portal.FileChooser">
    <method name="OpenFile">
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="SaveFile">
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
  </interface>
</node>""").interfaces[0]
REQUEST = Gio.DBusNodeInfo.new_for_xml("""
<node><interface name="org.freedesktop.portal.Request"><method name="Close"/></interface></node>
""").interfaces[0]


def log(line):
    with open(os.path.join(FOLDER, "requests"), "a", encoding="utf-8") as out:
        out.write(line + "\n")


def respond(connection, sender, handle, registration, words):
    connection.unregister_object(registration)
    code = int(words[0])
    results = {"uris": GLib.Variant("as", words[1:])} if words[1:] else {}
    connection.emit_signal(sender, handle, "org.freedesktop.portal.Request", "Response",
                           GLib.Variant("(ua{sv})", (code, results)))
    return False


def on_request_call(connection, sender, path, interface, method, parameters, invocation):
    log("Close\t" + path)
    connection.unregister_object(pending.pop(path))
    invocation.return_value(None)


pending = {}


def on_chooser_call(connection, sender, path, interface, method, parameters, invocation):
    title = parameters.get_child_value(1).get_string()
    options = parameters.get_child_value(2)
    token = options.lookup_value("handle_token", GLib.VariantType("s")).get_string()
    handle = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"), token)
    registration = connection.register_object(handle, REQUEST, on_request_call, None, None)
    invocation.return_value(GLib.Variant("(o)", (handle,)))
    # Logged once the Request can be closed: the test closes it when it sees this.
    log(method + "\t" + title + "\t" + options.print_(False))
    with open(os.path.join(FOLDER, "answer"), encoding="utf-8") as answer:
        words = answer.read().split()
    if words and words[0] == "silent":
        pending[handle] = registration
    else:
        # After the reply has gone out, as a real dialog's answer comes later.
        GLib.timeout_add(10, respond, connection, sender, handle, registration, words)


def main():
    connection = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    connection.register_object("/org/freedesktop/portal/desktop", CHOOSER, on_chooser_call, None, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(connection, NAME, Gio.BusNameOwnerFlags.NONE, None, lambda *_: loop.quit())
    # The bus going away (the test is over) ends the process too.
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
