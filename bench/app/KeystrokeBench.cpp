// From a keystroke in the input line to the list showing the code search's lines, on the national
// list: the key goes through the window's event handling, the search fills the list and the window
// paints it. Three-digit codes should take at most 16 ms, two-digit ones at most 50 ms.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <benchmark/benchmark.h>
#include <memory>

#include "HelpViewer.h"
#include "NationalList.h"
#include "PopupListBox.h"
#include "PostalSearch.h"
#include "quorleUnit.h"

namespace {

ThenkanForm* Form = nullptr;

void Settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Types the last digit of `code` after its other digits are already in the line.
void TypeLastDigit(benchmark::State& state, const char* code)
{
    const QString typed = QString::fromLatin1(code);
    const QString before = typed.chopped(1);
    const auto key = static_cast<Qt::Key>(Qt::Key_0 + (typed.back().unicode() - u'0'));
    const std::size_t expected = TPostalSearch(Form->Tables()).ByCode(code).Lines.size();
    for (auto _ : state) {
        state.PauseTiming();
        Form->Edit1->setText(before);
        Settle();
        state.ResumeTiming();
        QTest::keyClick(Form->Edit1, key);
        Settle();
        Form->repaint();  // the whole window on the screen now, list included, whatever the loop left
    }
    state.counters["lines"] = Form->ListBox1->count();
    if (expected == 0 || static_cast<std::size_t>(Form->ListBox1->count()) != expected)
        state.SkipWithError("the list does not hold the code search's lines");
}

}  // namespace

BENCHMARK_CAPTURE(TypeLastDigit, ThreeDigits100, "100")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeLastDigit, ThreeDigitsLargest939, "939")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeLastDigit, TwoDigits10, "10")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(TypeLastDigit, TwoDigitsLargest60, "60")->Unit(benchmark::kMillisecond);

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    TWindowHelpViewer help;
    const std::string folder = NationalListFolder();
    ThenkanForm form(help, [folder] { return OpenDataFile(folder); });
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;
    form.activateWindow();
    Form = &form;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
