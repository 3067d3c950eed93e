// What a tap run writes: the line of each exchange on standard output, the
// traffic trace (--trace), the saved session (--save-session) and the
// capture of every message it saw (--capture, pcapng), each file through
// output_file.h and masked unless the run is --trace-unmasked. The live tap
// and the conversion of a capture file (--open-capture) write alike.
#pragma once

#include "journal/card_mask.h"
#include "tap/exchange.h"
#include "tap/tap_message.h"
#include "tap/tap_script.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vantrel {

struct CommandLine;
class OutputFile;
class TraceWriter;

class TapOutputs {
public:
    // `source` names what is watched ("Vantrel.Application at unix:path=..."),
    // `startUsec` when the watching began (the trace's times count from it).
    TapOutputs(const CommandLine& options, std::string source, std::int64_t startUsec);
    ~TapOutputs();

    // Creates the files; false, said on standard error, when one cannot be.
    bool open();
    // A message as it came, into the capture.
    void captured(const tap::TapMessage& message);
    // An exchange that ended: its line, its trace events, its script lines.
    void show(const tap::Exchange& exchange, const std::string& client);
    // An exchange --client left out: its value still tells the masking of
    // the lines and the script what later answers hold.
    void leftOut(const tap::Exchange& exchange);
    // Finishes the files; the run's status, made 1 when one of them could
    // not be written whole (said on standard error).
    int close(int status);

private:
    std::string line(const tap::Exchange& e, const std::string& client);
    std::string shownValue(const Value& v, std::size_t omitted) const;

    const CommandLine& m_options;
    std::string m_source;
    std::int64_t m_startUsec;
    bool m_masked;
    journal::CardMasker m_masker;        // the printed lines'
    journal::CardMasker m_captureMasker; // the capture's
    std::unique_ptr<TraceWriter> m_trace;
    long long m_traceMs = 0;
    std::unique_ptr<OutputFile> m_session;
    tap::TapScript m_script;
    std::unique_ptr<OutputFile> m_capture;
};

// One message as a capture's packet block: its card data masked by
// `masker`, which follows the messages in their order, unless `masked` is false.
std::string capturePacket(const tap::TapMessage& message, bool masked, journal::CardMasker& masker);

// "2026-12-09T10:41:02.118Z" for a time in microseconds since the epoch.
std::string isoTime(std::int64_t usec);

} // namespace vantrel
