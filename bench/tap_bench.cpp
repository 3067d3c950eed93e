// The site tap's decoder: one exchange, a put of a 200-byte display record
// and its reply, from the marshalled messages to the exchange in the
// contract's words (target: under 20 µs).
#include "bench_records.h"

#include "tap/tap_decoder.h"

#include <dbus/dbus.h>

#include <benchmark/benchmark.h>

namespace {

// The message as the bus passes it on: with its sender and serial.
vantrel::tap::TapMessage onTheWire(DBusMessage* message, const char* sender, std::int64_t usec)
{
    dbus_message_set_sender(message, sender);
    dbus_message_set_serial(message, 41);
    char* data = nullptr;
    int size = 0;
    dbus_message_marshal(message, &data, &size);
    vantrel::tap::TapMessage tapped{usec, std::string(data, static_cast<std::size_t>(size))};
    dbus_free(data);
    dbus_message_unref(message);
    return tapped;
}

} // namespace

static void BM_TapDecodePut200(benchmark::State& state)
{
    const std::string record = vantrel::bench::displayRecord200();
    DBusMessage* set = dbus_message_new_method_call("Vantrel.Application", "/Vantrel/Application",
                                                    "org.freedesktop.DBus.Properties", "Set");
    const char* interface = "Vantrel.Application";
    const char* member = "DisplayData";
    dbus_message_append_args(set, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &member, DBUS_TYPE_INVALID);
    DBusMessageIter top, variant, bytes;
    dbus_message_iter_init_append(set, &top);
    dbus_message_iter_open_container(&top, DBUS_TYPE_VARIANT, "ay", &variant);
    dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "y", &bytes);
    const char* data = record.data();
    dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, static_cast<int>(record.size()));
    dbus_message_iter_close_container(&variant, &bytes);
    dbus_message_iter_close_container(&top, &variant);
    dbus_message_set_destination(set, "Vantrel.Application");
    const auto call = onTheWire(set, ":1.42", 1000);
    DBusMessage* done = dbus_message_new(DBUS_MESSAGE_TYPE_METHOD_RETURN);
    dbus_message_set_reply_serial(done, 41);
    dbus_message_set_destination(done, ":1.42");
    const auto reply = onTheWire(done, ":1.1", 1400);

    vantrel::tap::TapDecoder decoder("Vantrel.Application");
    std::size_t bytesKept = 0;
    for (auto _ : state) {
        decoder.feed(call);
        decoder.feed(reply);
        const auto ended = decoder.takeFinished();
        bytesKept += ended.front().argument->asString().size();
    }
    if (bytesKept != record.size() * static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("the put was not decoded whole");
    state.counters["put_bytes"] = static_cast<double>(call.bytes.size());
}
BENCHMARK(BM_TapDecodePut200)->Unit(benchmark::kMicrosecond);
