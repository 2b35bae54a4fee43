// A key badge of the main window: a small steel-blue box that reads "F" and the number of
// the function key (its tag) that reaches the control beside it.
#pragma once

#include <QWidget>

namespace quenlark {

class KeyBadge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
public:
    explicit KeyBadge(QWidget* parent = nullptr);

    // The function key's number.
    int Tag() const { return tag_; }
    void SetTag(int tag);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int tag_ = 0;
};

} // namespace quenlark
