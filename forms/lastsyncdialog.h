// "Last sync": what the last sync did, each conflicting field with the value kept and the value
// that lost, and the contacts that stay on the server only, with the reason.
#pragma once

#include "forms/quenlarkdialog.h"

namespace quenlark {

struct LastSync;

class Tlastsyncdialog : public QuenlarkDialog {
    Q_OBJECT
public:
    // Enter, Escape and Alt+C close it; Alt+O copies the list as text.
    explicit Tlastsyncdialog(const LastSync& last, QWidget* parent = nullptr);
};

} // namespace quenlark
