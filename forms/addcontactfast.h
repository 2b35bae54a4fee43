// The "Add contact fast" dialog: a name, an e-mail address and a web site, and whether the
// main window adds the contact at once.
#pragma once

#include "forms/quenlarkdialog.h"

#include <QString>
#include <memory>

namespace Ui {
class addcontactfast;
}

namespace quenlark {

class Taddcontactfast : public QuenlarkDialog {
    Q_OBJECT
public:
    // Enter and Alt+O are OK; Escape and Alt+C are Cancel.
    explicit Taddcontactfast(QWidget* parent = nullptr);
    ~Taddcontactfast() override;

    // The texts as typed.
    QString name() const;
    QString email() const;
    QString webSite() const;
    // False when "Do not automatically add contact." is ticked.
    bool addAtOnce() const;

private:
    std::unique_ptr<Ui::addcontactfast> ui_;
};

} // namespace quenlark
