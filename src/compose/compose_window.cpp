#include "compose_window.h"

#include "value_editor.h"

#include "inspector/call_summary.h"
#include "inspector/marked_text.h"
#include "inspector/record_inspector.h"
#include "server/ascii_text.h"
#include "session/raw_call.h"
#include "session/session.h"
#include "widgets/form.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace vantrel::compose {

namespace {

constexpr Access kAccesses[] = {Access::Put, Access::Get, Access::Call};
constexpr std::size_t kKeptBytes = std::size_t(1) << 20;

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A field whose text cannot be sent wears the problem colours; the reason is in the line under the editor.
void markField(QWidget* field, bool bad) { field->setStyleSheet(bad ? problemStyle() : QString()); }

QComboBox* makeList(const char* name, const QString& said)
{
    auto* list = new QComboBox;
    list->setObjectName(name);
    list->setAccessibleName(said);
    return list;
}

} // namespace

ComposeWindow::ComposeWindow(Session& session, QWidget* parent) : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName("ComposeWindow");
    setWindowTitle(QStringLiteral("Compose a call"));
    resize(960, 680);

    m_member = makeList("member", QStringLiteral("Member"));
    m_member->setEditable(true);
    m_member->setInsertPolicy(QComboBox::NoInsert);
    m_member->setMinimumContentsLength(28);
    m_member->lineEdit()->setPlaceholderText(QStringLiteral("Member name"));
    m_kind = makeList("kind", QStringLiteral("Kind of call"));
    for (const Access access : kAccesses)
        m_kind->addItem(QString::fromLatin1(accessName(access)));
    m_type = makeList("type", QStringLiteral("Type of the value"));
    for (const Value::Type type : kValueTypes)
        m_type->addItem(QString::fromStdString(valueTypeName(type)));
    auto* head = new QHBoxLayout;
    const auto labelled = [head](const QString& caption, QWidget* field, int stretch) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        head->addWidget(label);
        head->addWidget(field, stretch);
    };
    labelled(QStringLiteral("&Member:"), m_member, 3);
    labelled(QStringLiteral("&Kind:"), m_kind, 0);
    labelled(QStringLiteral("T&ype:"), m_type, 0);

    m_editor = new ValueEditor([this] { check(); });
    m_typed = new QLineEdit;
    m_typed->setObjectName("typedValue");
    m_typed->setAccessibleName(QStringLiteral("Value"));
    m_valueStack = new QStackedWidget;
    m_valueStack->addWidget(m_editor);
    auto* typedPage = new QWidget;
    auto* typedLayout = new QFormLayout(typedPage);
    typedLayout->addRow(QStringLiteral("&Value:"), m_typed);
    m_valueStack->addWidget(typedPage);

    m_insertByte = new QPushButton(QStringLiteral("&Insert byte\u2026"));
    m_insertByte->setObjectName("insertByte");
    m_insertByte->setToolTip(QStringLiteral("Type any byte, 0 to 255, chosen by name or number, into the Text view"));
    m_problemLine = makeProblemLabel("problemLine");
    auto* problemRow = new QHBoxLayout;
    problemRow->addWidget(m_insertByte);
    problemRow->addWidget(m_problemLine, 1);
    problemRow->addStretch(); // the button keeps its size while the line is hidden

    m_count = new QLabel;
    m_count->setObjectName("byteCount");
    m_previewText = makeByteView("previewText", QStringLiteral("What goes out, as text"));
    m_previewHex = makeByteView("previewHex", QStringLiteral("What goes out, as hex"));
    // Text and hex each take the whole width, as the result's views do, so
    // that a hex line is shown whole.
    auto* preview = new QTabWidget;
    preview->setObjectName("previewViews");
    preview->setAccessibleName(QStringLiteral("What goes out"));
    preview->addTab(m_previewText, QStringLiteral("Text"));
    preview->addTab(m_previewHex, QStringLiteral("Hex"));
    m_previewHex->installEventFilter(this);

    m_send = new QPushButton(QStringLiteral("&Send"));
    m_send->setObjectName("send");
    m_send->setToolTip(QStringLiteral("Send the call (Ctrl+Return)"));
    auto* copyLine = new QPushButton(QStringLiteral("Copy as script line"));
    copyLine->setObjectName("copyScriptLine");
    copyLine->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    copyLine->setToolTip(QStringLiteral("The script line that makes this call (Ctrl+Shift+L)"));
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName("close");
    close->setToolTip(QStringLiteral("Close the window (Esc)"));
    m_note = new QLabel;
    m_note->setObjectName("note");
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_send);
    buttons->addWidget(copyLine);
    buttons->addWidget(m_note, 1);
    buttons->addWidget(close);

    m_result = new ResultView;
    // The problem line stands right under the editor, in its pane.
    auto* editorPage = new QWidget;
    auto* editorLayout = new QVBoxLayout(editorPage);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->addWidget(m_valueStack, 1);
    editorLayout->addLayout(problemRow);
    auto* previewPage = new QWidget;
    auto* previewLayout = new QVBoxLayout(previewPage);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    // The byte count stands beside the view's tabs, so the preview takes no line more than the result.
    preview->setCornerWidget(m_count, Qt::TopRightCorner);
    previewLayout->addWidget(preview, 1);
    auto* body = new QSplitter(Qt::Vertical);
    body->setChildrenCollapsible(false);
    body->addWidget(editorPage);
    body->addWidget(previewPage);
    body->addWidget(m_result);
    body->setStretchFactor(0, 3);
    body->setStretchFactor(1, 2);
    body->setStretchFactor(2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(body, 1);
    layout->addLayout(buttons);

    connect(m_member, &QComboBox::activated, this, &ComposeWindow::memberChosen);
    connect(m_member, &QComboBox::editTextChanged, this, &ComposeWindow::check);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &ComposeWindow::check);
    connect(m_type, &QComboBox::currentIndexChanged, this, &ComposeWindow::typeChanged);
    connect(m_typed, &QLineEdit::textChanged, this, &ComposeWindow::check);
    connect(m_insertByte, &QPushButton::clicked, m_editor, &ValueEditor::pickByte);
    connect(m_send, &QPushButton::clicked, this, &ComposeWindow::send);
    connect(copyLine, &QPushButton::clicked, this, &ComposeWindow::copyScriptLine);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), this);
        connect(shortcut, &QShortcut::activated, this, &ComposeWindow::send);
    }

    m_session.addObserver(this);
    typeChanged();
}

ComposeWindow::~ComposeWindow()
{
    m_session.removeObserver(this);
    // The children go first, while everything they may still tell is alive
    // (a member box that loses its focus as it goes says it was chosen).
    m_closing = true;
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void ComposeWindow::setMembers(std::vector<MemberEntry> members)
{
    m_members = std::move(members);
    const QString typed = m_member->currentText();
    const QSignalBlocker quiet(m_member);
    m_member->clear();
    for (const MemberEntry& m : m_members)
        m_member->addItem(QString::fromStdString(m.name));
    m_member->setCurrentIndex(-1);
    m_member->setEditText(typed);
}

void ComposeWindow::memberChosen(int index)
{
    if (m_closing || index < 0 || static_cast<std::size_t>(index) >= m_members.size())
        return;
    // A listed member brings its kind and type; both can still be changed by hand.
    const MemberEntry& m = m_members[static_cast<std::size_t>(index)];
    m_kind->setCurrentIndex(m.access == Access::Put ? 0 : 1);
    m_type->setCurrentText(QString::fromStdString(valueTypeName(m.type)));
    check();
}

void ComposeWindow::compose(const ComposedCall& call)
{
    const QSignalBlocker quietMember(m_member);
    m_member->setEditText(QString::fromStdString(call.member));
    m_kind->setCurrentIndex(call.access == Access::Put ? 0 : call.access == Access::Get ? 1 : 2);
    {
        const QSignalBlocker quietType(m_type);
        m_type->setCurrentText(QString::fromStdString(valueTypeName(call.type)));
    }
    m_typed->setText(QString::fromStdString(call.typed));
    m_editor->setBytes(call.bytes);
    typeChanged();
}

Value::Type ComposeWindow::chosenType() const
{
    return kValueTypes[static_cast<std::size_t>(std::max(0, m_type->currentIndex()))];
}

Access ComposeWindow::chosenAccess() const
{
    return kAccesses[static_cast<std::size_t>(std::max(0, m_kind->currentIndex()))];
}

ComposedCall ComposeWindow::current() const
{
    ComposedCall call;
    call.access = chosenAccess();
    call.member = m_member->currentText().toStdString();
    call.type = chosenType();
    call.bytes = m_editor->bytes();
    call.typed = m_typed->text().toStdString();
    return call;
}

void ComposeWindow::typeChanged()
{
    const Value::Type type = chosenType();
    m_valueStack->setCurrentIndex(type == Value::Type::String ? 0 : 1);
    m_insertByte->setEnabled(type == Value::Type::String);
    m_typed->setEnabled(type != Value::Type::Empty);
    m_typed->setPlaceholderText(type == Value::Type::Empty ? QStringLiteral("no value")
                                : type == Value::Type::Bool ? QStringLiteral("true or false")
                                                            : QStringLiteral("a number"));
    check();
}

void ComposeWindow::check()
{
    if (m_closing)
        return;
    const ComposedCall call = current();
    std::string problem;
    valueOf(call, problem);
    const bool badMember = !call.member.empty() && !isMemberName(call.member);
    const bool stringValue = call.type == Value::Type::String;
    if (stringValue && !m_editor->ok())
        m_problem = m_editor->problem();
    else
        m_problem = fromUtf8(problem);
    markField(m_member, badMember);
    markField(m_typed, !stringValue && !problem.empty() && !badMember && !call.member.empty());
    m_problemLine->setText(m_problem);
    m_problemLine->setVisible(!m_problem.isEmpty());
    m_send->setEnabled(canSend());
    renderPreview();
}

void ComposeWindow::renderPreview()
{
    const ComposedCall call = current();
    std::string bytes;
    if (call.type == Value::Type::String) {
        bytes = call.bytes;
        m_count->setText(QStringLiteral("Goes out: %1 bytes").arg(QString::fromStdString(inspector::groupDigits(bytes.size()))));
    } else {
        std::string problem;
        const auto value = valueOf(call, problem);
        m_count->setText(value ? QStringLiteral("Goes out: %1 %2").arg(QString::fromStdString(valueTypeName(call.type)),
                                                                     QString::fromStdString(typedText(*value)))
                               : QStringLiteral("Goes out: no value"));
    }
    const std::size_t notShown = bytes.size() > ResultView::kViewBytes ? bytes.size() - ResultView::kViewBytes : 0;
    bytes.resize(bytes.size() - notShown);
    showBytes(m_previewText, m_previewHex, bytes,
              notShown ? QStringLiteral("\n\u2026 %1 more bytes go out, not shown here")
                             .arg(QString::fromStdString(inspector::groupDigits(notShown)))
                       : QString());
}

bool ComposeWindow::send()
{
    check();
    if (!canSend())
        return false;
    const ComposedCall call = current();
    std::string problem;
    const std::optional<Value> value = valueOf(call, problem);
    m_sent.reset();
    m_failure.reset();
    m_sending = true;
    try {
        rawCall(m_session, call.access, call.member, value, objectName().toStdString());
    } catch (const std::invalid_argument& e) {
        m_sending = false;
        setNote(QStringLiteral("Not sent: ") + fromUtf8(e.what()));
        return false;
    }
    m_sending = false;
    if (!m_sent) {
        setNote(QStringLiteral("Not sent: another command is running; send again when it has ended"));
        return false;
    }
    setNote({});
    m_result->showCall(*m_sent, m_failure, m_sentOmitted);
    return true;
}

void ComposeWindow::callMade(const CallEvent& event)
{
    if (!m_sending)
        return;
    inspector::Omitted omitted;
    m_sent = inspector::keepBounded(event, kKeptBytes, omitted);
    m_sentOmitted = event.access == Access::Put ? omitted.argument : omitted.result;
}

void ComposeWindow::callFailed(std::string_view, int number, std::string_view description)
{
    if (m_sending)
        m_failure = ResultView::Failure{number, std::string(description)};
}

void ComposeWindow::errorRaised(int number, std::string_view description)
{
    callFailed({}, number, description);
}

bool ComposeWindow::copyScriptLine()
{
    const ComposedCall call = current();
    std::string problem;
    const auto value = valueOf(call, problem);
    if (!problem.empty() || (call.type == Value::Type::String && !m_editor->ok())) {
        setNote(QStringLiteral("Not copied: ") + (problem.empty() ? m_editor->problem() : fromUtf8(problem)));
        return false;
    }
    const std::string line = rawCallLine(call.access, call.member, value);
    QApplication::clipboard()->setText(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    setNote(QStringLiteral("Copied as a script line"));
    return true;
}

void ComposeWindow::setNote(const QString& note) { m_note->setText(note); }
QString ComposeWindow::note() const { return m_note->text(); }

bool ComposeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_previewHex && event->type() == QEvent::Resize) {
        const int room = m_previewHex->viewport()->width() -
                         2 * static_cast<int>(m_previewHex->document()->documentMargin()) - 4;
        const QFont face = faceForWholeLines(m_previewText->font(), RecordInspector::kHexLineLength, room);
        if (face != m_previewHex->font())
            m_previewHex->setFont(face);
    }
    return QWidget::eventFilter(watched, event);
}

void ComposeWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    // Enter and Return press the focused button, as Space does.
    if (!pressFocusedButtonOnEnter(this, event))
        QWidget::keyPressEvent(event);
}

} // namespace vantrel::compose
