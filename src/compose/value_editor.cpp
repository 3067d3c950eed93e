#include "value_editor.h"

#include "byte_picker.h"
#include "lines_table.h"

#include "inspector/control_marks.h"
#include "inspector/marked_text.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

namespace vantrel::compose {

namespace {

// The escapes of the Text view that stand for a control byte, in the
// inspector's colour of its mark: CR and LF blue, NUL red, ESC violet.
class EscapeMarks : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override
    {
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != QLatin1Char('\\'))
                continue;
            int byte = -1;
            qsizetype length = 2;
            switch (text[i + 1].unicode()) {
            case u'r': byte = '\r'; break;
            case u'n': byte = '\n'; break;
            case u't': byte = '\t'; break;
            case u'0': byte = 0; break;
            case u'x': {
                bool whole = false;
                const int value = i + 3 < text.size() ? text.mid(i + 2, 2).toInt(&whole, 16) : -1;
                if (whole && !text[i + 2].isSpace() && text[i + 2] != QLatin1Char('+') &&
                    text[i + 2] != QLatin1Char('-')) {
                    byte = value;
                    length = 4;
                }
                break;
            }
            default: break; // "\\" is a backslash, no control byte; other escapes are marked as problems
            }
            if (byte >= 0 && inspector::isControlByte(static_cast<unsigned char>(byte)))
                setFormat(static_cast<int>(i), static_cast<int>(length),
                          markFormat(inspector::markRole(static_cast<unsigned char>(byte))));
            i += length - 1;
        }
    }
};

QPlainTextEdit* makeEdit(const char* name, const QString& said)
{
    auto* edit = new QPlainTextEdit;
    edit->setObjectName(name);
    edit->setAccessibleName(said);
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAnywhere);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(11);
    edit->setFont(font);
    return edit;
}

QString fromU16(const std::u16string& text) { return QString::fromStdU16String(text); }

const char* viewName(ValueEditor::View view)
{
    return view == ValueEditor::TextView ? "Text" : view == ValueEditor::HexView ? "Hex" : "Lines";
}

} // namespace

ValueEditor::ValueEditor(std::function<void()> changed, QWidget* parent) : QWidget(parent), m_changed(std::move(changed))
{
    m_text = makeEdit("textEditor", QStringLiteral("Value as text with escapes"));
    m_text->setPlaceholderText(QStringLiteral("Type the value; \\r \\n \\0 \\x1B \\\\ for control bytes (Enter types \\n)"));
    m_text->installEventFilter(this);
    new EscapeMarks(m_text->document());
    m_hex = makeEdit("hexEditor", QStringLiteral("Value as hex"));
    m_hex->setPlaceholderText(QStringLiteral("Two hexadecimal digits a byte; blanks are ignored"));
    m_lines = new LinesTable([this] { edited(LinesView); });

    m_tabs = new QTabWidget;
    m_tabs->setObjectName("valueViews");
    m_tabs->setAccessibleName(QStringLiteral("Views of the value"));
    m_tabs->addTab(m_text, QStringLiteral("&Text"));
    m_tabs->addTab(m_lines, QStringLiteral("&Lines"));
    m_tabs->addTab(m_hex, QStringLiteral("He&x"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int view) {
        if (view >= 0 && view < ViewCount && m_stale[static_cast<std::size_t>(view)])
            refresh(static_cast<View>(view));
    });
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] { edited(TextView); });
    connect(m_hex, &QPlainTextEdit::textChanged, this, [this] { edited(HexView); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

ValueEditor::~ValueEditor()
{
    // The views go while this editor is whole; what they tell as they go is no edit.
    m_writing = true;
    m_changed = nullptr;
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void ValueEditor::setBytes(const std::string& bytes)
{
    m_bytes = bytes;
    m_problem.clear();
    m_stale.fill(true);
    refresh(static_cast<View>(m_tabs->currentIndex()));
    if (m_changed)
        m_changed();
}

void ValueEditor::edited(View view)
{
    if (m_writing)
        return;
    ReadBytes read;
    std::string problem;
    switch (view) {
    case TextView: read = readText(m_text->toPlainText().toStdU16String()); break;
    case HexView: read = readHex(m_hex->toPlainText().toStdU16String()); break;
    case LinesView:
        if (const auto lines = m_lines->lines(problem)) {
            read.bytes = bytesOf(*lines);
            // A value that reads into other lines (an LF typed into a cell) is shown as it reads.
            if (linesOf(read.bytes) != *lines) {
                m_writing = true;
                m_lines->setLines(linesOf(read.bytes));
                m_writing = false;
            }
        }
        break;
    case ViewCount: return;
    }
    if (view != LinesView)
        markProblems(view == TextView ? m_text : m_hex, read.problems);
    if (!read.ok()) {
        const Problem& first = read.problems.front();
        problem = ", at character " + std::to_string(first.at + 1) + ": " + first.reason;
        if (read.problems.size() > 1)
            problem += " (and " + std::to_string(read.problems.size() - 1) + " more marked)";
    }
    if (!problem.empty()) {
        setProblem(view, QString::fromUtf8(view == LinesView ? problem : viewName(view) + problem));
        return;
    }
    accept(view, std::move(read.bytes));
}

void ValueEditor::setProblem(View, const QString& problem)
{
    m_problem = problem;
    if (m_changed)
        m_changed();
}

void ValueEditor::accept(View source, std::string bytes)
{
    m_bytes = std::move(bytes);
    m_problem.clear();
    for (std::size_t view = 0; view < ViewCount; ++view)
        m_stale[view] = view != static_cast<std::size_t>(source);
    if (const int shown = m_tabs->currentIndex(); shown != source)
        refresh(static_cast<View>(shown));
    if (m_changed)
        m_changed();
}

void ValueEditor::refresh(View view)
{
    m_writing = true;
    switch (view) {
    case TextView:
        m_text->setPlainText(fromU16(textOf(m_bytes)));
        markProblems(m_text, {});
        break;
    case HexView:
        m_hex->setPlainText(fromU16(hexOf(m_bytes)));
        markProblems(m_hex, {});
        break;
    case LinesView: m_lines->setLines(linesOf(m_bytes)); break;
    case ViewCount: break;
    }
    m_writing = false;
    m_stale[static_cast<std::size_t>(view)] = false;
}

void ValueEditor::markProblems(QPlainTextEdit* edit, const std::vector<Problem>& problems)
{
    const MarkColours colours = markColours(inspector::MarkRole::Nul);
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    format.setUnderlineColor(colours.text);
    format.setForeground(colours.text);
    format.setBackground(colours.ground);
    QList<QTextEdit::ExtraSelection> marks;
    for (const Problem& problem : problems) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(static_cast<int>(problem.at));
        cursor.setPosition(static_cast<int>(problem.at + problem.length), QTextCursor::KeepAnchor);
        marks.push_back({cursor, format});
    }
    edit->setExtraSelections(marks);
}

void ValueEditor::insertByte(unsigned char byte)
{
    m_tabs->setCurrentWidget(m_text);
    m_text->insertPlainText(fromU16(textOf(std::string(1, static_cast<char>(byte)))));
    m_text->setFocus();
}

void ValueEditor::pickByte()
{
    if (const auto byte = BytePicker::ask(this))
        insertByte(*byte);
}

bool ValueEditor::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the Text view types an LF: its escape, and a line break for the eye.
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            m_text->insertPlainText(QStringLiteral("\\n\n"));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantrel::compose
