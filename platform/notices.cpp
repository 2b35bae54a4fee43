#include "platform/notices.h"

#include "platform/uiseam.h"

#include <QFile>
#include <QString>

#include <bitset>

namespace quenlark {

namespace {
std::bitset<2> g_given;
} // namespace

bool FirstTimeInRun(RunNotice notice) {
    const auto bit = static_cast<std::size_t>(notice);
    if (g_given.test(bit))
        return false;
    g_given.set(bit);
    return true;
}

void ForgetRunNotices() {
    g_given.reset();
}

void TellLockingUnsupported(QWidget* owner, const std::string& databasePath) {
    if (!FirstTimeInRun(RunNotice::LockingUnsupported))
        return;
    const QString path = QFile::decodeName(QByteArray::fromStdString(databasePath));
    Ui().messageBox(owner, QStringLiteral("Database cannot be locked"),
                    QStringLiteral("The address book \"%1\" is on a file system that does not "
                                   "support file locks, so Quenlark Address Book cannot keep "
                                   "another copy of the program, on this or another computer, "
                                   "from changing it at the same time.\n\nThe address book is "
                                   "open.  Make sure no other copy of the program uses it while "
                                   "you work, or move it to a local disk.")
                        .arg(path),
                    MsgIcon::Warning, MsgButtons::Ok);
}

} // namespace quenlark
