// Saving the timer list: every change rewrites the whole preference file atomically.

#include "BenchTimers.h"
#include "PellowTimer.h"
#include "platform/PreferenceFile.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

void BM_PreferenceWriteTimers(benchmark::State& state)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const QString path = dir.filePath(QStringLiteral("preferences.json"));
    const QJsonArray encoded = TimerJson::encode(makeBenchTimers(static_cast<int>(state.range(0)))).value();
    PreferenceFile store(path);
    bool failed = false;
    store.setWriteFailedHandler([&failed](const QString&) { failed = true; });
    store.setBool(QStringLiteral("soundEnabled"), true);
    for (auto _ : state) {
        store.setValue(QStringLiteral("timers"), encoded);
        if (failed) {
            state.SkipWithError("the preference file was not written");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(BM_PreferenceWriteTimers)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Reading the same file back, as at start-up, including the timer decode.
void BM_PreferenceLoadTimers(benchmark::State& state)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const QString path = dir.filePath(QStringLiteral("preferences.json"));
    const auto count = static_cast<int>(state.range(0));
    PreferenceFile(path).setValue(QStringLiteral("timers"),
                                  TimerJson::encode(makeBenchTimers(count)).value());
    for (auto _ : state) {
        PreferenceFile store(path);
        const auto list = store.listValue(QStringLiteral("timers"));
        const auto timers = list ? TimerJson::decode(*list) : std::nullopt;
        if (!timers || timers->size() != count) {
            state.SkipWithError("the preference file did not load");
            break;
        }
        benchmark::DoNotOptimize(timers);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(BM_PreferenceLoadTimers)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
