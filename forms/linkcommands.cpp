#include "forms/linkcommands.h"

#include "controls/quenlarkweblink.h"
#include "forms/contacteditor.h"
#include "forms/contactlist.h"
#include "platform/uiseam.h"
#include "resources/bitmaps.h"
#include "tools/filetools.h"
#include "ui_mainform.h"

#include <QAction>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QUrl>

namespace quenlark {

namespace {

// A scheme at the start of a web address: letters, digits, "+", "-" and "." after a
// letter, then ":". A host name followed by a port ("www.example.com:8080") is no scheme.
QString schemeOf(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):"));
    static const QRegularExpression port(QStringLiteral("^[A-Za-z0-9.\\-]+:[0-9]+(?:[/?#]|$)"));
    const QRegularExpressionMatch match = scheme.match(text);
    if (!match.hasMatch() || port.match(text).hasMatch())
        return QString();
    return match.captured(1).toLower();
}

// True when `link` is a web address with a host to which the browser can go.
bool isWebAddress(const QString& link) {
    const QUrl url(link, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

} // namespace

LinkCommands::LinkCommands(QWidget* window, const Ui::mainform& ui, const ContactList& list,
                           const ContactEditor& editor)
    : window_(window), list_(list), editor_(editor), sendMailImage_(ui.sendMailImage),
      secondMailImage_(ui.secondMailImage), webSiteImage_(ui.webSiteImage),
      secondMailUp_(LoadResourceBitmap(QStringLiteral("IDB_SEND2_UP"))),
      secondMailDown_(LoadResourceBitmap(QStringLiteral("IDB_SEND2_DOWN"))) {
    sendMailImage_->setPixmap(LoadResourceBitmap(QStringLiteral("IDB_SEND_UP")));
    secondMailImage_->setPixmap(secondMailUp_);
    webSiteImage_->setPixmap(LoadResourceBitmap(QStringLiteral("IDB_WEBSITE_UP")));
    for (QLabel* image : {sendMailImage_, secondMailImage_, webSiteImage_})
        image->installEventFilter(this);
    const auto command = [this](QLabel* image, const char* name, void (LinkCommands::*run)()) {
        auto* action = new QAction(image->toolTip(), this);
        action->setObjectName(QLatin1String(name));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        image->addAction(action);
        return action;
    };
    sendMailAction_ = command(sendMailImage_, "sendMailAction", &LinkCommands::sendMail);
    secondMailAction_ =
        command(secondMailImage_, "secondMailAction", &LinkCommands::sendSecondMail);
    webSiteAction_ = command(webSiteImage_, "webSiteAction", &LinkCommands::openWebSite);
    connect(ui.sendMailLink, &TQuenlarkWebLink::clicked, this, &LinkCommands::sendMail);
    connect(ui.webSiteLink, &TQuenlarkWebLink::clicked, this, &LinkCommands::openWebSite);
}

LinkCommands::~LinkCommands() = default;

bool LinkCommands::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* image = static_cast<QLabel*>(watched);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return true;
    if (type == QEvent::MouseButtonRelease) {
        const bool click = pressed_ == image && image->rect().contains(mouse->position().toPoint());
        pressed_ = nullptr;
        if (image == secondMailImage_)
            secondMailImage_->setPixmap(secondMailUp_);
        if (click)
            clicked(image);
        return true;
    }
    // The second press of a double click shows the pressed look but clicks nothing.
    if (type == QEvent::MouseButtonPress)
        pressed_ = image;
    if (image == secondMailImage_)
        secondMailImage_->setPixmap(secondMailDown_);
    return true;
}

void LinkCommands::clicked(QLabel* image) {
    if (image == sendMailImage_)
        sendMail();
    else if (image == secondMailImage_)
        sendSecondMail();
    else if (image == webSiteImage_)
        openWebSite();
}

QString LinkCommands::MailLink(const QString& address) {
    // Everything but the characters of a plain address is percent-encoded, so that "?",
    // "#", "&" or "%" in the box never add headers, a body or a fragment to the mail, and
    // "," or ";" (which mail programs take to separate addresses) never a second recipient.
    return QStringLiteral("mailto:") +
           QString::fromLatin1(QUrl::toPercentEncoding(address, QByteArrayLiteral("@!$'*+=:")));
}

QString LinkCommands::WebSiteLink(const QString& text) {
    const QString scheme = schemeOf(text);
    QString link;
    if (scheme.isEmpty()) {
        // A host name typed without a scheme; a path ("/etc/passwd", "//host") has no host.
        if (text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1Char('\\')))
            return QString();
        link = QStringLiteral("http://") + text;
    } else if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        link = text;
    } else {
        return QString();
    }
    return isWebAddress(link) ? link : QString();
}

bool LinkCommands::openLink(const QString& link) {
    if (!link.isEmpty() && ShellLaunch(QStringLiteral("open"), link))
        return true;
    Ui().messageBox(
        window_, QStringLiteral("Failed to open link"),
        QStringLiteral("There was an error sending an e-mail/opening the web site address for the "
                       "selected contact!\n\nPlease make sure that the e-mail/web site address is "
                       "correct.\n\nIf it is, please make sure you have installed a default web "
                       "browser and e-mail client."),
        MsgIcon::Error, MsgButtons::Ok);
    return false;
}

void LinkCommands::sendMail() {
    if (list_.selectedContact() && !editor_.email().isEmpty())
        openLink(MailLink(editor_.email()));
}

void LinkCommands::sendSecondMail() {
    if (list_.selectedContact() && !editor_.secondEmail().isEmpty())
        openLink(MailLink(editor_.secondEmail()));
}

void LinkCommands::openWebSite() {
    // Only a web address reaches the desktop; anything else is reported as a failed link.
    if (list_.selectedContact() && !editor_.webSite().isEmpty())
        openLink(WebSiteLink(editor_.webSite()));
}

} // namespace quenlark
