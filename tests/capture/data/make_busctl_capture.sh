#!/usr/bin/env bash
# Makes busctl_calls.pcapng: `busctl capture` on a private bus while a small
# stand-in server answers a few calls of the contract (a put of a card
# record, a get answered with a string, one answered with an error, a
# signal). Run again only to renew the file; the expected messages are in
# busctl_calls.expected.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WORK="$(mktemp -d)"
trap 'kill $(cat "$WORK"/pids) 2>/dev/null || true; rm -rf "$WORK"' EXIT

dbus-daemon --session --print-address --fork --print-pid > "$WORK/bus"
ADDR="$(sed -n 1p "$WORK/bus")"
sed -n 2p "$WORK/bus" > "$WORK/pids"

cat > "$WORK/server.py" <<'PY'
import dbus, dbus.service, dbus.mainloop.glib, sys
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])

class Server(dbus.service.Object):
    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ssv", out_signature="")
    def Set(self, interface, member, value):
        self.Changed(dbus.UInt64(1))

    @dbus.service.signal("Vantrel.Simulator", signature="t")
    def Changed(self, version):
        pass

    @dbus.service.method("Vantrel.Application", in_signature="", out_signature="v")
    def CardQue(self):
        return dbus.String("ReaderPosition=07\r\nCardNumber=4761739001010010\r\n", variant_level=1)

    @dbus.service.method("Vantrel.Application", in_signature="v", out_signature="v")
    def ReaderStatus(self, position):
        raise dbus.exceptions.DBusException("Position outside 01 to 32: 40 (card 4761739001010010)",
                                            name="Vantrel.Error.E1003")

name = dbus.service.BusName("Vantrel.Application", bus)
Server(bus, "/Vantrel/Application")
print("ready", flush=True)
GLib.MainLoop().run()
PY
/usr/bin/python3 "$WORK/server.py" "$ADDR" > "$WORK/server.out" & echo $! >> "$WORK/pids"
until grep -q ready "$WORK/server.out"; do sleep 0.1; done

busctl --address="$ADDR" capture --size=134217728 > "$WORK/capture.pcapng" 2>/dev/null & echo $! >> "$WORK/pids"
sleep 1
CALL=(busctl --address="$ADDR" call Vantrel.Application /Vantrel/Application)
RECORD=($(printf 'ReaderPosition=07\r\nT2=4761739001010010D221220111438044F\r\n' | od -An -tu1) 0)
"${CALL[@]}" org.freedesktop.DBus.Properties Set ssv Vantrel.Application PacketQueOutput ay ${#RECORD[@]} "${RECORD[@]}"
"${CALL[@]}" Vantrel.Application CardQue
"${CALL[@]}" Vantrel.Application ReaderStatus v n 40 || true
sleep 1
kill "$(sed -n 3p "$WORK/pids")"
sleep 0.5
cp "$WORK/capture.pcapng" "$HERE/busctl_calls.pcapng"
