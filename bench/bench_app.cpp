// The controller on fakes: one tick over many running timers, a launch from a large store, and
// building and rendering the status menu.
#include "BenchTimers.h"
#include "ControllerFixture.h"

#include "hud/HUDWidgetView.h"
#include "platform/MenuRenderer.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

// Running countdowns far from any mark, so a tick only redraws.
TimerList runningTimers(int count, double now)
{
    TimerList timers;
    for (int i = 0; i < count; ++i)
        timers.append(countdown(QStringLiteral("timer-%1").arg(i), 36000, now - i));
    return timers;
}

void ensureApp()
{
    static int argc = 1;
    static char name[] = "pellow_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static_cast<void>(app);
}

void BM_TickRunningTimers(benchmark::State& state)
{
    ensureApp();
    ControllerFixture f;
    f.launch(runningTimers(static_cast<int>(state.range(0)), f.fake.clock.current));
    for (auto _ : state) {
        f.fake.clock.current += 1;
        f.app->tick();
    }
}
BENCHMARK(BM_TickRunningTimers)->Arg(10)->Arg(1000);

void BM_LaunchFromStore(benchmark::State& state)
{
    ensureApp();
    const TimerList stored = makeBenchTimers(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ControllerFixture f;
        f.fake.clock.current = kBenchNow;
        f.launch(stored);
        benchmark::DoNotOptimize(f.app->timers.size());
    }
}
BENCHMARK(BM_LaunchFromStore)->Arg(1000);

void BM_BuildStatusMenu(benchmark::State& state)
{
    ensureApp();
    ControllerFixture f;
    f.fake.clock.current = kBenchNow;
    f.launch(makeBenchTimers(static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(f.app->buildStatusMenu(false).items.size());
}
BENCHMARK(BM_BuildStatusMenu)->Arg(10)->Arg(100);

void BM_BuildAndRenderStatusMenu(benchmark::State& state)
{
    ensureApp();
    ControllerFixture f;
    f.fake.clock.current = kBenchNow;
    f.launch(makeBenchTimers(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        std::unique_ptr<QMenu> menu(
            MenuRenderer::render(f.app->buildStatusMenu(false), [](const MenuItem&) {}));
        benchmark::DoNotOptimize(menu->actions().size());
    }
}
BENCHMARK(BM_BuildAndRenderStatusMenu)->Arg(10)->Arg(100);

// One HUD rebuild (layout, placement) and a paint of its view into an image.
void BM_RebuildAndPaintHUD(benchmark::State& state)
{
    ensureApp();
    ControllerFixture f;
    f.launch(runningTimers(static_cast<int>(state.range(0)), f.fake.clock.current),
             {{QStringLiteral("timerHUDVisible"), true}});
    QImage image(f.app->timerHUDView->size() * 2, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        f.fake.clock.current += 1;
        f.app->rebuildHUD();
        QPainter painter(&image);
        f.app->timerHUDView->render(&painter);
    }
}
BENCHMARK(BM_RebuildAndPaintHUD)->Arg(1)->Arg(10)->Arg(100);

// The whole tick with the HUD shown: alerts, title, HUD rebuild (its paint follows on the event loop).
void BM_TickWithHUD(benchmark::State& state)
{
    ensureApp();
    ControllerFixture f;
    f.launch(runningTimers(static_cast<int>(state.range(0)), f.fake.clock.current),
             {{QStringLiteral("timerHUDVisible"), true}});
    for (auto _ : state) {
        f.fake.clock.current += 1;
        f.app->tick();
    }
}
BENCHMARK(BM_TickWithHUD)->Arg(10);

} // namespace
