// The utility's manual inside the utility: the README and the documents of
// docs/ rendered from their Markdown, with the links between them followed
// in the window, so help works where no viewer for .md files is installed.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

class QLabel;
class QTextBrowser;

namespace vantrel {

// Where the documentation is looked for, in order: the source tree when run
// from the build folder, then the installed copy (README.md and docs/ under
// /usr/share/doc/vantrel-test).
QStringList documentationRoots();

// The first root holding `relative` ("README.md", "docs/scripts.md"), as a
// full path; empty when none does.
QString findDocument(const QStringList& roots, const QString& relative);

// What a click on a link of a shown document does.
struct HelpLink {
    enum class Kind { Show, OpenOutside, Missing };
    Kind kind = Kind::Missing;
    QUrl url;     // Show: the local document (with its fragment); OpenOutside: the link itself
    QString text; // Missing: why nothing is shown
};
// `link` as written in the document shown from `current` (a local file).
HelpLink followLink(const QUrl& current, const QUrl& link);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QStringList roots = documentationRoots(), QWidget* parent = nullptr);

    // Shows a document by its path below a root ("docs/scripts.md"); when no
    // root holds it, says so in the window.
    void showDocument(const QString& relative);
    QTextBrowser* browser() const { return m_browser; }
    QString message() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void follow(const QUrl& link);

    QStringList m_roots;
    QTextBrowser* m_browser = nullptr;
    QLabel* m_message = nullptr;
};

} // namespace vantrel
