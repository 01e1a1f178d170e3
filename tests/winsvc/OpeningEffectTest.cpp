#include <gtest/gtest.h>

#include <vector>

#include "OpeningEffect.h"

namespace {

const TWsRect Window{216, 123, 626, 408};

class TRecordingCanvas : public IWsScreenCanvas
{
public:
    void InvertOutline(const TWsRect& rect) override { Drawn.push_back(rect); }
    std::vector<TWsRect> Drawn;
};

} // namespace

void PrintTo(const TWsRect& r, std::ostream* out)
{
    *out << "(" << r.Left << ", " << r.Top << ")-(" << r.Right << ", " << r.Bottom << ")";
}

// The worked examples, to the pixel: the last outline falls one pixel short on both sides when the
// pointer starts at 100, 50, because the steps are rounded to doubles.
TEST(OpeningEffect, ExtendedExplosionTravelsToBelowTheWindowThenGrowsIntoIt)
{
    const std::vector<TWsRect> from500 = ExplodeExtOutlines({500, 300}, Window);
    ASSERT_EQ(from500.size(), 80u);
    EXPECT_EQ(from500[0], TWsRect({496, 302, 516, 312}));
    EXPECT_EQ(from500[1], TWsRect({492, 305, 512, 315}));
    EXPECT_EQ(from500[39], TWsRect({358, 408, 378, 418}));  // at the launch point (358, 408)
    EXPECT_EQ(from500[40], TWsRect({354, 400, 383, 416}));
    EXPECT_EQ(from500[41], TWsRect({350, 393, 389, 416}));
    EXPECT_EQ(from500[79], Window);

    const std::vector<TWsRect> from100 = ExplodeExtOutlines({100, 50}, Window);
    EXPECT_EQ(from100[39], TWsRect({157, 407, 177, 417}));  // launch point (158, 408), one short
    EXPECT_EQ(from100[79], TWsRect({215, 123, 625, 408}));
}

TEST(OpeningEffect, PlainExplosionGrowsFromThePointer)
{
    const std::vector<TWsRect> outlines = ExplodeOutlines({500, 300}, Window);
    ASSERT_EQ(outlines.size(), 40u);
    EXPECT_EQ(outlines.front(), TWsRect({492, 295, 502, 302}));
    EXPECT_EQ(outlines.back(), Window);
}

TEST(OpeningEffect, EdgeCasesOfTheLaunchPointAndATinyWindow)
{
    // The pointer on the window's left edge: the box falls straight down to the bottom edge.
    const std::vector<TWsRect> straight = ExplodeExtOutlines({216, 48}, Window);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(straight[i].Left, 216) << i;
    EXPECT_EQ(straight[39].Top, 408);
    // Right of the window: the launch point lies between its left edge and the pointer.
    EXPECT_EQ(ExplodeExtOutlines({896, 308}, Window)[39], TWsRect({556, 408, 576, 418}));
    // A window of the seed box's size: the growth run only moves.
    for (const TWsRect& box : ExplodeExtOutlines({500, 300}, {100, 100, 120, 110})) {
        EXPECT_EQ(box.Right - box.Left, 20);
        EXPECT_EQ(box.Bottom - box.Top, 10);
    }
    EXPECT_EQ(ExplodeExtOutlines({500, 300}, Window, 3).size(), 80u);  // 3 steps or fewer mean 40
    EXPECT_EQ(ExplodeOutlines({500, 300}, Window, 2).size(), 40u);
    EXPECT_EQ(ExplodeOutlines({500, 300}, Window, 4).size(), 4u);
}

TEST(OpeningEffect, DrawsEveryOutlineTwiceInTheSameOrderWaitingBeforeEach)
{
    const std::vector<TWsRect> pass = ExplodeExtOutlines({500, 300}, Window);
    TRecordingCanvas canvas;
    int waits = 0;
    PlayOutlines(canvas, pass, [&] { ++waits; });
    EXPECT_EQ(waits, 160);
    ASSERT_EQ(canvas.Drawn.size(), 160u);
    EXPECT_EQ(std::vector<TWsRect>(canvas.Drawn.begin(), canvas.Drawn.begin() + 80), pass);
    EXPECT_EQ(std::vector<TWsRect>(canvas.Drawn.begin() + 80, canvas.Drawn.end()), pass);
}

TEST(OpeningEffect, PausesAreTenthsOfAMillisecondWithStepDelay0As1)
{
    using std::chrono::microseconds;
    EXPECT_EQ(OutlinePause(0), microseconds(100));
    EXPECT_EQ(OutlinePause(1), microseconds(100));
    EXPECT_EQ(OutlinePause(3), microseconds(300));
    const auto start = std::chrono::steady_clock::now();
    PauseFor(microseconds(300));
    EXPECT_GE(std::chrono::steady_clock::now() - start, microseconds(300));
}
