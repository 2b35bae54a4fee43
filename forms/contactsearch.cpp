#include "forms/contactsearch.h"

#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkspeedbtn.h"
#include "engine/addressbookengine.h"
#include "forms/contactlist.h"
#include "forms/searchresults.h"
#include "platform/storedtext.h"
#include "platform/uiseam.h"
#include "ui_mainform.h"

#include <QKeyEvent>
#include <algorithm>
#include <optional>
#include <string>

namespace quenlark {

namespace {

constexpr char foldByte(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Only the 26 ASCII capitals are folded.
QString foldText(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() - u'A' + u'a');
    return text;
}

} // namespace

bool NameContains(std::string_view name, std::string_view needle, bool matchCase) {
    if (needle.empty() || needle.size() > name.size())
        return false;
    if (matchCase)
        return name.find(needle) != std::string_view::npos;
    return std::search(name.begin(), name.end(), needle.begin(), needle.end(),
                       [](char n, char s) { return foldByte(n) == s; }) != name.end();
}

ContactSearch::ContactSearch(QWidget* window, const Ui::mainform& ui, ContactList& list)
    : window_(window), searchEdit_(ui.searchEdit), matchCaseBox_(ui.matchCaseBox), list_(list) {
    connect(ui.searchButton, &TQuenlarkSpeedBtn::clicked, this, &ContactSearch::start);
    searchEdit_->installEventFilter(this);
}

ContactSearch::~ContactSearch() = default;

bool ContactSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched != searchEdit_ || event->type() != QEvent::KeyPress)
        return false;
    const auto* press = static_cast<QKeyEvent*>(event);
    if (VirtualKeyFromQt(press->key(), press->modifiers()) != kVkReturn)
        return false;
    start();
    // The box has no use for Enter; the search has answered it.
    return true;
}

void ContactSearch::start() {
    search(searchEdit_->text(), matchCaseBox_->isChecked());
}

ContactSerials ContactSearch::find(const QString& searchText, bool matchCase) const {
    ContactSerials found;
    // A text the database cannot hold occurs in no stored name.
    const std::optional<std::string> stored = ToStored(searchText);
    if (!stored || stored->empty())
        return found;
    const ContactListModel& model = list_.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        const ContactIndexEntry* entry = model.entryAt(row);
        if (entry && NameContains(entry->name, *stored, matchCase))
            found.append(entry->serial);
    }
    return found;
}

void ContactSearch::search(const QString& text, bool matchCase) {
    if (list_.model().rowCount() == 0) {
        Ui().messageBox(window_, QStringLiteral("No records found!"),
                        QStringLiteral("There are no contacts in your address book.  Please add "
                                       "some contacts and try again."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const QString searchText = matchCase ? text : foldText(text);
    const ContactSerials found = find(searchText, matchCase);
    if (found.isEmpty()) {
        // "entires" is the word the program has always shown.
        Ui().messageBox(window_, QStringLiteral("Search found nothing."),
                        QStringLiteral("There are no entires in your address book that matched "
                                       "your search criteria."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    Tsearchresults dialog(list_.model().engine(), window_);
    dialog.setResults(searchText, found);
    if (dialog.exec() == Tsearchresults::mrOk && dialog.chosenContact())
        list_.choose(*dialog.chosenContact());
}

} // namespace quenlark
