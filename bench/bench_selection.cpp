// "Add all" in the contact selection dialog (part of the window benchmarks) at 10,000 and 100,000
// contacts, each figure also given as a ratio to copying the same contacts' handles into a list
// (the "x_copy" counter), measured in the same run.
#include "benchdata.h"
#include "engine/addressbookengine.h"
#include "forms/selectcontacts.h"
#include "platform/services.h"
#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
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
        copySeconds = bestCopySeconds();
    }

    // The baseline: the contacts' handles copied into a list of texts.
    double bestCopySeconds() const {
        double best = 1e9;
        for (int k = 0; k < 5; ++k) {
            const auto t0 = std::chrono::steady_clock::now();
            QStringList handles;
            handles.reserve(all.size());
            for (const quint64 serial : all)
                handles.append(QString::number(serial));
            benchmark::DoNotOptimize(handles.data());
            best = std::min(
                best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        return best;
    }

    QTemporaryDir dir;
    SettingsStore settings{QDir(dir.path()).filePath(QStringLiteral("settings.ini")).toStdString()};
    SeamMessageSink messages;
    AddressBookEngine engine{settings, messages, dir.path().toStdString()};
    ContactSerials all;
    Tselectcontacts dialog{engine};
    double copySeconds = 0;
};

void BM_AddAll(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        fx.dialog.addAll();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        if (fx.dialog.chosenContacts().size() != fx.all.size())
            state.SkipWithError("not every contact was added");
        fx.dialog.removeAll();
        state.ResumeTiming();
    }
    state.counters["x_copy"] = total / double(state.iterations()) / fx.copySeconds;
    state.counters["contacts"] = double(state.range(0));
}

// Half the contacts chosen already: the other half is added after them.
void BM_AddAllToHalf(benchmark::State& state) {
    Fixture fx(std::size_t(state.range(0)));
    const ContactSerials half = fx.all.mid(0, fx.all.size() / 2);
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fx.dialog.setChosenContacts(half);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        fx.dialog.addAll();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["x_copy"] = total / double(state.iterations()) / fx.copySeconds;
    state.counters["contacts"] = double(state.range(0));
}

} // namespace

BENCHMARK(BM_AddAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddAllToHalf)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
