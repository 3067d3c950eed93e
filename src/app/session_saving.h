// Saving the run from the File menu: the session as a script and the call
// journal as a trace, with the warning a typed card number calls for and a
// message box naming the reason when the file cannot be written.
#pragma once

#include <QString>

#include <optional>
#include <string>

class QWidget;

namespace vantrel {

namespace journal {
class CallJournal;
class SessionRecorder;
} // namespace journal

// What is saved, and how: the session's recorder, the run's journal (either
// may be missing), the server the run talks to, and whether cardholder data
// is masked.
struct SaveSources {
    const journal::SessionRecorder* recorder = nullptr;
    const journal::CallJournal* journal = nullptr;
    std::string serverDescription;
    bool masked = true;
};

// Saving without dialogs: false, with the reason, when the file cannot be written.
bool saveSessionTo(const QString& path, const SaveSources& sources, QString& reason);
bool saveJournalTo(const QString& path, const SaveSources& sources, QString& reason);

// Asks where to save, warns first when typed text looks like a card number
// (the script keeps it as typed), and tells why a file cannot be written.
// The note for the status line when the file was saved; nothing when it was
// not (cancelled, or it could not be written).
std::optional<QString> chooseAndSaveSession(QWidget* parent, const SaveSources& sources);
std::optional<QString> chooseAndSaveJournal(QWidget* parent, const SaveSources& sources);

} // namespace vantrel
