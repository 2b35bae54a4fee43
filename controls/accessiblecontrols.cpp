#include "controls/accessiblecontrols.h"

#include "controls/quenlarkbuttonbase.h"
#include "controls/quenlarkweblink.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QLabel>
#include <QPointer>

namespace quenlark {

namespace {

// Presses a control once the screen reader's request has returned: a drop-down button waits
// in its menu until the menu closes, which the request must not do.
template <class Control> void pressLater(Control* control, void (Control::*press)()) {
    QMetaObject::invokeMethod(
        control,
        [alive = QPointer<Control>(control), press] {
            if (alive)
                (alive.data()->*press)();
        },
        Qt::QueuedConnection);
}

class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(TQuenlarkButtonBase* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::Role role() const override {
        return button()->DropDown() ? QAccessible::ButtonMenu : QAccessible::Button;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = button()->DropDown() != nullptr;
        return state;
    }

    QString text(QAccessible::Text type) const override {
        const QString caption = CaptionWithoutAccelerator(button()->Caption());
        switch (type) {
        case QAccessible::Name:
            if (!widget()->accessibleName().isEmpty())
                return widget()->accessibleName();
            return caption.isEmpty() ? widget()->toolTip() : caption;
        case QAccessible::Description:
            // Without a caption the hint is already the name.
            if (caption.isEmpty() && widget()->accessibleDescription().isEmpty())
                return {};
            return QAccessibleWidget::text(type);
        default:
            return QAccessibleWidget::text(type);
        }
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        names.prepend(button()->DropDown() ? showMenuAction() : pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if (action == pressAction() || action == showMenuAction())
            pressLater(button(), &TQuenlarkButtonBase::KeyboardClick);
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TQuenlarkButtonBase* button() const { return static_cast<TQuenlarkButtonBase*>(widget()); }
};

class AccessibleLink : public QAccessibleWidget {
public:
    explicit AccessibleLink(TQuenlarkWebLink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
            return link()->Caption();
        if (type == QAccessible::Value)
            return link()->URL();
        return QAccessibleWidget::text(type);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if (action == pressAction())
            pressLater(link(), &TQuenlarkWebLink::Click);
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TQuenlarkWebLink* link() const { return static_cast<TQuenlarkWebLink*>(widget()); }
};

// A picture shown with the hand cursor (the mail and web pictures of the main window): a link
// named by its hint, pressed by the first action the picture carries, whose key it tells.
class AccessiblePictureLink : public QAccessibleWidget {
public:
    explicit AccessiblePictureLink(QLabel* picture)
        : QAccessibleWidget(picture, QAccessible::Link) {}

    static bool isPictureLink(const QLabel* label) {
        return label->text().isEmpty() && label->testAttribute(Qt::WA_SetCursor) &&
               label->cursor().shape() == Qt::PointingHandCursor;
    }

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
            return widget()->toolTip();
        return QAccessibleWidget::text(type);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (press())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if (action != pressAction() || !press()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        QMetaObject::invokeMethod(
            press(),
            [alive = QPointer<QAction>(press())] {
                if (alive)
                    alive->trigger();
            },
            Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction() && press() && !press()->shortcut().isEmpty())
            return {press()->shortcut().toString(QKeySequence::NativeText)};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QAction* press() const { return widget()->actions().value(0); }
};

QAccessibleInterface* controlInterface(const QString&, QObject* object) {
    if (auto* button = qobject_cast<TQuenlarkButtonBase*>(object))
        return new AccessibleButton(button);
    if (auto* link = qobject_cast<TQuenlarkWebLink*>(object))
        return new AccessibleLink(link);
    if (auto* label = qobject_cast<QLabel*>(object);
        label && AccessiblePictureLink::isPictureLink(label))
        return new AccessiblePictureLink(label);
    return nullptr;
}

} // namespace

void InstallAccessibleControls() {
    static const bool installed = [] {
        QAccessible::installFactory(&controlInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

QString CaptionWithoutAccelerator(const QString& caption) {
    QString read;
    read.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (++i == caption.size())
                break;
        }
        read.append(caption.at(i));
    }
    return read;
}

} // namespace quenlark
