#include "forms/windowcommands.h"

#include "controls/quenlarkspeedbtn.h"
#include "controls/quenlarkstdbutton.h"
#include "forms/aboutbox.h"
#include "forms/addcontactfast.h"
#include "forms/contactcommands.h"
#include "forms/contacteditor.h"
#include "forms/contactlist.h"
#include "forms/linkcommands.h"
#include "forms/popupmenus.h"
#include "forms/report.h"
#include "forms/windowoptions.h"
#include "platform/services.h"
#include "platform/settingsstore.h"
#include "tools/addressbook.h"
#include "tools/filetools.h"
#include "ui_mainform.h"

#include <QAction>
#include <QFile>
#include <QMenu>

namespace quenlark {

WindowCommands::WindowCommands(QWidget* window, const Ui::mainform& ui, const Parts& parts)
    : window_(window), parts_(parts) {
    buildInfoMenu(ui);
    connect(parts_.list.addFastItem(), &QAction::triggered, this, &WindowCommands::addContactFast);
    connect(ui.reportButton, &TQuenlarkSpeedBtn::clicked, this,
            &WindowCommands::runReportGenerator);
    TQuenlarkStdButton* exitButton = ui.exitButton;
    connect(exitButton, &TQuenlarkStdButton::clicked, this,
            [this, exitButton] { exit(exitButton->Tag()); });
}

WindowCommands::~WindowCommands() = default;

void WindowCommands::buildInfoMenu(const Ui::mainform& ui) {
    // Its captions are taken as written: the file names are handed on unchanged.
    QMenu* menu = NewOwnerDrawnMenu(window_);
    menu->setObjectName(QStringLiteral("infoMenu"));
    SetMenuCentred(menu, true);
    QAction* about = AddMenuItem(menu, QStringLiteral("&About Quenlark Address Book 2.4"));
    about->setObjectName(QStringLiteral("aboutItem"));
    QAction* homePage = AddMenuItem(menu, QStringLiteral("&Quenlark Home Page"));
    homePage->setObjectName(QStringLiteral("homePageItem"));
    AddMenuSeparator(menu);
    QAction* options = AddMenuItem(menu, QStringLiteral("&Program options"));
    options->setObjectName(QStringLiteral("optionsItem"));
    AddMenuSeparator(menu);
    QMenu* files = AddSubMenu(menu, QStringLiteral("&View file"));
    files->setObjectName(QStringLiteral("viewFileMenu"));
    for (const char* name : {"info.txt", "license.txt", "whats new.txt"}) {
        QAction* item = AddMenuItem(files, QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, [this, item] { viewFile(item->text()); });
    }
    connect(about, &QAction::triggered, this, &WindowCommands::showAbout);
    connect(homePage, &QAction::triggered, this, &WindowCommands::openHomePage);
    connect(options, &QAction::triggered, &parts_.options, &WindowOptions::runDialog);
    ui.infoButton->SetDropDown(menu);
}

void WindowCommands::addContactFast() {
    Taddcontactfast dialog(window_);
    if (dialog.exec() != Taddcontactfast::mrOk)
        return;
    parts_.contacts.selectNothing();
    parts_.editor.setQuickFields(dialog.name(), dialog.email(), dialog.webSite());
    if (dialog.addAtOnce())
        parts_.contacts.add();
}

void WindowCommands::showAbout() {
    Taboutbox box(window_);
    // A value that is not a text, or a store that cannot be read, names no file: the box
    // stays empty.
    QString path;
    if (const auto stored = parts_.settings.findText(kActiveAddressBookValue))
        path = QFile::decodeName(QByteArray::fromStdString(*stored));
    box.setDatabasePath(path);
    box.exec();
}

// The maker's home page, through the same routine and failure message as the contact links.
void WindowCommands::openHomePage() {
    parts_.links.openLink(QString::fromLatin1(kHomePageAddress));
}

// The file lies beside the executable (or in the installed copy's share folder). The
// launcher takes the path as one argument, so the name needs no quotes to keep its spaces.
// Whether the file could be opened is not looked at.
void WindowCommands::viewFile(const QString& name) {
    ShellLaunch(QStringLiteral("open"), ProgramDataFile(name));
}

void WindowCommands::runReportGenerator() {
    RunReportGenerator(parts_.book.engine(), window_);
}

void WindowCommands::exit(int senderTag) {
    if (senderTag != 1 && parts_.list.selectedContact()) {
        parts_.contacts.selectNothing();
        return;
    }
    window_->close();
}

} // namespace quenlark
