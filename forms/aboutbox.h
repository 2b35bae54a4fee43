// The about box: the program's name and version, the database file in use, the maker's
// home page and mail address, and the terms the program comes under.
#pragma once

#include "ui_aboutbox.h"

#include <QDialog>
#include <memory>

namespace quenlark {

class TQuenlarkKeyManager;

// The maker's home page (also opened by the Info menu's home page item) and mail address.
inline constexpr char kHomePageAddress[] = "https://quenlark.example/";
inline constexpr char kSupportMailAddress[] = "support@quenlark.example";

class Taboutbox : public QDialog {
    Q_OBJECT
public:
    static constexpr int mrOk = 1;

    explicit Taboutbox(QWidget* parent = nullptr);
    ~Taboutbox() override;

    // app_icon, Label1, Label2, active_address_book, QuenlarkWebLink1 (home page),
    // QuenlarkWebLink2 (mail), Label8, Label4 (notice), QuenlarkStdButton1 (OK).
    Ui::aboutbox* ui() const { return ui_.get(); }

    // Shows the application's icon in app_icon.
    void FormCreate();
    // OK: closes the box.
    void QuenlarkStdButton1Click(QObject* Sender);

    // Enter and Escape: OK.
    TQuenlarkKeyManager* QuenlarkKeyManager1 = nullptr;

    // Closing the window any other way is OK as well.
    void reject() override;

private:
    std::unique_ptr<Ui::aboutbox> ui_;
};

// The about box while it is open.
extern Taboutbox* aboutbox;

} // namespace quenlark
