// The tray item on the session bus: one tick's label update, and the status menu exported over
// dbusmenu. Run under a session bus (scripts/bench.sh starts a private one when there is none).
#include "BenchTimers.h"
#include "ControllerFixture.h"

#include "platform/DBusMenuExporter.h"
#include "platform/StatusNotifierItem.h"

#include <QApplication>
#include <QDBusConnection>

#include <benchmark/benchmark.h>

namespace {

void ensureApp()
{
    static int argc = 1;
    static char name[] = "pellow_bench_tray";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static_cast<void>(app);
}

// range(0) running countdowns; range(1) 1 when the clock moves a second per tick, 0 when it
// stands still (a tick that changes nothing must send nothing). Reports the item's signals per
// tick: only the label may change with the seconds.
void BM_TickLabelUpdate(benchmark::State& state)
{
    ensureApp();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        state.SkipWithError("no session bus");
        return;
    }
    ControllerFixture f;
    StatusNotifierItem item(bus, QString(), QString());
    Platform fake = f.fake.platform();
    TimerList timers;
    for (int i = 0; i < state.range(0); ++i)
        timers.append(countdown(QStringLiteral("timer-%1").arg(i), 1e8, f.fake.clock.current - i));
    f.fake.preferences.setValue(QStringLiteral("timers"), *TimerJson::encode(timers));
    AppDelegate app(Platform{fake.clock, fake.scheduler, fake.preferences, fake.notifier, fake.sounds, item,
                             fake.http, fake.updateHttp, fake.autostart, fake.localServer,
                             fake.soundFolders});
    app.applicationDidFinishLaunching();
    int sent = 0;
    int others = 0;
    QObject::connect(&item, &StatusNotifierItem::XAyatanaNewLabel, [&sent] { ++sent; });
    QObject::connect(&item, &StatusNotifierItem::NewIcon, [&others] { ++others; });
    QObject::connect(&item, &StatusNotifierItem::NewToolTip, [&others] { ++others; });
    const double step = state.range(1) ? 1.0 : 0.0;
    for (auto _ : state) {
        f.fake.clock.current += step;
        app.tick();
    }
    state.counters["labelSignals/tick"] = benchmark::Counter(sent, benchmark::Counter::kAvgIterations);
    state.counters["otherSignals/tick"] = benchmark::Counter(others, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TickLabelUpdate)->Args({1, 1})->Args({10, 1})->Args({10, 0});

// A new revision of a 100-timer menu and a host reading all of it.
void BM_ExportMenuLayout(benchmark::State& state)
{
    ensureApp();
    ControllerFixture f;
    f.fake.clock.current = kBenchNow;
    f.launch(makeBenchTimers(static_cast<int>(state.range(0))));
    const Menu menus[2] = {f.app->buildStatusMenu(false),
                           (f.fake.clock.current += 1, f.app->buildStatusMenu(false))};
    DBusMenuExporter exporter(QDBusConnection::sessionBus(), QStringLiteral("/BenchMenu"));
    int revision = 0;
    for (auto _ : state) {
        exporter.setMenu(menus[++revision % 2]);
        DBusMenuLayoutItem layout;
        exporter.GetLayout(0, -1, {}, layout);
        benchmark::DoNotOptimize(layout.children.size());
    }
}
BENCHMARK(BM_ExportMenuLayout)->Arg(100);

} // namespace
