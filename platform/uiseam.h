// Every modal question the program asks and every hand-off to the desktop goes through
// this interface. The program installs QtUiSeam; tests install a scripted one.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace quenlark {

enum class MsgIcon { None, Information, Question, Warning, Error };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
// Values as the desktop's message box functions return them.
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

inline constexpr unsigned kDialogOverwritePrompt = 0x2;
inline constexpr unsigned kDialogFileMustExist = 0x1000;

struct FileDialogOptions {
    QWidget* owner = nullptr;
    QString title;
    // Filter pairs: description, then patterns separated by "; " ("*.html; *.htm").
    QList<QPair<QString, QString>> filters;
    int filterIndex = 0;
    QString defaultExt; // without the dot; appended to a name typed without an extension
    unsigned flags = 0; // kDialogOverwritePrompt, kDialogFileMustExist
};

class UiSeam {
public:
    virtual ~UiSeam() = default;
    // `details`, when given, is shown on request below the text (the system's reason for a
    // failure, for example).
    virtual MsgResult messageBox(QWidget* owner, const QString& title, const QString& text,
                                 MsgIcon icon, MsgButtons buttons,
                                 const QString& details = QString()) = 0;
    // The chosen path, or nothing when the person cancelled.
    virtual std::optional<QString> openFileName(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> saveFileName(const FileDialogOptions& options) = 0;
    // Asks the desktop to perform a verb ("open", "print") on a document or an address.
    // True when the request was accepted.
    virtual bool launch(const QString& verb, const QString& target) = 0;
};

// The seam in use. Until one is installed, the Qt implementation is used.
UiSeam& Ui();
// Installs a seam (not owned); nullptr goes back to the Qt implementation.
void SetUi(UiSeam* seam);

// The real dialogs and launcher of the desktop.
class QtUiSeam : public UiSeam {
public:
    MsgResult messageBox(QWidget* owner, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons, const QString& details) override;
    std::optional<QString> openFileName(const FileDialogOptions& options) override;
    std::optional<QString> saveFileName(const FileDialogOptions& options) override;
    bool launch(const QString& verb, const QString& target) override;
};

// Appends ".ext" to a path whose file name has no extension.
QString WithDefaultExtension(const QString& path, const QString& defaultExt);
// The name filter text Qt's dialogs take: "Description (*.a *.b)".
QStringList QtNameFilters(const FileDialogOptions& options);

// A printer for documents the program writes itself. "print" hands a file to the printer
// that recognises its first bytes, whatever the file is called; a file no printer
// recognises is not printed.
using DocumentPrinter = bool (*)(const QString& path);
// Whether a file that begins with `head` is a printer's kind of document.
using DocumentRecogniser = bool (*)(QByteArrayView head);
// Registering a recogniser again replaces its printer.
void RegisterDocumentPrinter(DocumentRecogniser recognises, DocumentPrinter printer);
// The printer for the file at `path`, or nullptr when it cannot be read or nothing
// recognises it.
DocumentPrinter DocumentPrinterFor(const QString& path);

} // namespace quenlark
