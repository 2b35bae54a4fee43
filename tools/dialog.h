// The open and save file dialogs, run from a request record.
#pragma once

#include <QString>

class QWidget;

namespace quenlark {

struct TFileDialogRequest {
    QWidget* owner;
    // Pairs of NUL-terminated texts, description then pattern, ended by one more NUL.
    const char* filter;
    const char* defaultExt;
    const char* title;
    int filterIndex;
    unsigned flags;
    QString fileName;
};

// The longest path the dialogs hand back.
inline constexpr int kFileNameBufferSize = 360;

void ClearFileDialogRequest(TFileDialogRequest& request);
// True when the person chose a file; its path is then in fileName. False leaves fileName.
bool ShowOpenDialog(TFileDialogRequest& request);
bool ShowSaveDialog(TFileDialogRequest& request);

} // namespace quenlark
