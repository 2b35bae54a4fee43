#include "controls/quenlarkspeedbtn.h"

namespace quenlark {

TQuenlarkSpeedBtn::TQuenlarkSpeedBtn(QWidget* parent)
    : TQuenlarkButtonBase(parent, false, QSize(20, 20)) {
    setFocusPolicy(Qt::NoFocus);
}

TQuenlarkSpeedBtn::~TQuenlarkSpeedBtn() = default;

} // namespace quenlark
