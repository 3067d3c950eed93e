#include "journal_model.h"

#include "inspector/call_summary.h"
#include "server/conversions.h"
#include "widgets/display_form.h"

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
    case Window: return QString::fromStdString(c.window);
    case Control: return QString::fromStdString(c.control);
    case Access: return QString::fromLatin1(accessName(c.access));
    case Member: return QString::fromStdString(c.member);
    case Sent: return shortForm(cellBytes(e, Sent), cellOmitted(e, Sent));
    case Result:
        return (e.errorNumber ? QStringLiteral("Error %1: ").arg(*e.errorNumber) : QString()) +
               shortForm(cellBytes(e, Result), cellOmitted(e, Result));
    case Duration: return QStringLiteral("%1 ms").arg(c.durationMs);
    default: return {};
    }
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const JournalEntry& e = entry(index.row());
    if (role == Qt::DisplayRole)
        return cellText(e, index.column());
    if (role == Qt::ToolTipRole && (index.column() == Sent || index.column() == Result)) {
        // The bytes kept, in display form, up to a screenful, and what was not kept.
        const std::string bytes = cellBytes(e, index.column());
        QString tip = toDisplayForm(std::string_view(bytes).substr(0, 4000));
        if (bytes.size() > 4000)
            tip += QStringLiteral("…");
        return tip + omittedText(cellOmitted(e, index.column()));
    }
    if (role == Qt::ForegroundRole && e.errorNumber)
        return QColor(0xB0, 0x00, 0x20);
    if (role == Qt::TextAlignmentRole && (index.column() == Number || index.column() == Duration))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const names[] = {"#", "Time", "Took", "Window", "Control", "Access", "Member", "Sent", "Result"};
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
    if (m_text.empty())
        return true;
    auto holds = [&](std::string_view text) { return text.find(m_text) != std::string_view::npos; };
    // String values are searched where they lie: the filter runs over every row.
    auto holdsValue = [&](const std::optional<Value>& v) {
        return v && (v->type() == Value::Type::String ? holds(v->asString()) : holds(toText(*v)));
    };
    return holds(e.call.member) || holds(e.call.window) || holds(e.call.control) || holdsValue(e.call.argument) ||
           holdsValue(e.call.result) || holds(e.errorDescription);
}

} // namespace vantrel::journal
