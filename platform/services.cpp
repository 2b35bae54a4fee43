#include "platform/services.h"

#include "platform/uiseam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>

namespace quenlark {

void SeamMessageSink::showMessage(const std::string& title, const std::string& text,
                                  MessageKind kind) {
    Ui().messageBox(nullptr, QString::fromStdString(title), QString::fromStdString(text),
                    kind == MessageKind::Error ? MsgIcon::Error : MsgIcon::Information,
                    MsgButtons::Ok);
}

QString ProgramDataFile(const QString& name) {
    return ProgramDataFile(name, QString::fromStdString(ExecutableDir()));
}

QString ProgramDataFile(const QString& name, const QString& exeDir) {
    if (!exeDir.startsWith(QLatin1Char('/')))
        return {};
    const QDir dir(exeDir);
    const QString beside = dir.filePath(name);
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir::cleanPath(dir.filePath(QStringLiteral("../share/quenlark-addressbook/") + name));
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

void RegisterApplicationFonts() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // Only the regular face: the bold one of fonts-wine has the regular face's outlines, and
    // with it registered bold text came out regular. Without it Qt emboldens the regular
    // face wherever bold is asked for.
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(tahoma))
        QFontDatabase::addApplicationFont(tahoma);
}

} // namespace quenlark
