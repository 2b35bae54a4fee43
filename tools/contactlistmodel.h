// A list of contacts for a list view. Each row is one contact of the engine's index, shown
// by its name: the name is what the view draws, what type-ahead finds and what a screen
// reader says. The contact's serial and handle are data of the row.
//
// A list that shows the whole index in file order holds nothing of its own: its rows are the
// index's entries, so showing a million contacts, or following a change to them, costs
// next to nothing. Any other list (sorted, chosen or found contacts) holds their serials.
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

namespace quenlark {

class AddressBookEngine;
struct ContactIndexEntry;

// Contacts named by their serials in the engine's current index.
using ContactSerials = QList<quint64>;

class ContactListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        SerialRole = Qt::UserRole + 1, // quint64
        HandleRole,                    // the decimal text of the serial
    };

    explicit ContactListModel(const AddressBookEngine& engine, QObject* parent = nullptr);

    const AddressBookEngine& engine() const { return engine_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Orders the rows by name, compared in the person's language without regard to case;
    // contacts whose names compare alike keep a fixed order, by their handles.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The same, telling `progress` how many of the rows' sort keys are made (false from it
    // is ignored: a sort is not cancelled).
    void sortByName(Qt::SortOrder order, const std::function<void(qint64 done)>& progress);
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // Every contact of the index, in file order.
    void showWholeIndex();
    bool showsWholeIndex() const { return wholeIndex_; }
    // These contacts, in this order; serials that name no contact are left out.
    void setContacts(const ContactSerials& serials);
    ContactSerials contacts() const;
    // Adds the contact at the end.
    void append(quint64 serial);
    // Adds, in order, each of `serials` that the list does not hold yet. Takes time in
    // proportion to the two lists' lengths. Returns how many were added.
    int appendMissing(const ContactSerials& serials);
    bool contains(quint64 serial) const;

    // The engine's index changed, and the list follows it as showing the whole index again
    // would: at once when it shows the whole index, else by showing it.
    void followAppend(int count = 1);
    void followRewrite(int position);
    void followRemoval(int position);

    quint64 serialAt(int row) const;
    // The index entry of the row, or nullptr for a row outside the list.
    const ContactIndexEntry* entryAt(int row) const;
    // The first row holding the contact, or -1.
    int rowOf(quint64 serial) const;

private:
    // Makes the rows a list of serials of their own (before it is reordered or cut).
    void holdSerials();

    const AddressBookEngine& engine_;
    bool wholeIndex_ = false;
    int wholeCount_ = 0; // rows while the list shows the whole index
    QList<quint64> serials_;
};

} // namespace quenlark
