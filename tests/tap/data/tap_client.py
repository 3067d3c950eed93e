#!/usr/bin/python3
# A client of Vantrel.Application written with python3-dbus, nothing of
# ours: it makes the calls named on its command line the contract's way,
# prints its unique name and process id, and stays on the bus until its
# standard input closes, so that a tap can ask the bus who it is.
#
#   tap_client.py ADDRESS [CALL...]     CALL one of:
#     put:MEMBER:TEXT      Properties.Set with TEXT's bytes as "ay" (\r \n \0 escapes)
#     get:MEMBER[:N]       a call of MEMBER, with the 16-bit N as its argument
#     call:MEMBER          the same, asking for no reply
#     burst:N              N puts of WindowControl and N gets of QueCountQuery
#     pause                waits for a line on its standard input
import os
import sys

import dbus

NAME = "Vantrel.Application"


def unescape(text):
    return text.encode("latin-1").decode("unicode_escape").encode("latin-1")


def main():
    bus = dbus.bus.BusConnection(sys.argv[1])
    server = bus.get_object(NAME, "/Vantrel/Application", introspect=False)
    properties = dbus.Interface(server, "org.freedesktop.DBus.Properties")
    print(bus.get_unique_name(), os.getpid(), flush=True)
    for call in sys.argv[2:]:
        kind, _, rest = call.partition(":")
        member, _, value = rest.partition(":")
        try:
            if kind == "pause":
                sys.stdin.readline()
            elif kind == "put":
                data = dbus.ByteArray(unescape(value))
                properties.Set(NAME, member, dbus.Array(data, signature="y", variant_level=1), signature="ssv")
            elif kind == "get":
                args = [dbus.Int16(int(value), variant_level=1)] if value else []
                server.get_dbus_method(member, NAME)(*args, signature="v" * len(args))
            elif kind == "call":
                message = dbus.lowlevel.MethodCallMessage(NAME, "/Vantrel/Application", NAME, member)
                message.set_no_reply(True)
                bus.send_message(message)
            elif kind == "burst":
                visible = dbus.Array(dbus.ByteArray(b"Visible\r\n\0"), signature="y", variant_level=1)
                for _ in range(int(member)):
                    properties.Set(NAME, "WindowControl", visible, signature="ssv")
                    server.get_dbus_method("QueCountQuery", NAME)()
        except dbus.DBusException as error:
            print("error", error.get_dbus_name(), flush=True)
    print("done", flush=True)
    sys.stdin.read()


main()
