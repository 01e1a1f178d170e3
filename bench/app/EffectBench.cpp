// The opening effect on the X server's screen: 160 outlines with a pause of StepDelay 3 (0.3 ms)
// before each, which should come to about 50 ms in all; beside it the same outlines drawn with no
// pause, and a window shown with and without the effect, so the effect's share of the showing shows.
#include <QApplication>
#include <QTest>
#include <benchmark/benchmark.h>
#include <memory>

#include "OpeningEffect.h"
#include "WsTestWindow.h"
#include "X11Desktop.h"
#include "wsclass.h"

namespace {

const TWsRect Window{216, 123, 626, 408};

void PlayOnTheScreen(benchmark::State& state, bool paused)
{
    const std::unique_ptr<IWsScreen> screen = MakeX11Screen();
    const std::vector<TWsRect> pass = ExplodeExtOutlines({500, 300}, Window);
    const std::chrono::microseconds pause = OutlinePause(WsApplication.StepDelay);
    int outlines = 0;
    for (auto _ : state) {
        const std::unique_ptr<IWsScreenCanvas> canvas = screen->OpenCanvas();
        if (!canvas) {
            state.SkipWithError("the screen cannot be drawn on: run under an X server");
            return;
        }
        outlines = 0;
        PlayOutlines(*canvas, pass, [&] {
            ++outlines;
            if (paused) PauseFor(pause);
        });
    }
    state.counters["outlines"] = outlines;
    if (outlines != 160) state.SkipWithError("the effect did not draw 160 outlines");
}

void ShowWindow(benchmark::State& state, TWsDlgEffect effect)
{
    for (auto _ : state) {
        TTestWindow window(effect);
        window.WsForm->IniUse = ioNone;  // the showing alone, no INI file
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) state.SkipWithError("the window did not come up");
    }
}

}  // namespace

BENCHMARK_CAPTURE(PlayOnTheScreen, WithPauses, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(PlayOnTheScreen, DrawingOnly, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ShowWindow, WithTheEffect, deExplodeExt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ShowWindow, WithoutTheEffect, deNone)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
