// "Add all" in the contact selection dialog (part of the window benchmarks) at 10,000 and 100,000
// contacts, each figure also given as a ratio to copying the same contacts' handles into a list
// (the "x_handles" counter), measured beside each lap.
#include "benchsupport.h"
#include "engine/addressbookengine.h"
#include "forms/selectcontacts.h"
#include "platform/services.h"
#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>

using namespace quenlark;

namespace {

struct Fixture {
    explicit Fixture(std::size_t n) {
        ::setenv("XDG_CONFIG_HOME", qPrintable(dir.path()), 1);
        const QString path = dir.filePath(QStringLiteral("addressbook.qab"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray::fromStdString(bench::SampleDatabase(n)));
        file.close();
        [[maybe_unused]] const Result stored =
            settings.storeText(kActiveAddressBookValue, path.toStdString());
        engine.OpenAddressBook();
        engine.LoadContactIndex();
        for (const ContactIndexEntry& entry : engine.index())
            all.append(entry.serial);
        dialog.setAvailableContacts(all);
    }

    // The yardstick: the contacts' handles copied into a list of texts.
    double copySeconds() const {
        const auto t0 = bench::Clock::now();
        QStringList handles;
        handles.reserve(all.size());
        for (const quint64 serial : all)
            handles.append(QString::number(serial));
        benchmark::DoNotOptimize(handles.data());
        return bench::SecondsSince(t0);
    }

    QTemporaryDir dir;
    SettingsStore settings{QDir(dir.path()).filePath(QStringLiteral("settings.ini")).toStdString()};
    SeamMessageSink messages;
    AddressBookEngine engine{settings, messages, dir.path().toStdString()};
    ContactSerials all;
    Tselectcontacts dialog{engine};
};

void BM_AddAll(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    bench::Laps laps("x_handles");
    for (auto _ : state) {
        laps.begin();
        fx.dialog.addAll();
        const double seconds = laps.end();
        laps.add(state, seconds, fx.copySeconds());
        if (fx.dialog.chosenContacts().size() != fx.all.size())
            state.SkipWithError("not every contact was added");
        fx.dialog.removeAll();
    }
    laps.report(state);
}

// Half the contacts chosen already: the other half is added after them.
void BM_AddAllToHalf(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    const ContactSerials half = fx.all.mid(0, fx.all.size() / 2);
    bench::Laps laps("x_handles");
    for (auto _ : state) {
        fx.dialog.setChosenContacts(half);
        laps.begin();
        fx.dialog.addAll();
        const double seconds = laps.end();
        laps.add(state, seconds, fx.copySeconds());
    }
    laps.report(state);
}

} // namespace

BENCHMARK(BM_AddAll)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(11)->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_AddAllToHalf)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(11)
    ->Unit(benchmark::kMillisecond);
