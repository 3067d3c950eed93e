#include "session_files.h"

#include "journal/session_recorder.h"

#include <QDateTime>
#include <QSaveFile>

namespace vantrel {

std::string sessionHeader(const std::string& server)
{
    return "Session saved by vantrel-test " VANTREL_VERSION " on " +
           QDateTime::currentDateTime().toString(Qt::ISODate).toStdString() + "\nserver: " + server +
           "\nreplay: vantrel-test --script FILE (against the same server state it makes the same calls)";
}

bool saveSessionScript(const std::string& path, const journal::SessionRecorder& recorder, const std::string& header,
                       bool masked, std::string& reason)
{
    const std::string script = recorder.script(header, masked);
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString().toStdString();
        return false;
    }
    if (file.write(script.data(), static_cast<qint64>(script.size())) != static_cast<qint64>(script.size()) ||
        !file.commit()) {
        reason = file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace vantrel
