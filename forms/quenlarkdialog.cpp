#include "forms/quenlarkdialog.h"

#include "controls/altkeyguard.h"
#include "forms/dialogstyle.h"

#include <QFontMetrics>
#include <QLabel>

namespace quenlark {

QuenlarkDialog::QuenlarkDialog(QWidget* parent) : QDialog(parent, kDialogFlags) {
    setFont(Tahoma8());
    new AltKeyGuard(this);
}

void QuenlarkDialog::finishLayout(QLabel* title, std::initializer_list<QLabel*> sizedToText) {
    setFixedSize(size());
    if (title)
        title->setFont(TitlePanelFont());
    for (QLabel* label : sizedToText)
        label->resize(QFontMetrics(label->font()).horizontalAdvance(label->text()),
                      label->height());
    NameControlsByTheirLabels(this);
    CentreOnScreen(this);
}

void QuenlarkDialog::reject() {
    done(closeResult_);
}

} // namespace quenlark
