#include "forms/mainform.h"

#include "controls/quenlarkcolour.h"
#include "controls/quenlarkkeymanager.h"
#include "engine/addressbookengine.h"
#include "engine/contactrecord.h"
#include "forms/dialogstyle.h"
#include "forms/options.h"
#include "forms/popupmenus.h"
#include "forms/report.h"
#include "platform/services.h"
#include "platform/uiseam.h"
#include "resources/bitmaps.h"
#include "tools/commontools.h"
#include "tools/dialog.h"

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringListModel>
#include <QToolTip>
#include <QWindow>
#include <exception>
#include <string>
#include <vector>

namespace quenlark {

Tmainform* mainform = nullptr;

namespace {

constexpr int kCaptionHeight = 23;
constexpr QRgb kTransparentGreen = qRgb(0, 255, 0);

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

// A shape of the layout: a rectangle filled with one system colour.
void fillWith(QWidget* widget, int systemColour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, SystemColour(systemColour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A caption bar picture: the stretched skin bitmap, black side edges and the title.
QPixmap makeCaptionImage(const QString& resource, QSize size) {
    QPixmap image(size);
    image.fill(Qt::black);
    QPainter painter(&image);
    const QPixmap skin = LoadResourceBitmap(resource);
    if (!skin.isNull())
        painter.drawPixmap(QRect(QPoint(0, 0), size), skin);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(0, 0, 0, size.height());
    painter.drawLine(size.width() - 1, 0, size.width() - 1, size.height());
    QFont font(QStringLiteral("Palatino Linotype"));
    font.setPixelSize(16); // 12 point at 96 pixels per inch
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(5, 0, size.width() - 5, size.height()), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Quenlark Address Book"));
    return image;
}

// Swallows the tooltip events of one window's controls while its tooltips are off.
class ToolTipGate : public QObject {
public:
    explicit ToolTipGate(Tmainform* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || form_->displayTooltips())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || (widget != form_ && !form_->isAncestorOf(widget)))
            return false;
        QToolTip::hideText();
        event->ignore();
        return true;
    }

private:
    Tmainform* form_;
};

} // namespace

Tmainform::Tmainform(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui_(std::make_unique<Ui::mainform>()) {
    setFont(Tahoma8());
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("Quenlark Address Book"));
    buildFrame();
    CreateMenus();
    BindContactEditing();
    BindLinks();
    BindBackup();
    BindSearch();
    BindSort();
    BindCommands();
    BindKeyboard();
    ui_->QuenlarkSpeedBtn4->OnClick = [this](QObject* Sender) { QuenlarkSpeedBtn4Click(Sender); };
    FormCreate();
}

// The Report button: the report generator, owned by this window.
void Tmainform::QuenlarkSpeedBtn4Click(QObject*) {
    RunReportGenerator(this);
}

Tmainform::~Tmainform() {
    FormDestroy();
}

void Tmainform::buildFrame() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, SystemColour(COLOR_BTNFACE));
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(668, 356);
    CentreOnScreen(this);

    for (QWidget* shape : {ui_->Shape4, ui_->Shape6, ui_->border_bottom})
        fillWith(shape, COLOR_BTNSHADOW);
    for (QWidget* shape : {ui_->seperator1, ui_->Shape1, ui_->Shape2, ui_->Shape3})
        fillWith(shape, COLOR_BTNTEXT);
    // Labels size themselves to their text and paint their own background, so a label
    // over a frame line (Label2 over Bevel1) hides the line behind it.
    for (QLabel* label : findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Label\\d+$")))) {
        const QFontMetrics metrics(label->font());
        label->resize(metrics.horizontalAdvance(label->text()), metrics.height());
        label->setAutoFillBackground(true);
    }

    // Items are contact handles drawn as names, all 20 pixels high.
    contactsModel_ = new QStringListModel(this);
    ui_->contacts->setModel(contactsModel_);
    ui_->contacts->setItemDelegate(new ContactItemDelegate(ui_->contacts));
    ui_->contacts->setUniformItemSizes(true);

    for (std::size_t i = 0; i < kCountries.size(); ++i)
        ui_->e_country->addItem(CountryName(int(i)));

    // Caption bar, its pictures and the close image.
    const QSize captionSize = ui_->caption->size();
    captionActive_ = makeCaptionImage(QStringLiteral("IDB_CAPTION_A"), captionSize);
    captionInactive_ = makeCaptionImage(QStringLiteral("IDB_CAPTION_I"), captionSize);
    captionCurrent_ = &captionActive_;
    ui_->caption->setAttribute(Qt::WA_OpaquePaintEvent);
    ui_->caption->installEventFilter(this);
    connect(ui_->caption, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu(sysmenupopup, ui_->caption->mapToGlobal(pos)); });

    closeUp_ = LoadTransparentBitmap(QStringLiteral("IDB_CLOSE_UP"), kTransparentGreen);
    closeDown_ = LoadTransparentBitmap(QStringLiteral("IDB_CLOSE_DOWN"), kTransparentGreen);
    ui_->btnclose->setPixmap(closeUp_);
    ui_->btnclose->setGeometry(width() - kCaptionHeight, 0, kCaptionHeight, kCaptionHeight);
    ui_->btnclose->installEventFilter(this);
    ui_->caption->raise();
    ui_->btnclose->raise();

    ui_->sendmail->setPixmap(
        LoadTransparentBitmap(QStringLiteral("IDB_SEND_UP"), kTransparentGreen));
    ui_->sendmail2->setPixmap(
        LoadTransparentBitmap(QStringLiteral("IDB_SEND2_UP"), kTransparentGreen));
    ui_->website->setPixmap(
        LoadTransparentBitmap(QStringLiteral("IDB_WEBSITE_UP"), kTransparentGreen));

    // The icons of the layout's speed buttons, drawn with their transparent colours.
    ui_->QuenlarkSpeedBtn4->SetIcon(LoadResourceBitmap(QStringLiteral("ICON_PRINTER")));
    ui_->QuenlarkSpeedBtn2->SetIcon(LoadResourceBitmap(QStringLiteral("ICON_SEARCH")));
    ui_->QuenlarkSpeedBtn3->SetIcon(LoadResourceBitmap(QStringLiteral("ICON_INFO")));

    fullHeight_ = height();
    EnterChain = {ui_->e_name,    ui_->e_nickname, ui_->e_email,  ui_->e_2ndemail,
                  ui_->e_website, ui_->e_phone,    ui_->e_mobile, ui_->e_address,
                  ui_->e_zipcode, ui_->e_city,     ui_->e_country};
    initialClientHeight_ = height();
    layoutBorders();

    // A details row that takes the focus, however it gets it, is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && ui_->scrollbox_contents->isAncestorOf(now))
            ui_->scrollbox->ensureWidgetVisible(now, 0, 0);
    });

    QuenlarkKeyManager1 = new TQuenlarkKeyManager(this);
    // Tooltips of the window's controls pass through here to be switched off.
    tooltipGate_ = new ToolTipGate(this);
    qApp->installEventFilter(tooltipGate_);
}

void Tmainform::CreateMenus() {
    help_popup = NewOwnerDrawnMenu(this);
    help_popup->setObjectName(QStringLiteral("help_popup"));
    SetMenuCentred(help_popup, true);
    AboutQuenlarkAddressBook241 =
        AddMenuItem(help_popup, QStringLiteral("&About Quenlark Address Book 2.4"));
    QuenlarkHomePage1 = AddMenuItem(help_popup, QStringLiteral("&Quenlark Home Page"));
    N1 = AddMenuSeparator(help_popup);
    Programoptions1 = AddMenuItem(help_popup, QStringLiteral("&Program options"));
    N2 = AddMenuSeparator(help_popup);
    // The file names are handed on as captioned: no accelerators are added to them.
    Viewfile1 = AddSubMenu(help_popup, QStringLiteral("&View file"));
    Viewfile1->setObjectName(QStringLiteral("Viewfile1"));
    infotxt1 = AddMenuItem(Viewfile1, QStringLiteral("info.txt"));
    licensetxt1 = AddMenuItem(Viewfile1, QStringLiteral("license.txt"));
    whatsnewtxt1 = AddMenuItem(Viewfile1, QStringLiteral("whats new.txt"));

    backup_popup = NewOwnerDrawnMenu(this);
    backup_popup->setObjectName(QStringLiteral("backup_popup"));
    SetMenuCentred(backup_popup, true);
    SetAutoHotkeys(backup_popup, true);
    Savebackupfile1 = AddMenuItem(backup_popup, QStringLiteral("&Save backup file"));
    Recoverusingabackupfile1 =
        AddMenuItem(backup_popup, QStringLiteral("&Recover using a backup file"));

    contactlist_popup = NewOwnerDrawnMenu(this);
    contactlist_popup->setObjectName(QStringLiteral("contactlist_popup"));
    SetAutoHotkeys(contactlist_popup, true);
    Addfastitem1 = AddMenuItem(contactlist_popup, QStringLiteral("&Add contact fast"));
    N3 = AddMenuSeparator(contactlist_popup);
    Deletecontact1 = AddMenuItem(contactlist_popup, QStringLiteral("&Delete contact"));

    sortpopup = NewOwnerDrawnMenu(this);
    sortpopup->setObjectName(QStringLiteral("sortpopup"));
    SetMenuCentred(sortpopup, true);
    SetAutoHotkeys(sortpopup, true);
    Ascending1 = AddMenuItem(sortpopup, QStringLiteral("Ascending"), 1);
    Descending1 = AddMenuItem(sortpopup, QStringLiteral("Descending "), 2);

    sysmenupopup = NewOwnerDrawnMenu(this);
    sysmenupopup->setObjectName(QStringLiteral("sysmenupopup"));
    SetAutoHotkeys(sysmenupopup, true);
    mnsize = AddMenuItem(sysmenupopup, QStringLiteral("<>"));
    N4 = AddMenuSeparator(sysmenupopup);
    Close1 = AddMenuItem(sysmenupopup, QStringLiteral("&Close"));

    ui_->QuenlarkSpeedBtn1->SetDropDown(sortpopup);
    ui_->QuenlarkSpeedBtn3->SetDropDown(help_popup);
    ui_->QuenlarkStdButton1->SetDropDown(backup_popup);
    connect(ui_->contacts, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu(contactlist_popup, ui_->contacts->viewport()->mapToGlobal(pos));
    });

    connect(Programoptions1, &QAction::triggered, this,
            [this] { Programoptions1Click(Programoptions1); });
    connect(sysmenupopup, &QMenu::aboutToShow, this, [this] { sysmenupopupPopup(sysmenupopup); });
    connect(mnsize, &QAction::triggered, this, [this] { mnsizeClick(mnsize); });
    connect(Close1, &QAction::triggered, this, [this] { Close1Click(Close1); });
}

void Tmainform::FormCreate() {
    AddressBookEngine& engine = Engine();
    try {
        for (;;) {
            if (engine.OpenAddressBook())
                break;
            switch (engine.GetOpenStatus()) {
            case StatusNotADatabase: {
                if (Ui().messageBox(nullptr, latin1("Restore backup?"),
                                    latin1("Sorry but your database is not a valid one.  Would you "
                                           "like to specify a backup to restore?"),
                                    MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
                    return;
                // The same request as the restore command's.
                const QString backup = ChooseBackupFile(false);
                if (!backup.isEmpty())
                    engine.RepairAddressBook(QFile::encodeName(backup).toStdString());
                break;
            }
            case StatusOtherVersion:
                Ui().messageBox(nullptr, latin1("Cannot upgrade database in this version"),
                                latin1("Sorry but it would appear that your database is not "
                                       "compatible  with this version.  Because this version of "
                                       "Quenlark Address Book is the first version to implement "
                                       "such functionally there is currently no way to upgrade "
                                       "the database.  Sorry."),
                                MsgIcon::Error, MsgButtons::Ok);
                return;
            default:
                if (Ui().messageBox(
                        nullptr, latin1("Cannot open database!"),
                        latin1("Quenlark Address Book failed to open the database, possible "
                               "because it is in use by another program.  Please close any "
                               "programs that could be using the database and try again!\n\nIf "
                               "you would like to retry press Yes, otherwise press No to exit."),
                        MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
                    return;
                break;
            }
        }
    } catch (const std::exception&) {
        engine.CloseAddressBook();
        if (Ui().messageBox(nullptr, latin1("Restore backup database?"),
                            latin1("Quenlark Address Book has had problems starting, which may be "
                                   "caused by a serious error in your database.  Would you like to "
                                   "restore a backup database?"),
                            MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes) {
            TFileDialogRequest request;
            ClearFileDialogRequest(request);
            request.filter = kBackupFilter;
            request.defaultExt = "QuenlarkBackup";
            request.title = "Select a backup file to restore...";
            request.filterIndex = 0;
            request.flags = 0x1000;
            if (ShowOpenDialog(request))
                engine.RepairAddressBook(QFile::encodeName(request.fileName).toStdString());
            Ui().messageBox(nullptr, latin1("Please restart Quenlark Address Book"),
                            latin1("Quenlark Address Book will now close.  After it has closed "
                                   "please restart Quenlark Address Book."),
                            MsgIcon::Information, MsgButtons::Ok);
        }
        return;
    }
    // The database is open.
    FillContactList();
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    FormActivate(qApp);
                else
                    FormDeactivate(qApp);
            });
    ui_->letter_icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    ui_->scrollbox->verticalScrollBar()->setValue(0);
    ui_->e_country->setCurrentIndex(0);
    LoadOptions();
    ui_->e_name->setFocus();
    startedUp_ = true;
}

void Tmainform::FormDestroy() {
    qApp->removeEventFilter(tooltipGate_);
    Engine().CloseAddressBook();
    settings_ = nullptr;
}

void Tmainform::FillContactList() {
    AddressBookEngine& engine = Engine();
    engine.LoadContactIndex();
    std::vector<std::string> handles;
    engine.CopyContactIndex(handles);
    QStringList items;
    items.reserve(int(handles.size()));
    for (const std::string& handle : handles)
        items.append(QString::fromStdString(handle));
    contactsModel_->setStringList(items);
}

// ---- Frame -------------------------------------------------------------------------

void Tmainform::FormActivate(QObject*) {
    captionCurrent_ = &captionActive_;
    ui_->caption->repaint();
}

void Tmainform::FormDeactivate(QObject*) {
    captionCurrent_ = &captionInactive_;
    ui_->caption->repaint();
}

void Tmainform::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            FormActivate(this);
        else
            FormDeactivate(this);
    }
    QWidget::changeEvent(event);
}

void Tmainform::setWindowHeight(int height) {
    setFixedSize(width(), height);
}

// The shadow lines along the left, right and bottom edges, as edge-aligned shapes are laid
// out: the bottom one spans the width, the side ones reach down to it (or to the bottom
// edge while it is hidden).
void Tmainform::layoutBorders() {
    const int w = width();
    const int h = height();
    ui_->border_bottom->setGeometry(0, h - 2, w, 2);
    const int sideHeight = ui_->border_bottom->isHidden() ? h : h - 2;
    ui_->Shape4->setGeometry(0, 0, 2, sideHeight);
    ui_->Shape6->setGeometry(w - 2, 0, 2, sideHeight);
}

void Tmainform::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (ui_)
        layoutBorders();
}

void Tmainform::captionDblClick(QObject*) {
    if (height() == fullHeight_) {
        setWindowHeight(ui_->caption->height());
        ui_->border_bottom->hide();
    } else {
        setWindowHeight(fullHeight_);
        ui_->border_bottom->show();
    }
    layoutBorders();
}

void Tmainform::sysmenupopupPopup(QObject*) {
    mnsize->setText(height() == initialClientHeight_ ? QStringLiteral("&Hide window")
                                                     : QStringLiteral("&Restore"));
}

void Tmainform::mnsizeClick(QObject*) {
    setWindowHeight(height() == initialClientHeight_ ? ui_->caption->height()
                                                     : initialClientHeight_);
    layoutBorders();
}

void Tmainform::Close1Click(QObject*) {
    close();
}

void Tmainform::btncloseClick(QObject*) {
    close();
}

bool Tmainform::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == ui_->caption) {
        switch (type) {
        case QEvent::Paint: {
            QPainter painter(ui_->caption);
            painter.drawPixmap(0, 0, *captionCurrent_);
            return true;
        }
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                if (QWindow* window = windowHandle())
                    window->startSystemMove();
                return true;
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                captionDblClick(ui_->caption);
                return true;
            }
            break;
        default:
            break;
        }
    } else if (watched == ui_->btnclose) {
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                closePressed_ = true;
                ui_->btnclose->setPixmap(closeDown_);
            }
            return true;
        }
        if (type == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                ui_->btnclose->setPixmap(closeUp_);
                const bool clicked =
                    closePressed_ && ui_->btnclose->rect().contains(mouse->position().toPoint());
                closePressed_ = false;
                if (clicked)
                    btncloseClick(ui_->btnclose);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Options -----------------------------------------------------------------------

namespace {

struct OptionValue {
    const char* name;
    std::int32_t fallback;
};
constexpr OptionValue kOptionValues[] = {
    {kDisplayTooltipsValue, 1},
    {kDisableUrlValidationValue, 0},
    {kEmailFieldRequiredValue, 1},
};

} // namespace

void Tmainform::LoadOptions() {
    settings_ = &Settings();
    for (const OptionValue& value : kOptionValues)
        if (!settings_->valueExists(value.name))
            settings_->writeNumber(value.name, value.fallback);
    bool* flags[] = {&displayTooltips_, &disableUrlValidation_, &emailRequired_};
    for (std::size_t i = 0; i < std::size(kOptionValues); ++i)
        *flags[i] =
            settings_->readNumber(kOptionValues[i].name).value_or(kOptionValues[i].fallback) != 0;
    ApplyTooltips();
}

void Tmainform::SaveOptions() {
    SettingsStore& settings = settings_ ? *settings_ : Settings();
    settings.writeNumber(kDisplayTooltipsValue, displayTooltips_ ? 1 : 0);
    settings.writeNumber(kDisableUrlValidationValue, disableUrlValidation_ ? 1 : 0);
    settings.writeNumber(kEmailFieldRequiredValue, emailRequired_ ? 1 : 0);
}

void Tmainform::ApplyTooltips() {
    if (!displayTooltips_ && QToolTip::isVisible())
        QToolTip::hideText();
}

bool Tmainform::EmailRequirementMet() const {
    return !emailRequired_ || !ui_->e_email->text().isEmpty();
}

void Tmainform::Programoptions1Click(QObject*) {
    Toptions dialog(this);
    dialog.ui()->dont_show_tips->setChecked(displayTooltips_);
    dialog.ui()->disable_url_validation->setChecked(disableUrlValidation_);
    dialog.ui()->email_required->setChecked(emailRequired_);
    if (dialog.exec() != Toptions::mrOk)
        return;
    displayTooltips_ = dialog.ui()->dont_show_tips->isChecked();
    disableUrlValidation_ = dialog.ui()->disable_url_validation->isChecked();
    emailRequired_ = dialog.ui()->email_required->isChecked();
    SaveOptions();
    ApplyTooltips();
}

} // namespace quenlark
