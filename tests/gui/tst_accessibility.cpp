// What a screen reader finds in the windows, read through QAccessible: every control has a
// role and a name (buttons and links by their captions, edit boxes and lists by their
// labels, list items by the contact's name), the key badges are hidden, and the program's
// own buttons can be pressed from it.
#include "everywindow.h"
#include "forms/keybadge.h"
#include "forms/mainform.h"
#include "guitest.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QListView>
#include <QtTest>

using namespace quenlark;
using namespace quenlark::test;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// Every interface under `root`, the root included, depth first.
void collect(QAccessibleInterface* root, QList<QAccessibleInterface*>& out) {
    out << root;
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* child = root->child(i))
            collect(child, out);
}

bool isControl(QAccessible::Role role) {
    switch (role) {
    case QAccessible::Button:
    case QAccessible::ButtonMenu:
    case QAccessible::Link:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::List:
    case QAccessible::ListItem:
    case QAccessible::Tree:
    case QAccessible::TreeItem:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
        return true;
    default:
        return false;
    }
}

// What the label of an edit box or list says: its name, or on Linux, where a combo box's
// name is its value, the label it is related to.
QString labelOf(QAccessibleInterface* control) {
    if (control->role() != QAccessible::ComboBox)
        return control->text(QAccessible::Name);
    const auto labels = control->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name).trimmed();
}

} // namespace

class TstAccessibility : public GuiTest {
    Q_OBJECT
private slots:
    void controlsOfTheMainWindow_data();
    void controlsOfTheMainWindow();
    void listItemsAreTheContactsNames();
    void badgesAreHidden();
    void everyControlOfEveryWindowIsNamed();
    void buttonsArePressedFromTheScreenReader();
};

void TstAccessibility::controlsOfTheMainWindow_data() {
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    const auto row = [](const char* object, QAccessible::Role role, const char* name) {
        QTest::newRow(object) << QString::fromLatin1(object) << int(role)
                              << QString::fromLatin1(name);
    };
    row("addButton", QAccessible::Button, "Add");
    row("modifyButton", QAccessible::Button, "Modify");
    row("deleteButton", QAccessible::Button, "Delete");
    row("exitButton", QAccessible::Button, "Exit Address Book");
    row("reportButton", QAccessible::Button, "Report");
    row("backupButton", QAccessible::ButtonMenu, "Address Book Backup and Restore");
    row("sortButton", QAccessible::ButtonMenu, "Sort");
    row("infoButton", QAccessible::ButtonMenu, "Info");
    row("searchButton", QAccessible::Button, "Click Here to search for the data in the search box");
    row("selectNothingLink", QAccessible::Link, "Select nothing");
    row("sendMailLink", QAccessible::Link, "Send mail");
    row("webSiteLink", QAccessible::Link, "Web Site");
    row("matchCaseBox", QAccessible::CheckBox, "Match case");
    row("contacts", QAccessible::List, "Contacts");
    row("nameEdit", QAccessible::EditableText, "Contact name");
    row("nicknameEdit", QAccessible::EditableText, "Nickname");
    row("emailEdit", QAccessible::EditableText, "E-Mail address");
    row("secondEmailEdit", QAccessible::EditableText, "Seccond E-Mail address");
    row("webSiteEdit", QAccessible::EditableText, "Web site");
    row("phoneEdit", QAccessible::EditableText, "Phone number");
    row("mobileEdit", QAccessible::EditableText, "Mobile number");
    row("addressEdit", QAccessible::EditableText, "Address");
    row("zipCodeEdit", QAccessible::EditableText, "Zip code");
    row("cityEdit", QAccessible::EditableText, "City");
    row("countryBox", QAccessible::ComboBox, "Country");
    row("searchEdit", QAccessible::EditableText, "Search");
}

void TstAccessibility::controlsOfTheMainWindow() {
    QFETCH(QString, object);
    QFETCH(int, role);
    QFETCH(QString, name);
    EveryWindow all(*env_);
    QVERIFY(all.ok());
    QAccessibleInterface* control = accessible(Child(all.main(), object.toLatin1().constData()));
    QVERIFY(control);
    QCOMPARE(int(control->role()), role);
    QCOMPARE(labelOf(control), name);
}

void TstAccessibility::listItemsAreTheContactsNames() {
    auto w = window({NamedContact("Ann Lee"), NamedContact("Bob Zed")});
    QAccessibleInterface* list = accessible(Child<QListView>(*w, "contacts"));
    QStringList items;
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* item = list->child(i);
        if (item->role() == QAccessible::ListItem)
            items << item->text(QAccessible::Name);
    }
    QCOMPARE(items, QStringList({"Ann Lee", "Bob Zed"}));
}

void TstAccessibility::badgesAreHidden() {
    auto w = window();
    const QList<KeyBadge*> badges = w->findChildren<KeyBadge*>();
    QCOMPARE(badges.size(), 10);
    for (KeyBadge* badge : badges)
        QVERIFY2(accessible(badge)->state().invisible, qPrintable(badge->objectName()));
}

void TstAccessibility::everyControlOfEveryWindowIsNamed() {
    EveryWindow all(*env_);
    QVERIFY(all.ok());
    for (QWidget* window : all.windows()) {
        QList<QAccessibleInterface*> tree;
        collect(accessible(window), tree);
        int controls = 0;
        for (QAccessibleInterface* node : tree) {
            if (!isControl(node->role()) || node->state().invisible)
                continue;
            ++controls;
            const QString name = labelOf(node);
            const QString where = window->objectName() + QLatin1Char('/') +
                                  (node->object() ? node->object()->objectName() : name);
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(where + " has no name"));
            QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(where + ": " + name));
        }
        QVERIFY2(controls >= 3, qPrintable(window->objectName()));
    }
}

void TstAccessibility::buttonsArePressedFromTheScreenReader() {
    auto w = window();
    QAccessibleInterface* add = accessible(Child(*w, "addButton"));
    QAccessibleActionInterface* actions = add->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    // Pressed as a click is: Add without a name asks for one.
    QTRY_COMPARE(seam_->messages.size(), 1);
    QCOMPARE(seam_->messages[0].title, QStringLiteral("Specify required fields!"));

    QAccessibleInterface* link = accessible(Child(*w, "selectNothingLink"));
    QVERIFY(
        link->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
