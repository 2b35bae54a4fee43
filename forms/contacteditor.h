// The main window's edit panel: the boxes of one contact, filled from its record or emptied,
// the record made from what the boxes hold, the mail and web link panels below it and the
// details area that scrolls to the box with the focus.
#pragma once

#include "engine/contactrecord.h"

#include <QObject>
#include <optional>

class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class ContactEditor : public QObject {
    Q_OBJECT
public:
    ContactEditor(QWidget* window, const Ui::mainform& ui);
    ~ContactEditor() override;

    // Fills the boxes from the record and shows the link panels of the addresses it has;
    // nullptr empties every box and hides the panels.
    void show(const ContactRecord* record);
    // The record the boxes describe, or nothing when the person must change them first: a
    // character the database cannot hold is refused with a message, and the web link check
    // may be cancelled. `checkWebLink` false stores any web address as typed.
    std::optional<ContactRecord> record(bool checkWebLinks);

    bool hasName() const;
    QString email() const;
    QString secondEmail() const;
    QString webSite() const;
    // What the add contact fast dialog hands over.
    void setQuickFields(const QString& name, const QString& email, const QString& webSite);
    void focusName();

protected:
    // A box of the details area that takes the focus, however it gets it, is scrolled into
    // view; the e-mail box brings back the very top of the area.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class WebLinkDecision { Use, Cancel, Clear };
    WebLinkDecision checkWebLink(const QString& text);
    // Tells of the first character the database cannot hold; true when there is one.
    bool refuseUnstorableText();
    void scrollToTop();

    QWidget* window_;
    const Ui::mainform& ui_;
};

} // namespace quenlark
