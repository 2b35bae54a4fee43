// The real main window (offscreen) on 10,000 to 1,000,000 contacts: start-up to a drawn
// list, Add, Modify and Delete with the list brought up to date, search and sort. Each
// figure is also a ratio to yardsticks measured beside it in the same iteration: x_raw, one
// read of the database through a reused block buffer; x_copy (Delete), a copy of the
// database with a flush, what any rewrite of the book costs. peak_MiB is the process's peak
// memory during the benchmark.
#include "benchsupport.h"
#include "forms/mainform.h"
#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTimer>
#include <memory>

using namespace quenlark;
using namespace quenlark::bench;
using test::Child;

namespace {

// A private copy of the cached database of n contacts in a sandbox, with a window on it.
struct Window {
    explicit Window(std::size_t n) {
        std::filesystem::copy_file(CachedDatabase(n), env.databasePath().toStdString(),
                                   std::filesystem::copy_options::overwrite_existing);
        FlushFile(env.databasePath().toStdString());
        ResetPeakMemory();
    }
    void open() { window = test::MakeMainWindow(env); }
    QListView* list() const { return Child<QListView>(*window, "contacts"); }
    int listed() const { return list()->model()->rowCount(); }
    std::string path() const { return env.databasePath().toStdString(); }
    void select(int row) const {
        list()->selectionModel()->select(list()->model()->index(row, 0),
                                         QItemSelectionModel::ClearAndSelect);
    }
    test::TestEnv env;
    test::ScriptedUiSeam ui;
    std::unique_ptr<Tmainform> window;
};

// Sums of one benchmark's laps, reported as the counters above.
struct Laps {
    double change = 0, raw = 0, copy = 0;
    void add(benchmark::State& state, double seconds, double rawSeconds, double copySeconds = 0) {
        state.SetIterationTime(seconds);
        change += seconds;
        raw += rawSeconds;
        copy += copySeconds;
    }
    void report(benchmark::State& state) const {
        if (raw > 0)
            state.counters["x_raw"] = change / raw;
        if (copy > 0)
            state.counters["x_copy"] = change / copy;
        state.counters["peak_MiB"] = PeakMemoryMiB();
    }
};

using Clock = std::chrono::steady_clock;

void BM_StartUpToDrawnList(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        const auto start = Clock::now();
        w.open();
        w.window->show();
        const QPixmap drawn = w.window->grab();
        const double seconds = SecondsSince(start);
        if (!w.window->startedUp() || w.listed() != state.range(0) || drawn.isNull())
            state.SkipWithError("start-up failed");
        w.window.reset();
        laps.add(state, seconds, raw.seconds(w.path()));
    }
    laps.report(state);
}

void BM_AddWithRefresh(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    w.open();
    auto* name = Child<QLineEdit>(*w.window, "nameEdit");
    auto* email = Child<QLineEdit>(*w.window, "emailEdit");
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        name->setText(QStringLiteral("Added Person"));
        email->setText(QStringLiteral("added@example.com"));
        const auto start = Clock::now();
        w.window->addContact();
        const double seconds = SecondsSince(start); // before the yardstick runs
        laps.add(state, seconds, raw.seconds(w.path()));
    }
    if (!w.ui.messages.isEmpty())
        state.SkipWithError(w.ui.messages.first().title.toStdString().c_str());
    if (w.listed() != state.range(0) + int(state.iterations()))
        state.SkipWithError("not every contact was listed");
    laps.report(state);
}

void BM_ModifyWithRefresh(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    w.open();
    auto* nickname = Child<QLineEdit>(*w.window, "nicknameEdit");
    RawRead raw;
    Laps laps;
    int round = 0;
    for (auto _ : state) {
        w.select(w.listed() / 2);
        nickname->setText(QStringLiteral("Round %1").arg(++round));
        const auto start = Clock::now();
        w.window->modifyContact();
        const double seconds = SecondsSince(start); // before the yardstick runs
        laps.add(state, seconds, raw.seconds(w.path()));
    }
    if (!w.ui.messages.isEmpty())
        state.SkipWithError(w.ui.messages.first().title.toStdString().c_str());
    laps.report(state);
}

// Deletes the contact at the given share of the list (0 = the first, the worst case:
// every later record moves).
void deleteWithRefresh(benchmark::State& state, double at) {
    Window w(std::size_t(state.range(0)));
    w.open();
    const int before = w.listed();
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        w.select(int(at * w.listed()));
        w.ui.answer(MsgResult::Yes);
        const auto start = Clock::now();
        w.window->deleteContact();
        const double seconds = SecondsSince(start);
        laps.add(state, seconds, raw.seconds(w.path()), CopyWithFlush(w.path()));
    }
    if (w.listed() != before - int(state.iterations()))
        state.SkipWithError("not every delete happened");
    laps.report(state);
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
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        // The results dialog is shown and closed by the search itself.
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        const auto start = Clock::now();
        w.window->searchContacts(QStringLiteral("pan 9"), false);
        const double seconds = SecondsSince(start); // before the yardstick runs
        laps.add(state, seconds, raw.seconds(w.path()));
    }
    laps.report(state);
}

void BM_SortAscending(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    w.open();
    RawRead raw;
    Laps laps;
    for (auto _ : state) {
        w.window->sortContacts(Qt::DescendingOrder); // another order to start from
        const auto start = Clock::now();
        w.window->sortContacts(Qt::AscendingOrder);
        const double seconds = SecondsSince(start); // before the yardstick runs
        laps.add(state, seconds, raw.seconds(w.path()));
    }
    if (!w.ui.messages.isEmpty())
        state.SkipWithError("sorting asked something");
    laps.report(state);
}

// 10,000 and 100,000 contacts, and a million with few rounds (each round of the slow cases
// at a million takes seconds).
void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_StartUpToDrawnList)->Apply(Sizes)->Iterations(3);
BENCHMARK(BM_AddWithRefresh)->Apply(Sizes)->Iterations(20);
BENCHMARK(BM_ModifyWithRefresh)->Apply(Sizes)->Iterations(20);
BENCHMARK(BM_DeleteFirstWithRefresh)->Apply(Sizes)->Iterations(3);
BENCHMARK(BM_DeleteMiddleWithRefresh)->Apply(Sizes)->Iterations(3);
BENCHMARK(BM_Search)->Apply(Sizes)->Iterations(3);
BENCHMARK(BM_SortAscending)->Apply(Sizes)->Iterations(3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
