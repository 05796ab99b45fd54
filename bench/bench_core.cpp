// The work done for every timer on each tick and on each save: the texts of the menu rows and
// the JSON form of the list.

#include "BenchTimers.h"
#include "PellowTimer.h"
#include "TimeTexts.h"

#include <benchmark/benchmark.h>

#include <QLocale>

namespace {

void BM_DisplayNameAndDetail(benchmark::State& state)
{
    const TimerList timers = makeBenchTimers(static_cast<int>(state.range(0)));
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    for (auto _ : state) {
        for (const PellowTimer& t : timers) {
            QString name = TimeTexts::displayName(t, timers);
            QString detail = TimeTexts::detailText(t, kBenchNow, locale);
            benchmark::DoNotOptimize(name);
            benchmark::DoNotOptimize(detail);
        }
    }
    state.SetItemsProcessed(state.iterations() * timers.size());
}
BENCHMARK(BM_DisplayNameAndDetail)->Arg(10)->Arg(1000);

void BM_EncodeTimers(benchmark::State& state)
{
    const TimerList timers = makeBenchTimers(static_cast<int>(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        auto encoded = TimerJson::encodeBytes(timers);
        bytes = encoded ? encoded->size() : 0;
        benchmark::DoNotOptimize(encoded);
    }
    state.SetItemsProcessed(state.iterations() * timers.size());
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_EncodeTimers)->Arg(10)->Arg(1000);

void BM_DecodeTimers(benchmark::State& state)
{
    const TimerList timers = makeBenchTimers(static_cast<int>(state.range(0)));
    const QByteArray encoded = TimerJson::encodeBytes(timers).value();
    for (auto _ : state) {
        auto decoded = TimerJson::decodeBytes(encoded);
        if (!decoded || decoded->size() != timers.size()) {
            state.SkipWithError("the encoded list did not decode");
            break;
        }
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(state.iterations() * timers.size());
    state.SetBytesProcessed(state.iterations() * encoded.size());
}
BENCHMARK(BM_DecodeTimers)->Arg(10)->Arg(1000);

} // namespace
