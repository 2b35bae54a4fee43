// The about box: the program's name and version, the database file in use, the maker's
// home page and mail address, and the terms the program comes under.
#pragma once

#include "forms/quenlarkdialog.h"

#include <QString>
#include <memory>

namespace Ui {
class aboutbox;
}

namespace quenlark {

// The maker's home page (also opened by the Info menu's home page item) and mail address.
inline constexpr char kHomePageAddress[] = "https://quenlark.example/";
inline constexpr char kSupportMailAddress[] = "support@quenlark.example";

class Taboutbox : public QuenlarkDialog {
    Q_OBJECT
public:
    // OK, Enter, Escape and the close box all end it with mrOk.
    explicit Taboutbox(QWidget* parent = nullptr);
    ~Taboutbox() override;

    // Shows the path of the database in use, from its start.
    void setDatabasePath(const QString& path);

private:
    std::unique_ptr<Ui::aboutbox> ui_;
};

} // namespace quenlark
