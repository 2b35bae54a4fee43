#include "platform/standarderror.h"

#include "platform/uiseam.h"

#include <QApplication>

namespace quenlark {

QString StandardErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void ShowStandardError(const QString& message) {
    Ui().messageBox(QApplication::activeWindow(), QString::fromLatin1(kApplicationTitle),
                    StandardErrorText(message), MsgIcon::Error, MsgButtons::Ok);
}

} // namespace quenlark
