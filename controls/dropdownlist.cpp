#include "controls/dropdownlist.h"

#include <QApplication>
#include <QComboBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>

namespace quenlark {

namespace {

// The application's style, but the combo box drops down a list rather than a menu.
class ListPopupStyle : public QProxyStyle {
public:
    ListPopupStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_);
    }

private:
    int height_;
};

} // namespace

void SetUpDropDownList(QComboBox* box, int itemHeight) {
    auto* style = new ListPopupStyle;
    style->setParent(box);
    box->setStyle(style);
    box->setItemDelegate(new FixedHeightDelegate(itemHeight, box));
}

} // namespace quenlark
