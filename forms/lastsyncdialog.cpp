#include "forms/lastsyncdialog.h"

#include "controls/quenlarkkeymanager.h"
#include "controls/quenlarkstdbutton.h"
#include "forms/syncrunner.h"

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QStandardItemModel>
#include <QTreeView>

namespace quenlark {

namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 330;

QStandardItem* cell(const QString& text) {
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    item->setToolTip(text);
    return item;
}

} // namespace

Tlastsyncdialog::Tlastsyncdialog(const LastSync& last, QWidget* parent) : QuenlarkDialog(parent) {
    setObjectName(QStringLiteral("lastsyncdialog"));
    setWindowTitle(QStringLiteral("Last sync"));
    resize(kWidth, kHeight);

    auto* title = new QLabel(QStringLiteral("Last sync"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(0, 0, kWidth, 24);
    auto* titleRule = new QFrame(this);
    titleRule->setFrameShape(QFrame::HLine);
    titleRule->setFrameShadow(QFrame::Sunken);
    titleRule->setGeometry(0, 24, kWidth, 5);

    auto* summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summaryText"));
    summary->setAccessibleName(QStringLiteral("Summary"));
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);
    summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    summary->setGeometry(12, 34, kWidth - 24, 42);
    summary->setText(last.when.isValid()
                         ? QStringLiteral("%1\n%2").arg(
                               QLocale().toString(last.when.toLocalTime(), QLocale::ShortFormat),
                               last.summary.mid(0, 2).join(QLatin1Char(' ')))
                         : QStringLiteral("No sync has run since the program started."));

    // Conflicts first, then the contacts the book cannot hold, in one list of four columns.
    auto* model = new QStandardItemModel(0, 4, this);
    model->setObjectName(QStringLiteral("lastSyncModel"));
    model->setHorizontalHeaderLabels({QStringLiteral("Contact"), QStringLiteral("Field"),
                                      QStringLiteral("Kept"), QStringLiteral("Lost")});
    for (const ShownConflict& c : last.conflicts) {
        const QString side =
            c.serverWon ? QStringLiteral("the server's") : QStringLiteral("this book's");
        QStandardItem* kept = cell(c.won);
        kept->setToolTip(QStringLiteral("%1, kept").arg(side));
        model->appendRow({cell(c.contact), cell(c.field), kept, cell(c.lost)});
    }
    for (const auto& [contact, reason] : last.serverOnly)
        model->appendRow({cell(contact), cell(QStringLiteral("(the whole contact)")),
                          cell(QStringLiteral("on the server only")),
                          cell(QStringLiteral("not in this book: %1").arg(reason))});
    auto* view = new QTreeView(this);
    view->setObjectName(QStringLiteral("lastSyncList"));
    view->setAccessibleName(QStringLiteral("Conflicts and contacts on the server only"));
    view->setRootIsDecorated(false);
    view->setAlternatingRowColors(true);
    view->setModel(model);
    view->setGeometry(12, 80, kWidth - 24, kHeight - 124);
    view->header()->setSectionResizeMode(QHeaderView::Stretch);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(8, kHeight - 38, kWidth - 16, 2);
    auto* close = new TQuenlarkStdButton(this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->SetCaption(QStringLiteral("&Close"));
    close->SetBorder(true);
    close->SetTransparentColour(65280);
    close->SetDefault(true);
    close->setGeometry(kWidth - 12 - 75, kHeight - 30, 75, 23);
    connect(close, &TQuenlarkStdButton::clicked, this, &Tlastsyncdialog::ok);
    // The list as text, for a note of the values that lost.
    auto* copy = new TQuenlarkStdButton(this);
    copy->setObjectName(QStringLiteral("copyButton"));
    copy->SetCaption(QStringLiteral("C&opy"));
    copy->SetBorder(true);
    copy->SetTransparentColour(65280);
    copy->setGeometry(kWidth - 12 - 75 - 80, kHeight - 30, 75, 23);
    const auto copyList = [summary, model] {
        QStringList lines{summary->text()};
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column)
                cells << model->item(row, column)->text();
            lines << cells.join(QLatin1Char('\t'));
        }
        QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
    };
    connect(copy, &TQuenlarkStdButton::clicked, this, copyList);
    auto* keys = new TQuenlarkKeyManager(this);
    connect(keys->defaultKey(), &QAction::triggered, this, &Tlastsyncdialog::ok);
    connect(keys->cancelKey(), &QAction::triggered, this, &Tlastsyncdialog::cancel);
    connect(keys->altKey('C'), &QAction::triggered, this, &Tlastsyncdialog::cancel);
    connect(keys->altKey('O'), &QAction::triggered, this, copyList);
    setTabOrder(view, copy);
    setTabOrder(copy, close);
    finishLayout(title);
    view->setFocus();
}

} // namespace quenlark
