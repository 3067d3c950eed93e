// The call journal as a table for a view: one row per call, its cells made
// when the view asks for them (no widget per row), rows added and dropped
// as the journal tells. The filter keeps rows of one member, of one client
// (or the utility's own), or rows whose text holds a given text. A call
// another client made (the site tap's) names its client and, until its
// reply came, where it stands ("waiting for its reply") in its Result.
#pragma once

#include "call_journal.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSortFilterProxyModel>

#include <optional>
#include <string>

namespace vantrel::journal {

class JournalModel : public QAbstractTableModel, public CallJournal::Listener {
public:
    // What came back is last: it takes the room the window has.
    enum Column { Number, Time, Duration, Client, Window, Control, Access, Member, Sent, Result, ColumnCount };

    explicit JournalModel(CallJournal& journal, QObject* parent = nullptr);
    ~JournalModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const JournalEntry& entry(int row) const { return m_journal.at(static_cast<std::size_t>(row)); }
    CallJournal& journal() { return m_journal; }

    // The cell's text: what went out or came back in display form, cut to
    // kCellLength characters, followed by what the journal did not keep of it.
    static QString cellText(const JournalEntry& entry, int column);
    static constexpr int kCellLength = 200;

    // What the technician sees for a window and a control, by object name:
    // the window's title ("OTHER DEVICES"), the control's caption or
    // accessible name ("GET CODE", "Fueling position 7"); the object name
    // itself for one not (or no longer) on screen.
    static QString windowCaption(const std::string& window);
    static QString controlCaption(const std::string& window, const std::string& control);

    void rowsAdded(std::size_t first, std::size_t count) override;
    void rowsDropped(std::size_t count) override;
    void rowChanged(std::size_t row) override;
    void cleared() override;

private:
    QString caption(const JournalEntry& entry, int column) const;

    CallJournal& m_journal;
    mutable QHash<QString, QString> m_captions; // "window/control" -> caption, once found
};

class JournalFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    // An empty member or text filters nothing.
    void setMember(const QString& member);
    void setText(const QString& text);
    // Nothing: every client; "": the utility's own calls; else the client as the tap names it.
    void setClient(const std::optional<std::string>& client);
    bool filters() const { return !m_member.isEmpty() || !m_text.empty() || m_client.has_value(); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_member;
    std::string m_text; // as bytes, matched against the bytes sent and returned
    std::optional<std::string> m_client;
};

} // namespace vantrel::journal
