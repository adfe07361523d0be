#!/usr/bin/python3
"""A stand-in for the desktop's file manager, for lumo's tests.

Owns org.freedesktop.FileManager1 on the session bus (the test's bus starts
it when first called) and answers ShowItems as Nautilus, Dolphin and others
do, appending each call's URIs, one line per call, to
$LUMO_FAKE_FILE_MANAGER_DIR/shown.
"""
import os
import sys

from gi.repository import Gio, GLib

NAME = "org.freedesktop.FileManager1"
FOLDER = os.environ["LUMO_FAKE_FILE_MANAGER_DIR"]

MANAGER = Gio.DBusNodeInfo.new_for_xml("""
<node>
  <interface name="org.freedesktop.FileManager1">
    <method name="ShowItems">
      <arg type="as" direction="in"/><arg type="s" direction="in"/>
    </method>
  </interface>
</node>""").interfaces[0]


def on_call(connection, sender, path, interface, method, parameters, invocation):
    with open(os.path.join(FOLDER, "shown"), "a", encoding="utf-8") as out:
        out.write(" ".join(parameters.get_child_value(0).get_strv()) + "\n")
    invocation.return_value(None)


def main():
    connection = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    connection.register_object("/org/freedesktop/FileManager1", MANAGER, on_call, None, None)
    loop = GLib.MainLoop()
    Gio.bus_own_name_on_connection(connection, NAME, Gio.BusNameOwnerFlags.NONE, None, lambda *_: loop.quit())
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
