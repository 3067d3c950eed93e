#include "session_files.h"

#include "output_file.h"

#include "journal/session_recorder.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImageWriter>
#include <QPixmap>
#include <QWidget>

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
    return writeOutputFile(path, recorder.script(header, masked), !masked, reason);
}

bool saveScreenshot(QWidget& widget, const std::string& path, std::string& reason)
{
    QByteArray format = QFileInfo(QString::fromStdString(path)).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format))
        format = "png";
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!widget.grab().save(&buffer, format.constData())) {
        reason = "the picture cannot be made";
        return false;
    }
    return writeOutputFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), false,
                           reason);
}

} // namespace vantrel
