#include "scripteduiseam.h"

namespace quenlark::test {

ScriptedUiSeam::ScriptedUiSeam() {
    SetUi(this);
}

ScriptedUiSeam::~ScriptedUiSeam() {
    SetUi(nullptr);
}

MsgResult ScriptedUiSeam::messageBox(QWidget* owner, const QString& title, const QString& text,
                                     MsgIcon icon, MsgButtons buttons, const QString& details) {
    RecordedMessage m{owner, owner != nullptr, title, text, icon, buttons, details};
    messages.append(m);
    if (onMessage)
        onMessage(m);
    if (!answers.isEmpty())
        return answers.dequeue();
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgResult::Yes;
    }
    return MsgResult::Ok;
}

std::optional<QString> ScriptedUiSeam::openFileName(const FileDialogOptions& options) {
    dialogs.append({false, options});
    return files.isEmpty() ? std::nullopt : files.dequeue();
}

std::optional<QString> ScriptedUiSeam::saveFileName(const FileDialogOptions& options) {
    dialogs.append({true, options});
    return files.isEmpty() ? std::nullopt : files.dequeue();
}

bool ScriptedUiSeam::launch(const QString& verb, const QString& target) {
    launches.append({verb, target});
    return launchResult;
}

QStringList ScriptedUiSeam::titles() const {
    QStringList out;
    for (const RecordedMessage& m : messages)
        out << m.title;
    return out;
}

void ScriptedUiSeam::clear() {
    answers.clear();
    files.clear();
    messages.clear();
    dialogs.clear();
    launches.clear();
}

} // namespace quenlark::test
