// What every window of the program shares: its fonts, the dialogs' frame and placement.
#pragma once

#include <QFont>
#include <Qt>

class QWidget;

namespace quenlark {

// A fixed border with a caption and a close box, no minimise or maximise box.
inline constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                Qt::WindowCloseButtonHint;

// Tahoma 8 point, the font of every window; the pixel size keeps the layouts' pixels at any
// screen resolution.
QFont Tahoma8();
// Tahoma 10 point bold, the caption of a dialog's title panel.
QFont TitlePanelFont();
// Places a window in the middle of the primary screen.
void CentreOnScreen(QWidget* window);
// Names the controls of a window for screen readers, where the layout did not: a label's
// buddy by the label's text (without "&", the blanks and the colon at its end), a picture
// by its hint.
void NameControlsByTheirLabels(QWidget* window);

} // namespace quenlark
