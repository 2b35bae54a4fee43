// What a screen reader learns of the program's own controls. The two buttons are push
// buttons (a button with a drop-down menu is a menu button) named by their caption without
// its "&", or by their hint when they have no caption; the web link is a link named by its
// caption; a picture shown with the hand cursor is a link named by its hint, pressed by the
// first action it carries. A screen reader can press each of them.
#pragma once

#include <QString>

namespace quenlark {

// Makes these interfaces known to Qt's accessibility. The controls call it as they are made.
void InstallAccessibleControls();

// A caption as it is read: each "&" that marks the next letter as the accelerator is left
// out, and "&&" reads as one "&".
QString CaptionWithoutAccelerator(const QString& caption);

} // namespace quenlark
