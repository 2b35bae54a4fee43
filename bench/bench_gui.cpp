// The main window with 10,000 and 100,000 contacts: start-up to a filled list, Add and
// Delete with their refresh, search and sort.
#include "benchdata.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

using namespace quenlark;
using test::Child;

namespace {

// A database of n contacts in a sandbox, with a window open on it.
struct Window {
    explicit Window(std::size_t n) {
        const std::string bytes = bench::SampleDatabase(n);
        env.writeDatabase(QByteArray::fromStdString(bytes));
    }
    void open() { window = test::MakeMainWindow(env); }
    int listed() const { return Child<QListView>(*window, "contacts")->model()->rowCount(); }
    test::TestEnv env;
    test::ScriptedUiSeam ui;
    std::unique_ptr<Tmainform> window;
};

void BM_StartUpToFilledList(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    for (auto _ : state) {
        w.open();
        if (!w.window->startedUp() || w.listed() != state.range(0))
            state.SkipWithError("start-up failed");
        state.PauseTiming();
        w.window.reset();
        state.ResumeTiming();
    }
}

void BM_AddWithRefresh(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    w.open();
    auto* name = Child<QLineEdit>(*w.window, "nameEdit");
    auto* email = Child<QLineEdit>(*w.window, "emailEdit");
    for (auto _ : state) {
        state.PauseTiming();
        name->setText(QStringLiteral("Added Person"));
        email->setText(QStringLiteral("added@example.com"));
        state.ResumeTiming();
        w.window->addContact();
    }
    if (!w.ui.messages.isEmpty())
        state.SkipWithError(w.ui.messages.first().title.toStdString().c_str());
}

// Deletes the contact at the given share of the list (0 = the first, the worst case:
// every later record moves).
void deleteWithRefresh(benchmark::State& state, double at) {
    Window w(std::size_t(state.range(0)));
    w.open();
    auto* list = Child<QListView>(*w.window, "contacts");
    const int before = w.listed();
    for (auto _ : state) {
        state.PauseTiming();
        const int row = int(at * w.listed());
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect);
        w.ui.answer(MsgResult::Yes);
        state.ResumeTiming();
        w.window->deleteContact();
    }
    if (w.listed() != before - int(state.iterations()))
        state.SkipWithError("not every delete happened");
}

void BM_DeleteFirstWithRefresh(benchmark::State& state) {
    deleteWithRefresh(state, 0.0);
}
void BM_DeleteMiddleWithRefresh(benchmark::State& state) {
    deleteWithRefresh(state, 0.5);
}

void BM_Search(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    w.open();
    for (auto _ : state) {
        // The results dialog is shown and closed by the search itself.
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        w.window->searchContacts(QStringLiteral("pan 9"), false);
    }
}

void BM_SortAscending(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    w.open();
    for (auto _ : state) {
        state.PauseTiming();
        w.window->sortContacts(Qt::DescendingOrder); // another order to start from
        state.ResumeTiming();
        w.window->sortContacts(Qt::AscendingOrder);
    }
    if (!w.ui.messages.isEmpty())
        state.SkipWithError("sorting asked something");
}

} // namespace

BENCHMARK(BM_StartUpToFilledList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddWithRefresh)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteFirstWithRefresh)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteMiddleWithRefresh)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAscending)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
