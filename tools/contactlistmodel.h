// A list of contacts for a list view. Each row is one contact of the engine's index, shown
// by its name: the name is what the view draws, what type-ahead finds and what a screen
// reader says. The contact's serial and handle are data of the row.
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <cstdint>

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
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // Every contact of the index, in file order.
    void showWholeIndex();
    // These contacts, in this order; serials that name no contact are left out.
    void setContacts(const ContactSerials& serials);
    ContactSerials contacts() const;
    // Adds the contact at the end.
    void append(quint64 serial);
    // Adds, in order, each of `serials` that the list does not hold yet. Takes time in
    // proportion to the two lists' lengths. Returns how many were added.
    int appendMissing(const ContactSerials& serials);
    bool contains(quint64 serial) const;

    quint64 serialAt(int row) const;
    // The index entry of the row, or nullptr for a row outside the list.
    const ContactIndexEntry* entryAt(int row) const;
    // The first row holding the contact, or -1.
    int rowOf(quint64 serial) const;

private:
    struct Row {
        quint64 serial;
        QString name;
    };
    bool makeRow(quint64 serial, Row& row) const;

    const AddressBookEngine& engine_;
    QList<Row> rows_;
};

} // namespace quenlark
