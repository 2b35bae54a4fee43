// The main window's mail and web links: the two envelopes and "Send mail", the star and
// "Web Site", the pressed look of the second envelope, and the details area scrolling back
// to its top when the e-mail box takes the focus.
#include "controls/quenlarkweblink.h"
#include "forms/mainform.h"
#include "platform/uiseam.h"
#include "resources/bitmaps.h"
#include "tools/filetools.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QUrl>

namespace quenlark {

namespace {

constexpr QRgb kTransparentGreen = qRgb(0, 255, 0);

// The link images are labels: this turns their mouse events into the handlers of the
// window. A click is a left press and a left release over the same image; the second
// envelope also hears every press and release for its pressed look.
class LinkImageMouse : public QObject {
public:
    explicit LinkImageMouse(Tmainform* form) : QObject(form), form_(form) {
        for (QLabel* image : {form->ui()->sendmail, form->ui()->sendmail2, form->ui()->website})
            image->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
            type != QEvent::MouseButtonRelease)
            return false;
        auto* image = qobject_cast<QLabel*>(watched);
        if (!image)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        const Ui::mainform& ui = *form_->ui();
        if (type == QEvent::MouseButtonRelease) {
            const bool clicked = mouse->button() == Qt::LeftButton && pressed_ == image &&
                                 image->rect().contains(at);
            if (mouse->button() == Qt::LeftButton)
                pressed_ = nullptr;
            if (image == ui.sendmail2)
                form_->sendmail2MouseUp(image, mouse->button(), mouse->modifiers(), at.x(), at.y());
            if (clicked) {
                if (image == ui.sendmail)
                    form_->lb_sendmailClick(image);
                else if (image == ui.sendmail2)
                    form_->sendmail2Click(image);
                else if (image == ui.website)
                    form_->lb_websiteClick(image);
            }
            return true;
        }
        // The second press of a double click shows the pressed look but clicks nothing.
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
            pressed_ = image;
        if (image == ui.sendmail2)
            form_->sendmail2Down(image, mouse->button(), mouse->modifiers(), at.x(), at.y());
        return true;
    }

private:
    Tmainform* form_;
    QLabel* pressed_ = nullptr;
};

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

void Tmainform::BindLinks() {
    new LinkImageMouse(this);
    ui_->QuenlarkWebLink2->OnClick = [this](QObject* sender) { lb_sendmailClick(sender); };
    ui_->QuenlarkWebLink3->OnClick = [this](QObject* sender) { lb_websiteClick(sender); };
    // Connected after the window's own focus handling, which scrolls a focused row into
    // view, so that the e-mail box always brings back the top of the details area.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == ui_->e_email)
            e_emailEnter(ui_->e_email);
    });
}

QString Tmainform::MailLink(const QString& address) {
    // Everything but the characters of a plain address is percent-encoded, so that "?",
    // "#", "&" or "%" in the box never add headers, a body or a fragment to the mail.
    return QStringLiteral("mailto:") +
           QString::fromLatin1(QUrl::toPercentEncoding(address, QByteArrayLiteral("@!$'*+,;=:")));
}

QString Tmainform::WebSiteLink(const QString& text) {
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

bool Tmainform::OpenLink(const QString& link) {
    if (!link.isEmpty() && ShellLaunch(QStringLiteral("open"), link))
        return true;
    Ui().messageBox(
        this, QStringLiteral("Failed to open link"),
        QStringLiteral("There was an error sending an e-mail/opening the web site address for the "
                       "selected contact!\n\nPlease make sure that the e-mail/web site address is "
                       "correct.\n\nIf it is, please make sure you have installed a default web "
                       "browser and e-mail client."),
        MsgIcon::Error, MsgButtons::Ok);
    return false;
}

void Tmainform::lb_sendmailClick(QObject*) {
    if (!SelectedContact() || ui_->e_email->text().isEmpty())
        return;
    OpenLink(MailLink(ui_->e_email->text()));
}

void Tmainform::sendmail2Click(QObject*) {
    if (!SelectedContact() || ui_->e_2ndemail->text().isEmpty())
        return;
    OpenLink(MailLink(ui_->e_2ndemail->text()));
}

void Tmainform::lb_websiteClick(QObject*) {
    if (!SelectedContact() || ui_->e_website->text().isEmpty())
        return;
    // Only a web address reaches the desktop; anything else is reported as a failed link.
    OpenLink(WebSiteLink(ui_->e_website->text()));
}

void Tmainform::sendmail2Down(QObject*, Qt::MouseButton Button, Qt::KeyboardModifiers, int, int) {
    if (Button == Qt::LeftButton)
        ui_->sendmail2->setPixmap(
            LoadTransparentBitmap(QStringLiteral("IDB_SEND2_DOWN"), kTransparentGreen));
}

void Tmainform::sendmail2MouseUp(QObject*, Qt::MouseButton Button, Qt::KeyboardModifiers, int,
                                 int) {
    if (Button == Qt::LeftButton)
        ui_->sendmail2->setPixmap(
            LoadTransparentBitmap(QStringLiteral("IDB_SEND2_UP"), kTransparentGreen));
}

void Tmainform::e_emailEnter(QObject*) {
    ui_->scrollbox->verticalScrollBar()->setValue(0);
}

} // namespace quenlark
