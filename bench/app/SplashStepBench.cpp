// One step of the splash window's progress bar, from setting the position to the bar on the screen,
// as the load of the national list drives it: each iteration runs the 47 steps, and `step` is the
// time of one. Beside the program's own step, two references for a ratio within one run: the whole
// bar repainted at every step, and the stock bar left to itself (which skips every other step).
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <benchmark/benchmark.h>

#include "SpUnit.h"

namespace {

constexpr int Prefectures = 47;
TSpForm* Splash = nullptr;

// Whether the screen holds the bar as it paints at its present position.
bool BarOnScreen()
{
    const TSplashBar* bar = Splash->ProgressBar1;
    const QImage shown = Splash->screen()
                             ->grabWindow(Splash->winId(), bar->x(), bar->y(), bar->width(), bar->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    TSpForm reference;  // rendering the real bar would repaint it
    reference.ProgressBar1->show();  // a splash window's controls show with it
    reference.ProgressBar1->setValue(bar->value());
    return shown == reference.grab(reference.ProgressBar1->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
}

template <class TStep>
void RunSteps(benchmark::State& state, TStep step, bool mustReachTheScreen)
{
    TSplashBar* bar = Splash->ProgressBar1;
    for (auto _ : state) {
        state.PauseTiming();
        bar->setValue(0);
        bar->repaint();
        state.ResumeTiming();
        for (int n = 1; n <= Prefectures; ++n) step(*bar, n);
    }
    state.counters["step"] = benchmark::Counter(static_cast<double>(state.iterations()) * Prefectures,
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (mustReachTheScreen && !BarOnScreen()) state.SkipWithError("the last step is not on the screen");
}

void ChangedPartPainted(benchmark::State& state)
{
    RunSteps(state, [](TSplashBar& bar, int n) { bar.SetPosition(n); }, true);
}

void WholeBarRepainted(benchmark::State& state)
{
    RunSteps(
        state,
        [](TSplashBar& bar, int n) {
            bar.setValue(n);
            bar.repaint();
        },
        true);
}

void StockBarSkipsSteps(benchmark::State& state)
{
    RunSteps(state, [](TSplashBar& bar, int n) { bar.setValue(n); }, false);
}

}  // namespace

// Wall time: the display server's share of a step (taking the image, the round trip before the next
// paint) is not the program's processor time.
BENCHMARK(ChangedPartPainted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WholeBarRepainted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StockBarSkipsSteps)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    TSpForm splash;
    splash.ShowPainted();
    if (!QTest::qWaitForWindowExposed(&splash)) return 1;
    Splash = &splash;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
