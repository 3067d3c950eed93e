#!/usr/bin/python3
# One point-of-sale stand-in for bench/tap_load.sh: COUNT gets of
# QueCountQuery to Vantrel.Application on the bus at ADDRESS, each timed;
# prints the latencies' median in microseconds.
import statistics
import sys
import time

import dbus

bus = dbus.bus.BusConnection(sys.argv[1])
server = bus.get_object("Vantrel.Application", "/Vantrel/Application", introspect=False)
query = server.get_dbus_method("QueCountQuery", "Vantrel.Application")
times = []
for _ in range(int(sys.argv[2])):
    start = time.perf_counter()
    query()
    times.append(time.perf_counter() - start)
print(int(statistics.median(times) * 1e6))
