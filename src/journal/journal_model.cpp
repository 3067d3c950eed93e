#include "journal_model.h"

#include "inspector/call_summary.h"
#include "server/conversions.h"
#include "widgets/display_form.h"
#include "widgets/legible.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

namespace vantrel::journal {

namespace {
std::string valueText(const std::optional<Value>& v)
{
    if (!v)
        return {};
    return v->type() == Value::Type::String ? v->asString() : toText(*v);
}

// The bytes a Sent or Result cell shows: what went out, or what came back or the error.
std::string cellBytes(const JournalEntry& e, int column)
{
    if (column == JournalModel::Sent)
        return valueText(e.call.argument);
    return e.errorNumber ? e.errorDescription : valueText(e.call.result);
}

// What the journal left out of a Sent or Result cell's bytes.
std::size_t cellOmitted(const JournalEntry& e, int column)
{
    if (column == JournalModel::Sent)
        return e.argumentOmitted;
    return e.errorNumber ? e.errorOmitted : e.resultOmitted;
}

QString omittedText(std::size_t omitted)
{
    return omitted ? QStringLiteral(" … ") + QString::fromStdString(inspector::omittedNote(omitted)) : QString();
}

QString shortForm(const std::string& bytes, std::size_t omitted)
{
    const bool cut = bytes.size() > static_cast<std::size_t>(JournalModel::kCellLength);
    QString text = toDisplayForm(std::string_view(bytes).substr(0, JournalModel::kCellLength), false);
    if (cut && !omitted)
        text += QStringLiteral("…");
    return text + omittedText(omitted);
}

// The red of an error, legible on the view's ground in a light or a dark theme.
QColor errorColour()
{
    const QColor ground = QApplication::palette().color(QPalette::Base);
    const QColor dark(0xB0, 0x00, 0x20), light(0xFF, 0x8A, 0x80);
    return contrastRatio(dark, ground) >= contrastRatio(light, ground) ? dark : light;
}

QString timeText(long long ms)
{
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000)
        .arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}
} // namespace

JournalModel::JournalModel(CallJournal& journal, QObject* parent) : QAbstractTableModel(parent), m_journal(journal)
{
    m_journal.setListener(this);
}

JournalModel::~JournalModel() { m_journal.setListener(nullptr); }

int JournalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_journal.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString JournalModel::cellText(const JournalEntry& e, int column)
{
    const CallEvent& c = e.call;
    switch (column) {
    case Number: return QString::number(e.number);
    case Time: return timeText(c.atMs);
    case Client: return QString::fromStdString(c.client);
    case Window: return QString::fromStdString(c.window);
    case Control: return QString::fromStdString(c.control);
    case Access: return QString::fromLatin1(accessName(c.access));
    case Member: return QString::fromStdString(c.member);
    case Sent:
        if (!e.argumentNote.empty())
            return QStringLiteral("(%1)").arg(QString::fromStdString(e.argumentNote));
        return shortForm(cellBytes(e, Sent), cellOmitted(e, Sent));
    case Result:
        if (const std::string state = tappedText(e.tapped, e.lostReason); !state.empty())
            return QStringLiteral("(%1)").arg(QString::fromStdString(state));
        return (e.errorNumber ? QStringLiteral("Error %1: ").arg(*e.errorNumber) : QString()) +
               shortForm(cellBytes(e, Result), cellOmitted(e, Result));
    case Duration: return e.tapped == Tapped::Waiting ? QString() : QStringLiteral("%1 ms").arg(c.durationMs);
    default: return {};
    }
}

namespace {
QWidget* windowNamed(const std::string& window)
{
    const QString name = QString::fromStdString(window);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            return w;
    return nullptr;
}
} // namespace

QString JournalModel::windowCaption(const std::string& window)
{
    const QWidget* w = windowNamed(window);
    if (!w || w->windowTitle().isEmpty())
        return QString::fromStdString(window);
    // The main window's title ends with the date it started: the name is enough.
    const QString title = w->windowTitle();
    const auto dated = title.indexOf(QStringLiteral("  ("));
    return dated > 0 ? title.left(dated) : title;
}

QString JournalModel::controlCaption(const std::string& window, const std::string& control)
{
    if (const QWidget* w = windowNamed(window))
        if (const auto* c = w->findChild<QWidget*>(QString::fromStdString(control)); c && !c->accessibleName().isEmpty())
            return c->accessibleName();
    return QString::fromStdString(control);
}

QString JournalModel::caption(const JournalEntry& e, int column) const
{
    const std::string& name = column == Window ? e.call.window : e.call.control;
    if (name.empty())
        return {};
    const QString key = QString::fromStdString(e.call.window + (column == Window ? std::string() : "/" + name));
    if (const auto it = m_captions.constFind(key); it != m_captions.constEnd())
        return *it;
    const QString found = column == Window ? windowCaption(e.call.window) : controlCaption(e.call.window, name);
    if (found != QString::fromStdString(name)) // a window made later may still name it
        m_captions.insert(key, found);
    return found;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const JournalEntry& e = entry(index.row());
    const bool named = index.column() == Window || index.column() == Control;
    if (role == Qt::DisplayRole)
        return named ? caption(e, index.column()) : cellText(e, index.column());
    if (role == Qt::ToolTipRole && named) // the object name, as scripts and traces write it
        return cellText(e, index.column());
    if (role == Qt::ToolTipRole && (index.column() == Sent || index.column() == Result)) {
        // The bytes kept, in display form, up to a screenful, and what was not kept.
        const std::string bytes = cellBytes(e, index.column());
        QString tip = toDisplayForm(std::string_view(bytes).substr(0, 4000));
        if (bytes.size() > 4000)
            tip += QStringLiteral("…");
        return tip + omittedText(cellOmitted(e, index.column()));
    }
    if (role == Qt::ForegroundRole && (e.errorNumber || e.tapped == Tapped::ReplyLost || e.tapped == Tapped::ClientGone))
        return errorColour();
    if (role == Qt::FontRole && index.column() == Result && !tappedText(e.tapped, e.lostReason).empty()) {
        QFont font;
        font.setItalic(true);
        return font;
    }
    if (role == Qt::TextAlignmentRole && (index.column() == Number || index.column() == Duration))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const names[] = {"#",      "Time",   "Took",   "Client", "Window",
                                        "Control", "Access", "Member", "Sent",   "Result"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

void JournalModel::rowsAdded(std::size_t first, std::size_t count)
{
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
    endInsertRows();
}

void JournalModel::rowsDropped(std::size_t count)
{
    beginRemoveRows({}, 0, static_cast<int>(count) - 1);
    endRemoveRows();
}

void JournalModel::rowChanged(std::size_t row)
{
    emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), ColumnCount - 1));
}

void JournalModel::cleared()
{
    beginResetModel();
    endResetModel();
}

void JournalFilter::setMember(const QString& member)
{
    m_member = member;
    invalidateFilter();
}

void JournalFilter::setClient(const std::optional<std::string>& client)
{
    m_client = client;
    invalidateFilter();
}

void JournalFilter::setText(const QString& text)
{
    m_text = toBytes(text).value_or(text.toStdString());
    invalidateFilter();
}

bool JournalFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    const auto* model = static_cast<const JournalModel*>(sourceModel());
    const JournalEntry& e = model->entry(sourceRow);
    if (!m_member.isEmpty() && QString::fromStdString(e.call.member) != m_member)
        return false;
    if (m_client && e.call.client != *m_client)
        return false;
    if (m_text.empty())
        return true;
    auto holds = [&](std::string_view text) { return text.find(m_text) != std::string_view::npos; };
    // String values are searched where they lie: the filter runs over every row.
    auto holdsValue = [&](const std::optional<Value>& v) {
        return v && (v->type() == Value::Type::String ? holds(v->asString()) : holds(toText(*v)));
    };
    return holds(e.call.member) || holds(e.call.client) || holds(e.call.window) || holds(e.call.control) || holdsValue(e.call.argument) ||
           holdsValue(e.call.result) || holds(e.errorDescription);
}

} // namespace vantrel::journal
