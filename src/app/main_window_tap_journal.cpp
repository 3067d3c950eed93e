#include "main_window_tap.h"

#include "output_file.h"
#include "tap_run_outputs.h"

#include "capture/capture.h"
#include "dbus/bus_channel.h"
#include "journal/card_mask.h"

#include <QDateTime>

namespace vantrel {

namespace {
constexpr int kChangeMs = 250;

journal::Tapped tappedState(tap::ExchangeState state)
{
    using S = tap::ExchangeState;
    switch (state) {
    case S::Waiting: return journal::Tapped::Waiting;
    case S::Answered:
    case S::Failed: return journal::Tapped::Done;
    case S::NoReplyExpected: return journal::Tapped::NoReplyExpected;
    case S::ReplyLost: return journal::Tapped::ReplyLost;
    case S::ClientGone: return journal::Tapped::ClientGone;
    }
    return journal::Tapped::Waiting;
}

QString clockTime(std::int64_t usec)
{
    return QDateTime::fromMSecsSinceEpoch(usec / 1000).toString(QStringLiteral("HH:mm:ss.zzz"));
}
} // namespace

journal::TappedCall tappedCall(const tap::Exchange& e, const std::string& client, std::int64_t startUsec)
{
    journal::TappedCall call;
    call.call = tap::toCallEvent(e, startUsec, client);
    call.state = tappedState(e.state);
    call.errorNumber = e.errorNumber;
    call.errorDescription = e.errorDescription;
    call.lostReason = e.lostReason;
    call.argumentNote = e.argumentNote;
    call.argumentOmitted = e.argumentOmitted;
    call.resultOmitted = e.resultOmitted;
    return call;
}

TapJournal::TapJournal(journal::CallJournal& journal, const dbus::Endpoint& endpoint, std::int64_t startUsec)
    : m_journal(journal), m_tap(endpoint), m_name(endpoint.busName), m_bus(dbus::busDescription(endpoint)),
      m_startUsec(startUsec)
{
    // A bus address's guid says nothing to the technician and takes the line's room.
    if (const auto guid = m_bus.find(",guid="); guid != std::string::npos)
        m_bus.erase(guid, m_bus.find(',', guid + 1) == std::string::npos ? std::string::npos : m_bus.find(',', guid + 1) - guid);
    connectTap();
}

TapJournal::TapJournal(journal::CallJournal& journal, const std::string& source,
                       const std::vector<tap::TapMessage>& messages)
    : m_journal(journal), m_capture(source), m_startUsec(messages.empty() ? 0 : messages.front().usec)
{
    connectTap();
    m_tap.feed(messages);
    m_tap.finish(messages.empty() ? 0 : messages.back().usec);
}

TapJournal::~TapJournal() = default;

void TapJournal::connectTap()
{
    m_changeDelay.setSingleShot(true);
    m_changeDelay.setInterval(kChangeMs);
    QObject::connect(&m_changeDelay, &QTimer::timeout, [this] {
        if (m_changed)
            m_changed();
    });
    m_tap.setListener({[this](const tap::TapMessage& m) { keep(m); },
                       [this](const tap::Exchange& e, const std::string& client, bool first) { told(e, client, first); },
                       {},
                       [this](const std::string& reason) {
                           if (m_busEnded)
                               m_busEnded(reason);
                       }});
}

bool TapJournal::start(std::string& error)
{
    if (m_tap.start())
        return true;
    error = m_tap.error();
    return false;
}

void TapJournal::stop()
{
    if (!m_tap.running())
        return;
    m_tap.finish(tap::SiteTap::nowUsec());
    m_changeDelay.stop();
    if (m_changed)
        m_changed();
}

void TapJournal::keep(const tap::TapMessage& message)
{
    m_kept.push_back(message);
    m_keptBytes += message.bytes.size();
    while (m_keptBytes > kKeptBytes && m_kept.size() > 1) {
        m_keptBytes -= m_kept.front().bytes.size();
        m_kept.pop_front();
        ++m_droppedMessages;
    }
    changed();
}

void TapJournal::told(const tap::Exchange& e, const std::string& client, bool first)
{
    const journal::TappedCall call = tappedCall(e, client, m_startUsec);
    if (first) {
        const long long row = m_journal.addTapped(call);
        if (!e.ended())
            m_rows[e.number] = row;
    } else if (const auto it = m_rows.find(e.number); it != m_rows.end()) {
        m_journal.updateTapped(it->second, call);
        m_rows.erase(it);
    }
    changed();
}

void TapJournal::changed()
{
    if (m_changed && !m_changeDelay.isActive())
        m_changeDelay.start();
}

QString TapJournal::line() const
{
    const auto& d = m_tap.decoder();
    const QString counts = QStringLiteral("%1 exchanges, %2 waiting, %3 other messages")
                               .arg(m_tap.exchangeCount())
                               .arg(d.waitingCount())
                               .arg(d.otherCount());
    if (!m_capture.empty())
        return QStringLiteral("Capture %1: %2").arg(QString::fromStdString(m_capture), counts);
    return QStringLiteral("%1 %2 on %3: %4")
        .arg(m_tap.running() ? QStringLiteral("Tapping") : QStringLiteral("Tapped"), QString::fromStdString(m_name),
             QString::fromStdString(m_bus), counts);
}

std::vector<QStringList> TapJournal::otherRows() const
{
    std::vector<QStringList> rows;
    for (const auto& o : m_tap.decoder().others()) {
        const std::string member = o.interface.empty() ? o.member : o.interface + "." + o.member;
        rows.push_back({clockTime(o.usec), QString::fromStdString(o.kind), QString::fromStdString(o.sender),
                        QString::fromStdString(o.destination), QString::fromStdString(member),
                        QString::fromStdString(o.detail)});
    }
    return rows;
}

bool TapJournal::saveCapture(const std::string& path, bool masked, std::string& reason) const
{
    OutputFile file(path, !masked);
    if (!file.open()) {
        reason = file.error();
        return false;
    }
    file.write(capture::pcapngHeader());
    journal::CardMasker masker; // follows the messages in their order, as the headless tap's capture
    for (const auto& message : m_kept)
        if (!file.write(capturePacket(message, masked, masker)))
            break;
    if (!file.commit()) {
        reason = file.error();
        return false;
    }
    return true;
}

} // namespace vantrel
