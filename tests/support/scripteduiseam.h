// A UI seam for tests: records every question and hand-off, answers from queues.
#pragma once

#include "platform/uiseam.h"

#include <QList>
#include <QPointer>
#include <QQueue>
#include <QWidget>
#include <functional>

namespace quenlark::test {

struct RecordedMessage {
    QPointer<QWidget> owner;
    bool hadOwner = false;
    QString title;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    QString details;
};

struct RecordedDialog {
    bool save = false;
    FileDialogOptions options;
};

struct RecordedLaunch {
    QString verb;
    QString target;
};

class ScriptedUiSeam : public UiSeam {
public:
    // Installs itself as the seam for its lifetime.
    ScriptedUiSeam();
    ~ScriptedUiSeam() override;

    MsgResult messageBox(QWidget* owner, const QString& title, const QString& text, MsgIcon icon,
                         MsgButtons buttons, const QString& details) override;
    std::optional<QString> openFileName(const FileDialogOptions& options) override;
    std::optional<QString> saveFileName(const FileDialogOptions& options) override;
    bool launch(const QString& verb, const QString& target) override;

    // Answers, used in order. A message box with no queued answer gets its first button;
    // a file dialog with none is cancelled.
    void answer(MsgResult result) { answers.enqueue(result); }
    void chooseFile(const QString& path) { files.enqueue(std::optional<QString>(path)); }
    void cancelFile() { files.enqueue(std::nullopt); }

    // Called at each message box, after it is recorded (for work done "while it is open").
    std::function<void(const RecordedMessage&)> onMessage;

    QQueue<MsgResult> answers;
    QQueue<std::optional<QString>> files;
    QList<RecordedMessage> messages;
    QList<RecordedDialog> dialogs;
    QList<RecordedLaunch> launches;
    bool launchResult = true;

    // Message titles in order, for short assertions.
    QStringList titles() const;
    void clear();
    // True when every queued answer was used.
    bool drained() const { return answers.isEmpty() && files.isEmpty(); }
};

} // namespace quenlark::test
