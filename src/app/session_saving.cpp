#include "session_saving.h"

#include "session_files.h"
#include "trace_writer.h"

#include "journal/call_journal.h"
#include "journal/session_recorder.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vantrel {

bool saveSessionTo(const QString& path, const SaveSources& sources, QString& reason)
{
    std::string why;
    if (!sources.recorder || !saveSessionScript(path.toStdString(), *sources.recorder,
                                                sessionHeader(sources.serverDescription), sources.masked, why)) {
        reason = QString::fromStdString(sources.recorder ? why : "no session is recorded");
        return false;
    }
    return true;
}

bool saveJournalTo(const QString& path, const SaveSources& sources, QString& reason)
{
    std::string why;
    if (!sources.journal || !writeJournalTrace(path.toStdString(), *sources.journal,
                                               traceStart(sources.serverDescription, sources.masked), why)) {
        reason = QString::fromStdString(sources.journal ? why : "no journal is kept");
        return false;
    }
    return true;
}

std::optional<QString> chooseAndSaveSession(QWidget* parent, const SaveSources& sources)
{
    const QString path = QFileDialog::getSaveFileName(parent, "Save session as script", "session.vts",
                                                      "Session scripts (*.vts);;All files (*)");
    if (path.isEmpty())
        return std::nullopt;
    if (sources.recorder && sources.recorder->typedCardNumber() &&
        QMessageBox::warning(parent, "Save session as script",
                             "Text typed in this session holds digits that look like a card number.\n\n"
                             "The script keeps what was typed as it was typed, so that it sends the same again; "
                             "what the server returned is masked.\n\nSave the script with the typed text?",
                             QMessageBox::Save | QMessageBox::Cancel) != QMessageBox::Save)
        return std::nullopt;
    QString reason;
    if (!saveSessionTo(path, sources, reason)) {
        QMessageBox::warning(parent, "Save session as script", "The script cannot be saved to " + path + ": " + reason);
        return std::nullopt;
    }
    return "session saved as " + QFileInfo(path).fileName();
}

std::optional<QString> chooseAndSaveJournal(QWidget* parent, const SaveSources& sources)
{
    const QString path = QFileDialog::getSaveFileName(parent, "Save journal as trace", "journal.jsonl",
                                                      "Traces (*.jsonl);;All files (*)");
    if (path.isEmpty())
        return std::nullopt;
    QString reason;
    if (!saveJournalTo(path, sources, reason)) {
        QMessageBox::warning(parent, "Save journal as trace", "The trace cannot be saved to " + path + ": " + reason);
        return std::nullopt;
    }
    return QStringLiteral("journal saved as %1 (%2 calls)").arg(QFileInfo(path).fileName()).arg(sources.journal->size());
}

} // namespace vantrel
