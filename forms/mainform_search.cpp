// The main window's search: the search box, the "Match case" box and the magnifier button,
// the search over the names of the listed contacts and the results dialog it opens.
#include "controls/quenlarkspeedbtn.h"
#include "engine/addressbookengine.h"
#include "forms/mainform.h"
#include "forms/searchresults.h"
#include "platform/services.h"
#include "platform/storedtext.h"
#include "platform/uiseam.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStringListModel>
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quenlark {

namespace {

// Only the 26 ASCII capitals are folded; every other byte (the code page's accented
// capitals included) stays as it is.
constexpr char foldByte(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

QString foldText(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() - 'A' + 'a');
    return text;
}

// True when `needle` (already folded unless matchCase) occurs as a run of bytes in `name`.
bool nameContains(std::string_view name, std::string_view needle, bool matchCase) {
    if (needle.empty() || needle.size() > name.size())
        return false;
    if (matchCase)
        return name.find(needle) != std::string_view::npos;
    return std::search(name.begin(), name.end(), needle.begin(), needle.end(),
                       [](char n, char s) { return foldByte(n) == s; }) != name.end();
}

// The index entry a list item's handle names, without building a string for the handle.
// Handles are short runs of decimal digits; anything else names no entry.
const ContactIndexEntry* entryOfItem(const AddressBookEngine& engine, const QString& handle) {
    std::array<char, 24> digits;
    if (handle.isEmpty() || handle.size() > qsizetype(digits.size()))
        return nullptr;
    for (qsizetype i = 0; i < handle.size(); ++i) {
        const char16_t c = handle.at(i).unicode();
        if (c > 0x7f)
            return nullptr;
        digits[std::size_t(i)] = char(c);
    }
    return engine.EntryFromHandle(std::string_view(digits.data(), std::size_t(handle.size())));
}

// Enter in the search box, as a key-down handler of the box.
class SearchBoxKeys : public QObject {
public:
    explicit SearchBoxKeys(Tmainform* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* press = static_cast<QKeyEvent*>(event);
        quint16 key = VirtualKeyFromQt(press->key(), press->modifiers());
        if (key != kVkReturn)
            return false;
        form_->e_searchforKeyDown(watched, key, ShiftStateFromQt(press->modifiers()));
        // The box has no use for Enter; the search has answered it.
        return true;
    }

private:
    Tmainform* form_;
};

} // namespace

void Tmainform::BindSearch() {
    ui_->QuenlarkSpeedBtn2->OnClick = [this](QObject* sender) { go_search_btnClick(sender); };
    ui_->e_searchfor->installEventFilter(new SearchBoxKeys(this));
}

void Tmainform::e_searchforKeyDown(QObject*, quint16& Key, TShiftState) {
    if (Key == kVkReturn)
        go_search_btnClick(ui_->e_searchfor);
}

void Tmainform::go_search_btnClick(QObject*) {
    SearchContacts(ui_->e_searchfor->text(), ui_->match_case->isChecked());
}

void Tmainform::SearchContacts(const QString& text, bool matchCase) {
    const QStringList items = contactsModel_->stringList();
    if (items.isEmpty()) {
        Ui().messageBox(this, QStringLiteral("No records found!"),
                        QStringLiteral("There are no contacts in your address book.  Please add "
                                       "some contacts and try again."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    const QString searchText = matchCase ? text : foldText(text);
    // A text the database cannot hold occurs in no stored name.
    const std::optional<std::string> stored = ToStored(searchText);
    QStringList results;
    if (stored && !stored->empty()) {
        const AddressBookEngine& engine = Engine();
        for (const QString& handle : items) {
            const ContactIndexEntry* entry = entryOfItem(engine, handle);
            if (entry && nameContains(entry->name, *stored, matchCase))
                results.append(handle);
        }
    }
    if (results.isEmpty()) {
        Ui().messageBox(this, QStringLiteral("Search found nothing."),
                        QStringLiteral("There are no entires in your address book that matched "
                                       "your search criteria."),
                        MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    Tsearchresults dialog(this);
    dialog.SetResults(searchText, results);
    dialog.OnDisplay = [this](const QString& handle) { DisplayContact(handle); };
    dialog.exec();
}

void Tmainform::DisplayContact(const QString& handle) {
    QListView* list = ui_->contacts;
    const int row = contactsModel_->stringList().indexOf(handle);
    if (row < 0) {
        list->selectionModel()->clearCurrentIndex();
        list->clearSelection();
    } else {
        const QModelIndex index = contactsModel_->index(row, 0);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        list->scrollTo(index);
    }
    contactsClick(list);
}

} // namespace quenlark
