// The main window's small dialogs and commands: "Add contact fast", the about box, the
// View file items, the home page item and Exit with its Escape and Alt+X variant.
#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkstdbutton.h"
#include "forms/aboutbox.h"
#include "forms/addcontactfast.h"
#include "forms/mainform.h"
#include "platform/services.h"
#include "tools/filetools.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QVariant>
#include <exception>

namespace quenlark {

namespace {

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

// The tag of the control or component that sent a command; 0 for senders without one
// (the window itself, menu items, none).
int senderTag(const QObject* sender) {
    return sender ? sender->property("Tag").toInt() : 0;
}

} // namespace

void Tmainform::BindCommands() {
    connect(Addfastitem1, &QAction::triggered, this, [this] { Addfastitem1Click(Addfastitem1); });
    connect(AboutQuenlarkAddressBook241, &QAction::triggered, this,
            [this] { AboutQuenlarkAddressBook241Click(AboutQuenlarkAddressBook241); });
    connect(QuenlarkHomePage1, &QAction::triggered, this,
            [this] { QuenlarkHomePage1Click(QuenlarkHomePage1); });
    for (QAction* item : {infotxt1, licensetxt1, whatsnewtxt1})
        connect(item, &QAction::triggered, this, [this, item] { infotxt1Click(item); });
    ui_->QuenlarkStdButton2->OnClick = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    QuenlarkKeyManager1->OnCancel = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
    QuenlarkKeyManager1->Alt_X = [this](QObject* sender) { QuenlarkStdButton2Click(sender); };
}

void Tmainform::Addfastitem1Click(QObject* Sender) {
    Taddcontactfast dialog(this);
    if (dialog.exec() != Taddcontactfast::mrOk)
        return;
    const Ui::addcontactfast& fast = *dialog.ui();
    Label15Click(Sender);
    ui_->e_name->setText(fast.e_name->text());
    ui_->e_email->setText(fast.e_email->text());
    ui_->e_website->setText(fast.e_website->text());
    if (!fast.noautoadd->isChecked())
        btnAddClick(Sender);
}

void Tmainform::AboutQuenlarkAddressBook241Click(QObject*) {
    Taboutbox box(this);
    QString path;
    try {
        if (const auto stored = Settings().readString(kActiveAddressBookValue))
            path = QFile::decodeName(QByteArray::fromStdString(*stored));
    } catch (const std::exception&) {
        // A value that is not a text names no file: the box stays empty.
    }
    box.ui()->active_address_book->setText(path);
    box.ui()->active_address_book->setCursorPosition(0);
    box.exec();
}

// The maker's home page, through the same routine and failure message as the contact links.
void Tmainform::QuenlarkHomePage1Click(QObject*) {
    OpenLink(latin1(kHomePageAddress));
}

// The file lies beside the executable (or in the installed copy's share folder). The
// launcher takes the path as one argument, so the name needs no quotes to keep its spaces.
// Whether the file could be opened is not looked at.
void Tmainform::infotxt1Click(QObject* Sender) {
    const auto* item = qobject_cast<const QAction*>(Sender);
    if (!item)
        return;
    ShellLaunch(latin1("open"), ProgramDataFile(item->text()));
}

void Tmainform::QuenlarkStdButton2Click(QObject* Sender) {
    if (senderTag(Sender) != 1 && SelectedContact()) {
        Label15Click(Sender);
        return;
    }
    close();
}

} // namespace quenlark
