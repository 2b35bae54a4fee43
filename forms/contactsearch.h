// The main window's search: the search box, the "Match case" box and the magnifier button,
// the search over the names of the listed contacts and the results dialog it opens.
#pragma once

#include "tools/contactlistmodel.h"

#include <QObject>
#include <string_view>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class ContactList;

// True when `needle` occurs as a run of bytes in `name`. Without `matchCase` the 26 ASCII
// capitals of the name are taken as small letters (the needle is folded already); every
// other byte, the code page's accented capitals included, stays as it is.
bool NameContains(std::string_view name, std::string_view needle, bool matchCase);

class ContactSearch : public QObject {
    Q_OBJECT
public:
    ContactSearch(QWidget* window, const Ui::mainform& ui, ContactList& list);
    ~ContactSearch() override;

    // Searches for the search box's text, matching case as the box says: the magnifier
    // button, F2 and Enter in the search box.
    void start();
    // Looks for `text` in the names of the list's contacts, in the list's order, and shows
    // the results dialog or tells that nothing was found. A contact chosen there becomes
    // the list's selected contact.
    void search(const QString& text, bool matchCase);

protected:
    // Enter in the search box starts the search; other keys are left to the box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ContactSerials find(const QString& searchText, bool matchCase) const;

    QWidget* window_;
    QLineEdit* searchEdit_;
    QCheckBox* matchCaseBox_;
    ContactList& list_;
};

} // namespace quenlark
