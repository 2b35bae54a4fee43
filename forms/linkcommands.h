// The main window's mail and web links: the two envelopes and "Send mail", the star and
// "Web Site", and the pressed look of the second envelope. Each opens the address in its
// box for the selected contact.
#pragma once

#include <QObject>
#include <QPixmap>

class QAction;
class QLabel;
class QWidget;

namespace Ui {
class mainform;
}

namespace quenlark {

class ContactEditor;
class ContactList;

class LinkCommands : public QObject {
    Q_OBJECT
public:
    LinkCommands(QWidget* window, const Ui::mainform& ui, const ContactList& list,
                 const ContactEditor& editor);
    ~LinkCommands() override;

    // Nothing without a selected contact or with an empty box; the address is the one in
    // the box at the moment of the command.
    void sendMail();
    void sendSecondMail();
    void openWebSite();
    // Hands a link to the desktop; an empty or refused link is reported. True when opened.
    bool openLink(const QString& link);

    // The three commands, each carried by its picture (for screen readers); the window gives
    // them their keys.
    QAction* sendMailAction() const { return sendMailAction_; }
    QAction* secondMailAction() const { return secondMailAction_; }
    QAction* webSiteAction() const { return webSiteAction_; }

    // "mailto:" and the address, percent-encoded so that it is one address and can add no
    // other recipient, header or body.
    static QString MailLink(const QString& address);
    // The address to open for a web site: an http or https address as typed, a host name
    // without a scheme after "http://"; empty for anything else (paths, other schemes).
    static QString WebSiteLink(const QString& text);

protected:
    // The link images are labels: a click is a left press and a left release over the same
    // image; the second envelope shows its pressed picture while the left button is down.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clicked(QLabel* image);

    QWidget* window_;
    const ContactList& list_;
    const ContactEditor& editor_;
    QLabel* sendMailImage_;
    QLabel* secondMailImage_;
    QLabel* webSiteImage_;
    QLabel* pressed_ = nullptr;
    QAction* sendMailAction_;
    QAction* secondMailAction_;
    QAction* webSiteAction_;
    QPixmap secondMailUp_;
    QPixmap secondMailDown_;
};

} // namespace quenlark
