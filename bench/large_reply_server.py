#!/usr/bin/python3
# A server of the bench's own on the bus named by DBUS_SESSION_BUS_ADDRESS:
# Vantrel.Application whose CardQue answers with one "ay" of SIZE bytes
# (lines of 62 printable characters ended by CR LF, or with "flat" one line
# of them without a line end; past 64 MiB, the most D-Bus carries in an
# array, a string "s"), for measuring what a large answer costs the
# utility. Usage: large_reply_server.py SIZE [flat]
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

SIZE = int(sys.argv[1])
FLAT = len(sys.argv) > 2 and sys.argv[2] == "flat"
LINE = b"CardData=" + b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopq" + (b"" if FLAT else b"\r\n")


class Application(dbus.service.Object):
    @dbus.service.method("Vantrel.Application", in_signature="", out_signature="v")
    def CardQue(self):
        data = (LINE * (SIZE // len(LINE) + 1))[:SIZE]
        # D-Bus carries at most 64 MiB in one array: a larger answer goes as a string.
        if SIZE > 64 << 20:
            return dbus.String(data.decode("ascii"))
        return dbus.ByteArray(data)


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName("Vantrel.Application", bus)
Application(bus, "/Vantrel/Application")
print("serving", flush=True)
GLib.MainLoop().run()
