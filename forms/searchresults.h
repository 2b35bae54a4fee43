// The search results dialog: the search text, the number of contacts found and the list
// of them, with Cancel and Display.
#pragma once

#include "ui_searchresults.h"

#include <QDialog>
#include <functional>
#include <memory>

class QPainter;
class QStringListModel;

namespace quenlark {

class TQuenlarkKeyManager;

class Tsearchresults : public QDialog {
    Q_OBJECT
public:
    // Modal results.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit Tsearchresults(QWidget* parent = nullptr);
    ~Tsearchresults() override;

    // titlebar, searchfor, found, resultsdisplay, QuenlarkStdButton1 (Cancel),
    // QuenlarkStdButton2 (Display).
    Ui::searchresults* ui() const { return ui_.get(); }

    // Shows the search text as used, the number of results and the results (contact
    // handles, drawn as names) in the given order.
    void SetResults(const QString& searchText, const QStringList& handles);
    QStringList Results() const;
    // The handle of the selected result, or an empty string when none is selected.
    QString SelectedResult() const;

    // Draws result `Index` in `Rect` with DrawContactItem: its contact's name, white on the
    // item bar when selected, else in the button-text colour on the window colour.
    void resultsdisplayDrawItem(QPainter& Canvas, int Index, const QRect& Rect,
                                bool Selected) const;

    // Called by Display with the chosen contact handle, before the dialog closes.
    std::function<void(const QString& handle)> OnDisplay;

    // Display: asks for a selection when there is none; otherwise hands the selected
    // contact to OnDisplay and ends the dialog with mrOk. Reached by the Display button,
    // a double click in the list, Enter and Alt+D.
    void Button1Click(QObject* Sender);
    // Cancel: ends the dialog with mrCancel. Reached by the Cancel button, Escape and Alt+C.
    void QuenlarkStdButton1Click(QObject* Sender);

    // Enter: Display; Escape and Alt+C: Cancel; Alt+D: Display.
    TQuenlarkKeyManager* QuenlarkKeyManager1 = nullptr;

    // Closing the window any other way ends it with mrCancel.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::searchresults> ui_;
    QStringListModel* results_ = nullptr;
};

// The search results dialog while it is open.
extern Tsearchresults* searchresults;

} // namespace quenlark
