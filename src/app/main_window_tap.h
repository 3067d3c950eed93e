// The site tap in the window: the exchanges another client makes with the
// server, live on its bus (View → Site Tap) or from a capture file (File →
// Open capture…), as rows of the call journal, each with its client, added
// when the call is seen and updated when its reply comes. The messages
// themselves are kept too, the newest kKeptBytes, so that File → Save tap
// as capture… writes them (masked as every file is).
#pragma once

#include "dbus/endpoint.h"
#include "journal/call_journal.h"
#include "tap/site_tap.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

// The journal's form of an exchange the tap saw, its times counted from `startUsec`.
journal::TappedCall tappedCall(const tap::Exchange& exchange, const std::string& client, std::int64_t startUsec);

class TapJournal {
public:
    static constexpr std::size_t kKeptBytes = std::size_t(64) << 20;

    // A live tap of `endpoint`; the rows' times count from `startUsec`
    // (the session's start, so that they stand among the utility's own calls).
    TapJournal(journal::CallJournal& journal, const dbus::Endpoint& endpoint, std::int64_t startUsec);
    // The messages of a capture file, named `source`; times count from its first message.
    TapJournal(journal::CallJournal& journal, const std::string& source, const std::vector<tap::TapMessage>& messages);
    ~TapJournal();

    // Starts watching; false, with the tap's own words in `error`.
    bool start(std::string& error);
    // Ends a live tap: calls still waiting are given up ("the tap ended").
    void stop();
    bool running() const { return m_tap.running(); }

    // "Tapping NAME on BUS: N exchanges, W waiting, K other messages";
    // "Tapped ..." once it ended; "Capture FILE: ..." for a capture.
    QString line() const;
    // The messages outside the contract the tap kept: time, kind, sender, destination, member, detail.
    std::vector<QStringList> otherRows() const;

    // Told at most four times a second while the tap sees messages, and when it ends.
    void onChanged(std::function<void()> changed) { m_changed = std::move(changed); }
    // The bus ended the tap (the reason).
    void onBusEnded(std::function<void(const std::string&)> ended) { m_busEnded = std::move(ended); }

    // The messages kept (the newest kKeptBytes) and what was dropped.
    std::size_t keptMessages() const { return m_kept.size(); }
    std::uint64_t droppedMessages() const { return m_droppedMessages; }
    // Writes the kept messages as pcapng, card data masked unless `masked`
    // is false; false, with the reason, when the file cannot be written.
    bool saveCapture(const std::string& path, bool masked, std::string& reason) const;

private:
    void connectTap();
    void keep(const tap::TapMessage& message);
    void told(const tap::Exchange& exchange, const std::string& client, bool first);
    void changed();

    journal::CallJournal& m_journal;
    tap::SiteTap m_tap;
    std::string m_name, m_bus; // what is tapped, for the line
    std::string m_capture;     // the capture file's name, when it is one
    std::int64_t m_startUsec = 0;
    std::map<std::uint64_t, long long> m_rows; // exchange number -> journal row, while it waits
    std::deque<tap::TapMessage> m_kept;
    std::size_t m_keptBytes = 0;
    std::uint64_t m_droppedMessages = 0;
    QTimer m_changeDelay;
    std::function<void()> m_changed;
    std::function<void(const std::string&)> m_busEnded;
};

} // namespace vantrel
