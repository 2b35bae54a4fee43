// The main window: a frameless window built from forms/mainform.ui with its own painted
// caption bar, close image and borders, the start-up sequence that opens the database,
// the program options and the window's popup menus.
#pragma once

#include "controls/quenlarkkeymanager.h"
#include "platform/programoptions.h"
#include "ui_mainform.h"

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>

class QAction;
class QMenu;
class QStringListModel;

namespace quenlark {

struct ContactIndexEntry;
struct ContactRecord;
class SettingsStore;
class TQuenlarkKeyManager;

// The file dialogs' filter for backup files: one description and pattern pair.
inline constexpr char kBackupFilter[] = "Quenlark Backup Files\0*.QuenlarkBackup\0";

class Tmainform : public QWidget {
    Q_OBJECT
public:
    explicit Tmainform(QWidget* parent = nullptr);
    ~Tmainform() override;

    // False when start-up ended without an open database; the window is then not used.
    bool startedUp() const { return startedUp_; }

    // The controls of the layout, by their names (ui()->e_name, ui()->contacts, ...).
    Ui::mainform* ui() const { return ui_.get(); }
    // The items of `contacts`: one contact handle per row, drawn as the contact's name.
    QStringListModel* contactsModel() const { return contactsModel_; }

    // The caption bar's pictures; currentCaptionImage() is one of the other two.
    const QPixmap& activeCaptionImage() const { return captionActive_; }
    const QPixmap& inactiveCaptionImage() const { return captionInactive_; }
    const QPixmap& currentCaptionImage() const { return *captionCurrent_; }
    // The window's height and client height at the end of construction (356 both).
    int fullHeight() const { return fullHeight_; }
    int initialClientHeight() const { return initialClientHeight_; }

    // Enter chain, slots 0 to 10: e_name, e_nickname, e_email, e_2ndemail, e_website,
    // e_phone, e_mobile, e_address, e_zipcode, e_city, e_country.
    std::array<QWidget*, 11> EnterChain{};

    // Program options, as loaded at start-up and confirmed in the options dialog.
    bool displayTooltips() const { return displayTooltips_; }
    bool urlValidationDisabled() const { return disableUrlValidation_; }
    bool emailRequired() const { return emailRequired_; }
    // True when no e-mail address is required or the e-mail box is not empty.
    bool EmailRequirementMet() const;
    // Reads the three options (writing the defaults of missing ones) and applies them.
    void LoadOptions();
    // Writes all three options.
    void SaveOptions();
    // Shows or suppresses the tooltips of the window's controls as displayTooltips() says.
    void ApplyTooltips();

    // The contact shown in the edit panel, or nullptr when none is selected.
    const ContactIndexEntry* SelectedContact() const;
    // Fills the edit panel from the selected contact, or empties it when there is none.
    void ShowSelectedContact();
    // After a change: refills the list in file order, selects nothing, empties the panel
    // and puts the focus in e_name.
    void RefreshAfterChange();
    // The web link check of Add and Modify: keep the text, abandon the command, or store
    // an empty web address.
    enum class WebLinkDecision { Use, Cancel, Clear };
    WebLinkDecision CheckWebLink(const QString& text);

    // Mail and web links, backup and restore.
    // The link commands: nothing without a selected contact or with an empty box; the
    // address is the one in the box at the moment of the command.
    void lb_sendmailClick(QObject* Sender = nullptr);
    void sendmail2Click(QObject* Sender = nullptr);
    void lb_websiteClick(QObject* Sender = nullptr);
    // The pressed look of sendmail2: the left button shows IDB_SEND2_DOWN while it is down.
    void sendmail2Down(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                       int Y);
    void sendmail2MouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                          int X, int Y);
    // Focus entry of e_email: the details area scrolls back to its top.
    void e_emailEnter(QObject* Sender = nullptr);
    // Hands a link to the desktop; an empty or refused link is reported. True when opened.
    bool OpenLink(const QString& link);
    // "mailto:" and the address, percent-encoded so that it can add no headers or body.
    static QString MailLink(const QString& address);
    // The address to open for a web site: an http or https address as typed, a host name
    // without a scheme after "http://"; empty for anything else (paths, other schemes).
    static QString WebSiteLink(const QString& text);
    void BindLinks();
    // The backup file the person picks for saving or restoring, or empty when cancelled.
    QString ChooseBackupFile(bool save);
    void Savebackupfile1Click(QObject* Sender = nullptr);
    void Recoverusingabackupfile1Click(QObject* Sender = nullptr);
    void BindBackup();

    // Small dialogs and commands: add contact fast, the about box, the View file items, the
    // home page item and Exit (the button always closes; Escape and Alt+X, sent with tag 0,
    // first clear a selection).
    void BindCommands();
    void Addfastitem1Click(QObject* Sender = nullptr);
    void AboutQuenlarkAddressBook241Click(QObject* Sender = nullptr);
    void QuenlarkHomePage1Click(QObject* Sender = nullptr);
    // Opens the file named by the sender item's text from the executable's folder.
    void infotxt1Click(QObject* Sender = nullptr);
    void QuenlarkStdButton2Click(QObject* Sender = nullptr);

    // The window's keyboard accelerators; later work binds its handlers.
    TQuenlarkKeyManager* QuenlarkKeyManager1 = nullptr;

    // Popup menus and their items.
    QMenu* help_popup = nullptr;
    QAction* AboutQuenlarkAddressBook241 = nullptr;
    QAction* QuenlarkHomePage1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Programoptions1 = nullptr;
    QAction* N2 = nullptr;
    QMenu* Viewfile1 = nullptr;
    QAction* infotxt1 = nullptr;
    QAction* licensetxt1 = nullptr;
    QAction* whatsnewtxt1 = nullptr;

    QMenu* backup_popup = nullptr;
    QAction* Savebackupfile1 = nullptr;
    QAction* Recoverusingabackupfile1 = nullptr;

    QMenu* contactlist_popup = nullptr;
    QAction* Addfastitem1 = nullptr;
    QAction* N3 = nullptr;
    QAction* Deletecontact1 = nullptr;

    QMenu* sortpopup = nullptr;
    QAction* Ascending1 = nullptr;  // tag 1
    QAction* Descending1 = nullptr; // tag 2

    QMenu* sysmenupopup = nullptr;
    QAction* mnsize = nullptr;
    QAction* N4 = nullptr;
    QAction* Close1 = nullptr;

    // ---- Search and sorting ----
    // The search: reads `match_case` and `e_searchfor` and runs SearchContacts. The
    // magnifier button's click handler.
    void go_search_btnClick(QObject* Sender = nullptr);
    // Enter in the search box starts the search; other keys are left to the box.
    void e_searchforKeyDown(QObject* Sender, quint16& Key, TShiftState Shift);
    // Looks for `text` in the names of the list's contacts, in the list's order, and shows
    // the results dialog or tells that nothing was found. Without `matchCase` the text and
    // the names are compared with "A" to "Z" folded to small letters.
    void SearchContacts(const QString& text, bool matchCase);
    // Makes the first list item holding `handle` the selected item (none when no item
    // holds it) and shows its contact, as a click on it would.
    void DisplayContact(const QString& handle);
    // The Sort menu: tag 1 sorts the list ascending by name, any other tag descending.
    void SortItemClick(QObject* Sender = nullptr);
    void BindSearch();
    void BindSort();

    // ---- Keyboard ----
    // F1 to F10 and Ctrl+Q, in key order; they work wherever the focus is in the window.
    QList<QAction*> shortcut_keys;
    void sk_1Execute(QObject* Sender = nullptr);
    void sk_3Execute(QObject* Sender = nullptr);
    void sk_4Execute(QObject* Sender = nullptr);
    void sk_5Execute(QObject* Sender = nullptr);
    void sk_6Execute(QObject* Sender = nullptr);
    void sk_7Execute(QObject* Sender = nullptr);
    void sk_8Execute(QObject* Sender = nullptr);
    void sk_9Execute(QObject* Sender = nullptr);
    void sk_10Execute(QObject* Sender = nullptr);
    void close_linkExecute(QObject* Sender = nullptr);
    void QuenlarkKeyManager1Alt_B(QObject* Sender = nullptr);
    void QuenlarkKeyManager1Alt_S(QObject* Sender = nullptr);
    // Paints the key badge that is the sender: "F" and its tag on steel blue.
    void flink_draw(QObject* Sender);
    // Enter in an edit box moves the focus along the Enter chain; true when it did.
    bool control_key_down(QObject* Sender);
    // Enter in the country list adds the contact.
    bool end_box_keydown(QObject* Sender);
    // The ten key badges, F1 to F10.
    std::array<QWidget*, 10> keyBadges() const;
    bool isKeyBadge(const QObject* object) const;
    void BindKeyboard();

public slots:
    // Runs the options dialog; OK stores and applies the ticked options.
    void Programoptions1Click(QObject* Sender = nullptr);
    void QuenlarkSpeedBtn4Click(QObject* Sender = nullptr);
    // The caption bar follows the activation of the window and of the application.
    void FormActivate(QObject* Sender = nullptr);
    void FormDeactivate(QObject* Sender = nullptr);
    // Rolls the window up to its caption bar (hiding border_bottom) or back down.
    void captionDblClick(QObject* Sender = nullptr);
    // Names the caption menu's first item after the window's state.
    void sysmenupopupPopup(QObject* Sender = nullptr);
    // Shrinks the client area to the caption bar or restores it; border_bottom unchanged.
    void mnsizeClick(QObject* Sender = nullptr);
    void Close1Click(QObject* Sender = nullptr);
    void btncloseClick(QObject* Sender = nullptr);
    // Contact list and editing.
    void contactsClick(QObject* Sender = nullptr);
    void Label15Click(QObject* Sender = nullptr);
    void btnAddClick(QObject* Sender = nullptr);
    void btnModifyClick(QObject* Sender = nullptr);
    void btnDeleteClick(QObject* Sender = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildFrame();
    void CreateMenus();
    void FormCreate();
    void FormDestroy();
    void FillContactList();
    void setWindowHeight(int height);
    void layoutBorders();
    void BindContactEditing();
    // Tells of the first character the database cannot hold; true when there is one.
    bool RefuseUnstorableText();
    // False when the web link check was cancelled.
    bool FillContactRecord(ContactRecord& record);

    std::unique_ptr<Ui::mainform> ui_;
    QStringListModel* contactsModel_ = nullptr;
    QPixmap captionActive_;
    QPixmap captionInactive_;
    const QPixmap* captionCurrent_ = &captionActive_;
    QPixmap closeUp_;
    QPixmap closeDown_;
    bool closePressed_ = false;
    int fullHeight_ = 0;
    int initialClientHeight_ = 0;
    QObject* tooltipGate_ = nullptr;
    SettingsStore* settings_ = nullptr;
    bool displayTooltips_ = true;
    bool disableUrlValidation_ = false;
    bool emailRequired_ = true;
    bool startedUp_ = false;
    QString selectedHandle_;
};

// The one main window of the program, while it exists.
extern Tmainform* mainform;

} // namespace quenlark
