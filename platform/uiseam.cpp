#include "platform/uiseam.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace quenlark {

namespace {

UiSeam* g_seam = nullptr;

// What is read of a file to tell its kind.
constexpr qint64 kDocumentHeadSize = 512;

struct RegisteredPrinter {
    DocumentRecogniser recognises;
    DocumentPrinter print;
};

QList<RegisteredPrinter>& printers() {
    static QList<RegisteredPrinter> list;
    return list;
}

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

UiSeam& Ui() {
    static QtUiSeam real;
    return g_seam ? *g_seam : real;
}

void SetUi(UiSeam* seam) {
    g_seam = seam;
}

MsgResult QtUiSeam::messageBox(QWidget* owner, const QString& title, const QString& text,
                               MsgIcon icon, MsgButtons buttons, const QString& details) {
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(details);
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Ok:
        return MsgResult::Ok;
    default:
        // Closing the box answers like its last button would.
        return buttons == MsgButtons::Ok      ? MsgResult::Ok
               : buttons == MsgButtons::YesNo ? MsgResult::No
                                              : MsgResult::Cancel;
    }
}

QString WithDefaultExtension(const QString& path, const QString& defaultExt) {
    if (path.isEmpty() || defaultExt.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + defaultExt;
}

QStringList QtNameFilters(const FileDialogOptions& options) {
    QStringList out;
    for (const auto& [description, patterns] : options.filters) {
        QStringList parts = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : parts)
            p = p.trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, parts.join(QLatin1Char(' ')));
    }
    return out;
}

std::optional<QString> QtUiSeam::openFileName(const FileDialogOptions& options) {
    QFileDialog dialog(options.owner, options.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((options.flags & kDialogFileMustExist) ? QFileDialog::ExistingFile
                                                              : QFileDialog::AnyFile);
    const QStringList filters = QtNameFilters(options);
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 0 && options.filterIndex < filters.size())
        dialog.selectNameFilter(filters.at(options.filterIndex));
    dialog.setDefaultSuffix(options.defaultExt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUiSeam::saveFileName(const FileDialogOptions& options) {
    QFileDialog dialog(options.owner, options.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = QtNameFilters(options);
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 0 && options.filterIndex < filters.size())
        dialog.selectNameFilter(filters.at(options.filterIndex));
    dialog.setDefaultSuffix(options.defaultExt);
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     (options.flags & kDialogOverwritePrompt) == 0);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtUiSeam::launch(const QString& verb, const QString& target) {
    if (target.isEmpty())
        return false;
    if (verb == QLatin1String("print")) {
        const DocumentPrinter printer = DocumentPrinterFor(target);
        return printer && printer(target);
    }
    if (verb != QLatin1String("open"))
        return false;
    // Addresses with a scheme (mailto:, http:, https:) go to the desktop's handler as
    // they are; anything else names a local file.
    const QUrl url(target, QUrl::TolerantMode);
    if (url.isValid() && url.scheme().size() > 1 && !target.startsWith(QLatin1Char('/')))
        return QDesktopServices::openUrl(url);
    if (!QFileInfo::exists(target))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

void RegisterDocumentPrinter(DocumentRecogniser recognises, DocumentPrinter printer) {
    for (RegisteredPrinter& registered : printers()) {
        if (registered.recognises == recognises) {
            registered.print = printer;
            return;
        }
    }
    printers().append({recognises, printer});
}

DocumentPrinter DocumentPrinterFor(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray head = file.read(kDocumentHeadSize);
    for (const RegisteredPrinter& registered : printers())
        if (registered.recognises(head))
            return registered.print;
    return nullptr;
}

} // namespace quenlark
