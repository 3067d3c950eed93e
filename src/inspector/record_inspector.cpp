#include "record_inspector.h"

#include "call_summary.h"
#include "copy_forms.h"
#include "hex_dump.h"
#include "marked_text.h"
#include "record_table_model.h"

#include "journal/call_journal.h"
#include "session/session.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScrollBar>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kPointSize = 13;

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont largeFixedFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(kPointSize);
    return font;
}

QPlainTextEdit* makeView(const char* name, const QString& said, const QFont& font)
{
    auto* view = new QPlainTextEdit;
    view->setObjectName(name);
    view->setAccessibleName(said);
    view->setReadOnly(true);
    view->setUndoRedoEnabled(false);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(font);
    return view;
}

QPushButton* makeCopyButton(const char* name, const QString& caption, const char* keys)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setShortcut(QKeySequence(QString::fromLatin1(keys)));
    button->setToolTip(QStringLiteral("%1 (%2)").arg(caption, button->shortcut().toString(QKeySequence::NativeText)));
    return button;
}

} // namespace

RecordInspector::RecordInspector(Session& session, QWidget* parent) : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName("RecordInspector");
    setWindowTitle(QStringLiteral("Record Inspector"));
    resize(900, 600);

    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(0);
    connect(&m_renderTimer, &QTimer::timeout, this, &RecordInspector::render);

    m_session.addObserver(this);
}

RecordInspector::~RecordInspector() { m_session.removeObserver(this); }

void RecordInspector::setVisible(bool visible)
{
    if (visible)
        makeViews();
    QWidget::setVisible(visible);
}

void RecordInspector::makeViews()
{
    if (viewsMade())
        return;
    const QFont font = largeFixedFont();

    m_header = new QLabel(QStringLiteral("No call yet"));
    m_header->setObjectName("header");
    m_header->setTextFormat(Qt::PlainText);
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont headerFont = font;
    headerFont.setBold(true);
    m_header->setFont(headerFont);

    m_text = makeView("textView", QStringLiteral("Record as text"), font);
    m_hex = makeView("hexView", QStringLiteral("Record as hex"), font);

    m_model = new RecordTableModel(this);
    m_table = new QTableView;
    m_table->setObjectName("tableView");
    m_table->setAccessibleName(QStringLiteral("Record as table"));
    m_table->setModel(m_model);
    m_table->setFont(font);
    m_table->setWordWrap(false);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setSectionResizeMode(RecordTableModel::Value, QHeaderView::Stretch);
    columns->setSectionResizeMode(RecordTableModel::LineEnd, QHeaderView::ResizeToContents);
    columns->setSectionResizeMode(RecordTableModel::Odd, QHeaderView::ResizeToContents);
    m_findings = new QLabel;
    m_findings->setObjectName("findings");
    m_findings->setTextFormat(Qt::PlainText);
    m_findings->setFont(font);
    m_findings->setStyleSheet(QStringLiteral("color: #B00020"));
    auto* tablePage = new QWidget;
    auto* tableLayout = new QVBoxLayout(tablePage);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(m_findings);
    tableLayout->addWidget(m_table);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName("views");
    m_tabs->setAccessibleName(QStringLiteral("Views of the record"));
    m_tabs->addTab(m_text, QStringLiteral("Text"));
    m_tabs->addTab(m_hex, QStringLiteral("Hex"));
    m_tabs->addTab(tablePage, QStringLiteral("Table"));

    auto* asText = makeCopyButton("copyText", QStringLiteral("Copy as text"), "Ctrl+Shift+T");
    auto* asHex = makeCopyButton("copyHex", QStringLiteral("Copy as hex"), "Ctrl+Shift+H");
    auto* asC = makeCopyButton("copyCString", QStringLiteral("Copy as C string"), "Ctrl+Shift+C");
    connect(asText, &QPushButton::clicked, this, &RecordInspector::copyAsText);
    connect(asHex, &QPushButton::clicked, this, &RecordInspector::copyAsHex);
    connect(asC, &QPushButton::clicked, this, &RecordInspector::copyAsCString);
    // Ctrl+Shift+L, as in the journal: Ctrl+Shift+C is the C string's here.
    auto* asLine = makeCopyButton("copyScriptLine", QStringLiteral("Copy as script line"), "Ctrl+Shift+L");
    connect(asLine, &QPushButton::clicked, this, &RecordInspector::copyAsScriptLine);
    m_editButton = makeCopyButton("editAndResend", QStringLiteral("Edit and resend"), "Ctrl+Shift+E");
    m_editButton->setEnabled(static_cast<bool>(m_edit));
    connect(m_editButton, &QPushButton::clicked, this, &RecordInspector::editAndResend);
    m_note = new QLabel(m_copyNote);
    m_note->setObjectName("copyNote");
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_note, 1);
    buttons->addWidget(asText);
    buttons->addWidget(asHex);
    buttons->addWidget(asC);
    buttons->addWidget(asLine);
    buttons->addWidget(m_editButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);
}

void RecordInspector::callMade(const CallEvent& event)
{
    inspector::Omitted omitted;
    m_event = inspector::keepBounded(event, kKeptBytes, omitted);
    m_argumentOmitted = omitted.argument;
    m_resultOmitted = omitted.result;
    m_argumentNote.clear();
    m_failure.reset();
    m_stale = true;
    scheduleRender();
}

void RecordInspector::callFailed(std::string_view, int number, std::string_view description)
{
    // The session reports the failing call through callMade just before.
    m_failure = Failure{number, std::string(description)};
    m_stale = true;
    scheduleRender();
}

void RecordInspector::inspect(const CallEvent& event, std::optional<int> errorNumber, const std::string& errorDescription,
                              std::size_t argumentOmitted, std::size_t resultOmitted, const std::string& argumentNote)
{
    m_argumentNote = argumentNote;
    inspector::Omitted omitted;
    m_event = inspector::keepBounded(event, kKeptBytes, omitted);
    m_argumentOmitted = argumentOmitted + omitted.argument;
    m_resultOmitted = resultOmitted + omitted.result;
    m_failure.reset();
    if (errorNumber)
        m_failure = Failure{*errorNumber, errorDescription};
    m_stale = true;
    scheduleRender();
}

std::string RecordInspector::bytes() const { return m_event ? inspector::shownBytes(*m_event) : std::string(); }

std::size_t RecordInspector::omittedBytes() const
{
    return m_event ? inspector::shownOmitted(*m_event, {m_argumentOmitted, m_resultOmitted}) : 0;
}

QString RecordInspector::header() const
{
    if (!m_event)
        return QStringLiteral("No call yet");
    const inspector::Omitted omitted{m_argumentOmitted, m_resultOmitted};
    return fromUtf8(m_failure ? inspector::describeFailure(*m_event, m_failure->number, m_failure->description, omitted)
                              : inspector::describeCall(*m_event, omitted));
}

void RecordInspector::scheduleRender()
{
    if (isVisible())
        m_renderTimer.start();
}

// A hex line is 78 characters: the face of the hex view is set so that a
// whole line, its text column included, fits the view's width, between 6.5
// points and the inspector's own size.
void RecordInspector::fitHexView()
{
    if (!viewsMade())
        return;
    // The width the page of the views gives the hex view, whether its page is shown or not.
    const int room = m_tabs->contentsRect().width() - 2 * m_hex->frameWidth() -
                     2 * static_cast<int>(m_hex->document()->documentMargin()) -
                     m_hex->verticalScrollBar()->sizeHint().width() - 8;
    const QFont font = faceForWholeLines(m_text->font(), kHexLineLength, room);
    if (font != m_hex->font())
        m_hex->setFont(font);
}

void RecordInspector::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitHexView();
}

void RecordInspector::keyPressEvent(QKeyEvent* event)
{
    // Enter and Return press the focused button, as Space does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (auto* button = qobject_cast<QPushButton*>(focusWidget());
        enter && button && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        button->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RecordInspector::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitHexView();
    if (m_stale)
        render();
}

void RecordInspector::render()
{
    m_renderTimer.stop();
    m_stale = false;
    m_header->setText(header());
    // The views lay out at most kViewBytes; the rest of the kept bytes and
    // what was never kept are named at the end of each.
    std::string shown = bytes();
    const std::size_t notShown = shown.size() > kViewBytes ? shown.size() - kViewBytes : 0;
    shown.resize(shown.size() - notShown);
    const std::size_t omitted = omittedBytes();
    QString tail;
    if (notShown)
        tail += QStringLiteral("\n… %1 more bytes kept but not shown here: the copy buttons take them")
                    .arg(QString::fromStdString(inspector::groupDigits(notShown)));
    if (omitted)
        tail += QStringLiteral("\n… ") + fromUtf8(inspector::omittedNote(omitted));
    showMarked(m_text, shown);
    if (!tail.isEmpty()) {
        QTextCursor end(m_text->document());
        end.movePosition(QTextCursor::End);
        end.insertText(tail, QTextCharFormat());
    }
    std::string hex = inspector::hexDumpText(shown);
    if (!hex.empty())
        hex.pop_back(); // the view's last line needs no line break after it
    m_hex->setPlainText(QString::fromLatin1(hex.data(), static_cast<qsizetype>(hex.size())) + tail);
    inspector::RecordTable table = inspector::readRecordTable(shown);
    if (notShown || omitted)
        table.findings.push_back("the table reads the first " + std::to_string(shown.size()) + " of " +
                                 std::to_string(shown.size() + notShown + omitted) + " bytes");
    QStringList findings;
    for (const std::string& finding : table.findings)
        findings << fromUtf8(finding);
    m_findings->setText(findings.join(QStringLiteral(" · ")));
    m_findings->setVisible(!findings.isEmpty());
    m_model->setTable(std::move(table));
    m_table->resizeColumnToContents(RecordTableModel::Key);
    // A key of binary bytes must not push the value out of sight.
    const int widest = width() / 3;
    if (m_table->columnWidth(RecordTableModel::Key) > widest)
        m_table->setColumnWidth(RecordTableModel::Key, widest);
}

// A partial copy ends with a line that says so, in a form that still pastes:
// a comment after a C string literal.
void RecordInspector::copyAsText() { copy(inspector::copyAsText(bytes()) + partialNote()); }
void RecordInspector::copyAsHex() { copy(inspector::copyAsHex(bytes()) + partialNote()); }

void RecordInspector::copyAsCString()
{
    const std::string note = partialNote();
    copy(inspector::copyAsCString(bytes()) + (note.empty() ? std::string() : " /* " + note.substr(1) + " */"));
}

bool RecordInspector::copyAsScriptLine()
{
    std::string problem;
    const auto line = m_event ? journal::scriptLineOf(*m_event, m_argumentOmitted, m_argumentNote, problem) : std::nullopt;
    tell(line ? QStringLiteral("Copied as a script line")
              : QStringLiteral("Not copied: ") + (m_event ? fromUtf8(problem) : QStringLiteral("no call to copy yet")));
    if (line)
        copy(*line);
    return line.has_value();
}

QString RecordInspector::copyNote() const { return m_copyNote; }

void RecordInspector::tell(const QString& note)
{
    m_copyNote = note;
    if (m_note)
        m_note->setText(m_copyNote);
}

void RecordInspector::setEditAndResend(std::function<void(const CallEvent&)> edit)
{
    m_edit = std::move(edit);
    if (m_editButton)
        m_editButton->setEnabled(static_cast<bool>(m_edit));
}

bool RecordInspector::editAndResend()
{
    if (!m_edit || !m_event) {
        tell(QStringLiteral("Not opened: no call to edit yet"));
        return false;
    }
    if (m_argumentOmitted > 0 || !m_argumentNote.empty()) {
        std::string problem;
        journal::scriptLineOf(*m_event, m_argumentOmitted, m_argumentNote, problem);
        tell(QStringLiteral("Not opened: ") + fromUtf8(problem));
        return false;
    }
    tell({});
    m_edit(*m_event);
    return true;
}

std::string RecordInspector::partialNote() const
{
    const std::size_t omitted = omittedBytes();
    return omitted ? "\n... " + inspector::omittedNote(omitted) : std::string();
}

void RecordInspector::copy(const std::string& text)
{
    // Every form is Latin-1 text (the C string and hex forms plain ASCII).
    QApplication::clipboard()->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

} // namespace vantrel
