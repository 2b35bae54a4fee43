// The real main window (offscreen) on 10,000 to 1,000,000 contacts, timed as a person waits:
// from the command to the window painted and the event loop idle (every layout, repaint and
// zero timer the command left behind handled, and the window seen to paint). Start-up to a
// drawn list; Add, Modify, Delete and Restore; importing 100,000 vCards; search; sort.
//
// Each figure is also a ratio to a yardstick measured beside it in the same lap
// (benchsupport.h): x_cat, one read of the book at `cat`'s speed; x_copy, a copy of the book
// the way the program copies, flushed (what a delete or a restore must at least do); x_sync
// (Add, Modify), one record written to a file beside the book and flushed; x_sort,
// GNU `sort -f` of the same sort keys in the same locale; x_floor (import), one read of the
// vCard file and a write of the records it adds, flushed. peak_MiB is the process's peak
// memory during the command; the sort also reports the memory it leaves behind (kept_MiB:
// the most resident memory after a sort less before_MiB, the memory before the first one).
#include "benchsupport.h"
#include "engine/codepage.h"
#include "forms/mainform.h"
#include "interchange/vcardwriter.h"
#include "mainwindowdriver.h"
#include "scripteduiseam.h"
#include "testenv.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace quenlark;
using namespace quenlark::bench;
using test::Child;

namespace {

// Lets the window finish what a command left to the event loop: posted layouts and repaints,
// timers due at once. Returns when two rounds in a row find nothing to do.
void Settle() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int quiet = 0; quiet < 2;) {
        QCoreApplication::sendPostedEvents();
        quiet = dispatcher->processEvents(QEventLoop::AllEvents) ? 0 : quiet + 1;
    }
}

// Counts the paint events of one window's widgets, and of one widget of it on its own.
class PaintCount : public QObject {
public:
    PaintCount(QWidget* window, QWidget* widget) : window_(window), widget_(widget) {
        qApp->installEventFilter(this);
    }
    int window() const { return window_count_; }
    int widget() const { return widget_count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            window_count_ += w->window() == window_;
            widget_count_ += w == widget_;
        }
        return false;
    }

private:
    QWidget* window_;
    QWidget* widget_;
    int window_count_ = 0;
    int widget_count_ = 0;
};

// A private copy of the cached database of n contacts in a sandbox, with a window on it,
// shown and painted.
struct Window {
    explicit Window(std::size_t n) {
        std::filesystem::copy_file(CachedDatabase(n), env.databasePath().toStdString(),
                                   std::filesystem::copy_options::overwrite_existing);
        FlushFile(env.databasePath().toStdString());
    }
    bool open() {
        window = test::MakeMainWindow(env);
        if (!window->startedUp())
            return false;
        paints = std::make_unique<PaintCount>(window.get(), list()->viewport());
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return false;
        Settle();
        return true;
    }
    QListView* list() const { return Child<QListView>(*window, "contacts"); }
    int listed() const { return list()->model()->rowCount(); }
    std::string path() const { return env.databasePath().toStdString(); }
    // Selects a row as a click would, brought into view first.
    void select(int row) const {
        const QModelIndex index = list()->model()->index(row, 0);
        list()->scrollTo(index);
        list()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        Settle();
    }
    // Runs a command to the window painted and idle; its time.
    double run(Laps& laps, const std::function<void()>& command, benchmark::State& state,
               bool listMustPaint) {
        const int windowBefore = paints->window(), listBefore = paints->widget();
        laps.begin();
        command();
        Settle();
        const double seconds = laps.end();
        if (paints->window() == windowBefore || (listMustPaint && paints->widget() == listBefore))
            state.SkipWithError("the window was not painted after the command");
        return seconds;
    }
    void failOnMessage(benchmark::State& state) const {
        if (!ui.messages.isEmpty())
            state.SkipWithError(ui.messages.first().title.toStdString().c_str());
    }

    test::TestEnv env;
    test::ScriptedUiSeam ui;
    std::unique_ptr<Tmainform> window;
    std::unique_ptr<PaintCount> paints;
};

void BM_StartUpToDrawnList(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    CatRead cat;
    Laps laps("x_cat");
    for (auto _ : state) {
        laps.begin();
        const bool opened = w.open();
        const double seconds = laps.end();
        if (!opened || w.listed() != state.range(0) || w.paints->widget() == 0)
            state.SkipWithError("start-up failed");
        w.paints.reset();
        w.window.reset();
        laps.add(state, seconds, cat.seconds(w.path()));
    }
    laps.report(state);
}

void BM_Add(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    if (!w.open())
        return state.SkipWithError("start-up failed");
    auto* name = Child<QLineEdit>(*w.window, "nameEdit");
    auto* email = Child<QLineEdit>(*w.window, "emailEdit");
    Laps laps("x_sync");
    for (auto _ : state) {
        name->setText(QStringLiteral("Added Person"));
        email->setText(QStringLiteral("added@example.com"));
        Settle();
        const double seconds = w.run(
            laps, [&] { w.window->addContact(); }, state, false);
        laps.add(state, seconds, DurableWrite(w.path()));
    }
    w.failOnMessage(state);
    if (w.listed() != state.range(0) + int(state.iterations()))
        state.SkipWithError("not every contact was listed");
    laps.report(state);
}

void BM_Modify(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    if (!w.open())
        return state.SkipWithError("start-up failed");
    auto* nickname = Child<QLineEdit>(*w.window, "nicknameEdit");
    Laps laps("x_sync");
    int round = 0;
    for (auto _ : state) {
        w.select(w.listed() / 2);
        nickname->setText(QStringLiteral("Round %1").arg(++round));
        Settle();
        const double seconds = w.run(
            laps, [&] { w.window->modifyContact(); }, state, true);
        laps.add(state, seconds, DurableWrite(w.path()));
    }
    w.failOnMessage(state);
    laps.report(state);
}

// Deletes the contact at the given share of the list (0 = the first, the worst case: every
// later record moves).
void deleteAt(benchmark::State& state, double at) {
    Window w(std::size_t(state.range(0)));
    if (!w.open())
        return state.SkipWithError("start-up failed");
    const int before = w.listed();
    Laps laps("x_copy");
    for (auto _ : state) {
        w.select(int(at * (w.listed() - 1)));
        w.ui.answer(MsgResult::Yes);
        const double seconds = w.run(
            laps, [&] { w.window->deleteContact(); }, state, true);
        laps.add(state, seconds, FastCopy(w.path()));
    }
    if (w.listed() != before - int(state.iterations()))
        state.SkipWithError("not every delete happened");
    laps.report(state);
}

void BM_DeleteFirst(benchmark::State& state) {
    deleteAt(state, 0.0);
}
void BM_DeleteMiddle(benchmark::State& state) {
    deleteAt(state, 0.5);
}

void BM_Restore(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    if (!w.open())
        return state.SkipWithError("start-up failed");
    const std::string backup =
        CopyOf(CachedDatabase(std::size_t(state.range(0))), "gui-restore.QuenlarkBackup");
    Laps laps("x_copy");
    for (auto _ : state) {
        w.select(0);
        w.ui.chooseFile(QString::fromStdString(backup));
        const double seconds = w.run(
            laps, [&] { w.window->restoreBackup(); }, state, true);
        laps.add(state, seconds, FastCopy(backup));
        if (w.ui.titles() != QStringList{QStringLiteral("Backup complete.")})
            state.SkipWithError("the restore failed");
        w.ui.clear();
    }
    if (w.listed() != state.range(0))
        state.SkipWithError("the restored contacts are not listed");
    laps.report(state);
    std::filesystem::remove(backup);
}

// A vCard file of `count` sample contacts numbered from `first`, written once.
std::string VCardFile(std::size_t first, std::size_t count) {
    const std::string path =
        CacheDir() + "/import-" + std::to_string(first) + "-" + std::to_string(count) + ".vcf";
    if (std::filesystem::exists(path))
        return path;
    {
        std::ofstream out(path + ".partial", std::ios::binary);
        VCardWriter writer(out);
        for (std::size_t i = 0; i < count; ++i)
            writer.write(SampleContact(first + i));
    }
    std::filesystem::rename(path + ".partial", path);
    return path;
}

// 100,000 new contacts into a book of n: the book read to know its contacts, the file read
// twice (the summary, then the contacts), the question answered, the contacts added as one
// change, the outcome told. The floor reads the book and the file and writes the records
// added, flushed.
void BM_Import(benchmark::State& state) {
    const auto n = std::size_t(state.range(0));
    constexpr std::size_t kImported = 100000;
    const std::string file = VCardFile(n, kImported);
    CatRead cat;
    Laps laps("x_floor");
    for (auto _ : state) {
        // A fresh book each lap, so that every import adds as many.
        Window w(n);
        if (!w.open())
            return state.SkipWithError("start-up failed");
        QAction* importItem = test::Action(*w.window, "importContactsItem");
        w.ui.chooseFile(QString::fromStdString(file));
        w.ui.answer(MsgResult::Yes);
        const double seconds = w.run(
            laps, [&] { importItem->trigger(); }, state, false);
        laps.add(state, seconds,
                 ReadWriteFlush(file, kImported * kRecordSize) + cat.seconds(CachedDatabase(n)));
        if (w.listed() != int(n + kImported) || w.ui.messages.size() != 2)
            state.SkipWithError("the contacts were not imported");
    }
    laps.report(state);
}

void BM_Search(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    if (!w.open())
        return state.SkipWithError("start-up failed");
    CatRead cat;
    Laps laps("x_cat");
    for (auto _ : state) {
        // The results dialog is shown and closed by the search itself.
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        const double seconds = w.run(
            laps, [&] { w.window->searchContacts(QStringLiteral("pan 9"), false); }, state, false);
        laps.add(state, seconds, cat.seconds(w.path()));
    }
    laps.report(state);
}

// The keys the sort compares, one a line as `sort -f` takes them: name, "|", handle, in
// UTF-8.
std::string SortKeysFile(Window& w) {
    const std::string path = CacheDir() + "/sort-keys.txt";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const ContactIndexEntry& e : w.env.engine().index())
        out << Cp1252ToUtf8(e.name) << '|' << e.serial << '\n';
    return path;
}

void BM_Sort(benchmark::State& state) {
    Window w(std::size_t(state.range(0)));
    if (!w.open())
        return state.SkipWithError("start-up failed");
    const std::string keys = SortKeysFile(w);
    Laps laps("x_sort");
    const double before = MemoryMiB();
    double kept = 0;
    for (auto _ : state) {
        w.window->sortContacts(Qt::DescendingOrder); // another order to start from
        Settle();
        const double seconds = w.run(
            laps, [&] { w.window->sortContacts(Qt::AscendingOrder); }, state, true);
        kept = std::max(kept, MemoryMiB() - before);
        laps.add(state, seconds, GnuSortFold(keys));
    }
    w.failOnMessage(state);
    laps.report(state);
    state.counters["kept_MiB"] = kept;
    state.counters["before_MiB"] = before;
    std::filesystem::remove(keys);
}

// 10,000, 100,000 and 1,000,000 contacts.
void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

// Laps enough for a spread under 20 % on a quiet machine.
BENCHMARK(BM_StartUpToDrawnList)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_Add)->Apply(Sizes)->Iterations(21);
BENCHMARK(BM_Modify)->Apply(Sizes)->Iterations(21);
BENCHMARK(BM_DeleteFirst)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_DeleteMiddle)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_Restore)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_Import)
    ->Arg(0)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_Search)->Apply(Sizes)->Iterations(5);
BENCHMARK(BM_Sort)->Apply(Sizes)->Iterations(5);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
