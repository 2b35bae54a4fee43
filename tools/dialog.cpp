#include "tools/dialog.h"

#include "platform/uiseam.h"

#include <QFileInfo>
#include <cstring>
#include <optional>

namespace quenlark {

namespace {

FileDialogOptions optionsFor(const TFileDialogRequest& request) {
    FileDialogOptions options;
    options.owner = request.owner;
    options.title = QString::fromLatin1(request.title ? request.title : "");
    options.defaultExt = QString::fromLatin1(request.defaultExt ? request.defaultExt : "");
    options.filterIndex = request.filterIndex;
    options.flags = request.flags;
    for (const char* p = request.filter; p && *p;) {
        const char* description = p;
        p += std::strlen(p) + 1;
        const char* pattern = p;
        p += std::strlen(p) + 1;
        options.filters.append({QString::fromLatin1(description), QString::fromLatin1(pattern)});
        if (!*pattern)
            break;
    }
    return options;
}

bool finish(TFileDialogRequest& request, const std::optional<QString>& chosen) {
    if (!chosen || chosen->isEmpty())
        return false;
    const QString path = WithDefaultExtension(
        *chosen, QString::fromLatin1(request.defaultExt ? request.defaultExt : ""));
    if (path.size() >= kFileNameBufferSize)
        return false;
    if ((request.flags & kDialogFileMustExist) && !QFileInfo::exists(path))
        return false;
    request.fileName = path;
    return true;
}

} // namespace

void ClearFileDialogRequest(TFileDialogRequest& request) {
    request.owner = nullptr;
    request.filter = nullptr;
    request.defaultExt = nullptr;
    request.title = nullptr;
    request.filterIndex = 0;
    request.flags = 0;
    request.fileName.clear();
}

bool ShowOpenDialog(TFileDialogRequest& request) {
    return finish(request, Ui().openFileName(optionsFor(request)));
}

bool ShowSaveDialog(TFileDialogRequest& request) {
    return finish(request, Ui().saveFileName(optionsFor(request)));
}

} // namespace quenlark
