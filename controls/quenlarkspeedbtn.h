// The program's flat tool button: the looks of the push button without the keyboard focus
// and the default frame. It is never a tab stop and never reached with Enter.
#pragma once

#include "controls/quenlarkbuttonbase.h"

namespace quenlark {

class TQuenlarkSpeedBtn : public TQuenlarkButtonBase {
    Q_OBJECT

public:
    // 20 by 20 pixels, without a border.
    explicit TQuenlarkSpeedBtn(QWidget* parent = nullptr);
    ~TQuenlarkSpeedBtn() override;

    QSize sizeHint() const override { return QSize(20, 20); }
};

} // namespace quenlark
