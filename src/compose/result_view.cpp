#include "result_view.h"

#include "inspector/call_summary.h"
#include "inspector/hex_dump.h"
#include "inspector/marked_text.h"
#include "inspector/record_table_model.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vantrel::compose {

namespace {
QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

QString problemStyle()
{
    const MarkColours colours = markColours(inspector::MarkRole::Nul);
    return QStringLiteral("color: %1; background: %2;").arg(colours.text.name(), colours.ground.name());
}

QLabel* makeProblemLabel(const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setStyleSheet(QStringLiteral("QLabel { %1 padding: 2px; }").arg(problemStyle()));
    return label;
}

QPlainTextEdit* makeByteView(const char* name, const QString& said)
{
    auto* view = new QPlainTextEdit;
    view->setObjectName(name);
    view->setAccessibleName(said);
    view->setReadOnly(true);
    view->setUndoRedoEnabled(false);
    view->setTabChangesFocus(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return view;
}

void showBytes(QPlainTextEdit* text, QPlainTextEdit* hex, std::string_view bytes, const QString& tail)
{
    showMarked(text, bytes);
    if (!tail.isEmpty())
        text->appendPlainText(tail);
    std::string dump = inspector::hexDumpText(bytes);
    if (!dump.empty())
        dump.pop_back(); // the view's last line needs no line break after it
    hex->setPlainText(QString::fromLatin1(dump.data(), static_cast<qsizetype>(dump.size())) + tail);
}

ResultView::ResultView(QWidget* parent) : QWidget(parent)
{
    m_header = new QLabel(QStringLiteral("Nothing sent yet"));
    m_header->setObjectName("resultHeader");
    m_header->setTextFormat(Qt::PlainText);
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_error = makeProblemLabel("resultError");
    m_error->hide();

    m_text = makeByteView("resultText", QStringLiteral("Result as text"));
    m_hex = makeByteView("resultHex", QStringLiteral("Result as hex"));
    m_model = new RecordTableModel(this);
    m_table = new QTableView;
    m_table->setObjectName("resultTable");
    m_table->setAccessibleName(QStringLiteral("Result as table"));
    m_table->setModel(m_model);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);
    m_table->horizontalHeader()->setSectionResizeMode(RecordTableModel::Value, QHeaderView::Stretch);
    m_tabs = new QTabWidget;
    m_tabs->setObjectName("resultViews");
    m_tabs->setAccessibleName(QStringLiteral("Views of the result"));
    m_tabs->addTab(m_text, QStringLiteral("Text"));
    m_tabs->addTab(m_hex, QStringLiteral("Hex"));
    m_tabs->addTab(m_table, QStringLiteral("Table"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_header);
    layout->addWidget(m_error);
    layout->addWidget(m_tabs, 1);
}

void ResultView::showCall(const CallEvent& event, const std::optional<Failure>& failure, std::size_t omitted)
{
    const inspector::Omitted left{event.access == Access::Put ? omitted : 0, event.access == Access::Put ? 0 : omitted};
    m_header->setText(fromUtf8(inspector::describeCall(event, left)));
    m_error->setVisible(failure.has_value());
    m_error->setText(failure ? QStringLiteral("Error %1: %2").arg(failure->number).arg(fromUtf8(failure->description))
                             : QString());
    std::string bytes = inspector::shownBytes(event);
    const std::size_t notShown = bytes.size() > kViewBytes ? bytes.size() - kViewBytes : 0;
    bytes.resize(bytes.size() - notShown);
    const QString tail = notShown + omitted ? QStringLiteral("\n\u2026 ") + fromUtf8(inspector::omittedNote(notShown + omitted))
                                            : QString();
    showBytes(m_text, m_hex, bytes, tail);
    m_model->setTable(inspector::readRecordTable(bytes));
}

void ResultView::showNote(const QString& note)
{
    m_header->setText(note);
    m_error->hide();
    m_error->clear();
}

QString ResultView::header() const { return m_header->text(); }
QString ResultView::error() const { return m_error->text(); }

} // namespace vantrel::compose
