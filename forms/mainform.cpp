#include "forms/mainform.h"

#include "forms/bookmessages.h"

#include "controls/altkeyguard.h"
#include "controls/dropdownlist.h"
#include "controls/owneractivation.h"
#include "controls/quenlarkcolour.h"
#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "controls/quenlarkweblink.h"
#include "forms/backupcommands.h"
#include "forms/contactcommands.h"
#include "forms/contacteditor.h"
#include "forms/contactlist.h"
#include "forms/contactsearch.h"
#include "forms/databasestart.h"
#include "forms/dialogstyle.h"
#include "forms/keybindings.h"
#include "forms/linkcommands.h"
#include "forms/skinnedframe.h"
#include "forms/windowcommands.h"
#include "forms/windowoptions.h"
#include "resources/bitmaps.h"
#include "tools/addressbook.h"
#include "tools/commontools.h"
#include "ui_mainform.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>

namespace quenlark {

namespace {

// The country list's items; it shows as many at once as the layout says.
constexpr int kCountryItemHeight = 13;

// A rule of the layout: a rectangle filled with one system colour.
void fillWith(QWidget* widget, int systemColour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, SystemColour(systemColour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// What the layout leaves to the code: colours, label sizes, names for screen readers, the
// country list and icons.
void finishLayout(QWidget* window, const Ui::mainform& ui) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, SystemColour(COLOR_BTNFACE));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setFixedSize(window->size());
    CentreOnScreen(window);

    for (QWidget* rule : {ui.listRule, ui.bottomBarRule, ui.searchRule, ui.linkBarRule})
        fillWith(rule, COLOR_BTNTEXT);
    // Labels size themselves to their text and paint their own background, so a label
    // over a frame line (the details heading over the details frame) hides the line.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue; // a picture
        const QFontMetrics metrics(label->font());
        label->resize(metrics.horizontalAdvance(label->text()), metrics.height());
        label->setAutoFillBackground(true);
    }

    NameControlsByTheirLabels(window);

    for (int i = 0; i < kCountryCount; ++i)
        ui.countryBox->addItem(CountryName(i));
    SetUpDropDownList(ui.countryBox, kCountryItemHeight);

    ui.reportButton->SetIcon(LoadResourceBitmap(QStringLiteral("ICON_PRINTER")));
    ui.searchButton->SetIcon(LoadResourceBitmap(QStringLiteral("ICON_SEARCH")));
    ui.infoButton->SetIcon(LoadResourceBitmap(QStringLiteral("ICON_INFO")));
}

} // namespace

Tmainform::Tmainform(AddressBookEngine& engine, SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui_(std::make_unique<Ui::mainform>()),
      book_(std::make_unique<AddressBook>(engine)) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    finishLayout(this, *ui_);
    new AltKeyGuard(this);
    new OwnerActivation(this);

    frame_ = std::make_unique<SkinnedFrame>(this, *ui_);
    list_ = std::make_unique<ContactList>(this, *ui_, *book_);
    editor_ = std::make_unique<ContactEditor>(this, *ui_);
    options_ = std::make_unique<WindowOptions>(this, settings);
    contacts_ =
        std::make_unique<ContactCommands>(this, *book_, *list_, *editor_, options_->values());
    search_ = std::make_unique<ContactSearch>(this, *ui_, *list_);
    links_ = std::make_unique<LinkCommands>(this, *ui_, *list_, *editor_);
    backup_ = std::make_unique<BackupCommands>(this, *ui_, *book_, *list_);
    commands_ = std::make_unique<WindowCommands>(
        this, *ui_,
        WindowCommands::Parts{*book_, settings, *list_, *editor_, *contacts_, *links_, *options_});
    keys_ = std::make_unique<KeyBindings>(
        this, *ui_, KeyBindings::Commands{*contacts_, *search_, *links_, *commands_});

    ContactCommands* contacts = contacts_.get();
    connect(ui_->addButton, &TQuenlarkStdButton::clicked, contacts, &ContactCommands::add);
    connect(ui_->modifyButton, &TQuenlarkStdButton::clicked, contacts, &ContactCommands::modify);
    connect(ui_->deleteButton, &TQuenlarkStdButton::clicked, contacts, &ContactCommands::remove);
    connect(list_->deleteItem(), &QAction::triggered, contacts, &ContactCommands::remove);
    connect(ui_->selectNothingLink, &TQuenlarkWebLink::clicked, contacts,
            &ContactCommands::selectNothing);
    connect(book_.get(), &AddressBook::savedWithWarning, this,
            [this](const QString& why) { TellSavedWithWarning(this, why); });

    startUp();
}

Tmainform::~Tmainform() {
    book_->close();
}

void Tmainform::startUp() {
    if (!OpenDatabaseAtStart(*book_, this))
        return;
    // The list shows the file's contacts, none selected, the panel empty and the focus in
    // the name box. A large book takes a moment to read.
    {
        const AddressBook::ShowProgress progress(*book_, nullptr,
                                                 QStringLiteral("Reading the address book..."));
        book_->reload();
    }
    // From now on the caption follows the application's activation as well.
    connect(qApp, &QGuiApplication::applicationStateChanged, frame_.get(),
            [frame = frame_.get()](Qt::ApplicationState state) {
                frame->setActive(state == Qt::ApplicationActive);
            });
    ui_->programIcon->setPixmap(ApplicationIcon().pixmap(32, 32));
    options_->load();
    startedUp_ = true;
}

void Tmainform::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && frame_)
        frame_->setActive(isActiveWindow());
    QWidget::changeEvent(event);
}

const ContactIndexEntry* Tmainform::selectedContact() const {
    return list_->selectedContact();
}

const OptionValues& Tmainform::options() const {
    return options_->values();
}

bool Tmainform::emailRequirementMet() const {
    return contacts_->emailRequirementMet();
}

void Tmainform::addContact() {
    contacts_->add();
}

void Tmainform::modifyContact() {
    contacts_->modify();
}

void Tmainform::deleteContact() {
    contacts_->remove();
}

void Tmainform::selectNothing() {
    contacts_->selectNothing();
}

void Tmainform::startSearch() {
    search_->start();
}

void Tmainform::searchContacts(const QString& text, bool matchCase) {
    search_->search(text, matchCase);
}

void Tmainform::sortContacts(Qt::SortOrder order) {
    list_->sortByName(order);
}

void Tmainform::sendMail() {
    links_->sendMail();
}

void Tmainform::sendSecondMail() {
    links_->sendSecondMail();
}

void Tmainform::openWebSite() {
    links_->openWebSite();
}

bool Tmainform::openLink(const QString& link) {
    return links_->openLink(link);
}

void Tmainform::saveBackup() {
    backup_->save();
}

void Tmainform::restoreBackup() {
    backup_->restore();
}

} // namespace quenlark
