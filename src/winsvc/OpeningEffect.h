#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "PlacementValue.h"

// The opening effect: dotted outlines drawn straight onto the screen by inverting its pixels, first
// all of them (they stay) and then all of them again in the same order (which wipes them out).

// The screen while the effect draws on it. Destroying it releases the screen and flushes what was drawn.
class IWsScreenCanvas
{
public:
    virtual ~IWsScreenCanvas() = default;
    // Inverts the pixels of the dotted outline of `rect` (screen pixels, right and bottom exclusive),
    // each pixel at most once, so that drawing the same outline again restores the screen. The dots
    // keep to the screen's own grid, so two outlines drawn at different places invert the same
    // dotted pattern where they overlap. An empty rectangle draws nothing.
    virtual void InvertOutline(const TWsRect& rect) = 0;
};

// The screen the effect draws on.
class IWsScreen
{
public:
    virtual ~IWsScreen() = default;
    // The screen as a canvas, or nullptr where the screen cannot be drawn on.
    virtual std::unique_ptr<IWsScreenCanvas> OpenCanvas() = 0;
};

// A screen that cannot be drawn on: the effect is skipped, waits included.
class TWsNoScreen : public IWsScreen
{
public:
    std::unique_ptr<IWsScreenCanvas> OpenCanvas() override { return nullptr; }
};

// Outlines per run; a requested count of 3 or less means this.
inline constexpr int WsDefaultSteps = 40;

// One pass of the extended explosion, in drawing order: a 20 x 10 box travels in `steps` steps from
// the pointer to the launch point (halfway from the pointer's x to the target's left edge, truncated
// toward zero, at the target's bottom edge), then grows in `steps` steps into `target`. 2 x steps
// outlines (80 by default).
//
// Each step size is the quotient of two integers stored as a double; each coordinate is
// step number x step size + base, computed in extended precision and truncated toward zero, so the
// last outline can fall one pixel short of the target.
std::vector<TWsRect> ExplodeExtOutlines(TWsPoint pointer, const TWsRect& target, int steps = WsDefaultSteps);

// One pass of the plain explosion: outlines growing in `steps` steps from the pointer straight into
// `target`, with the same arithmetic. `steps` outlines (40 by default).
std::vector<TWsRect> ExplodeOutlines(TWsPoint pointer, const TWsRect& target, int steps = WsDefaultSteps);

// The pause before each outline: `stepDelay` tenths of a millisecond, 0 counting as 1.
std::chrono::microseconds OutlinePause(int stepDelay);

// Waits for `pause` by the clock, without giving up the processor (a sleep can overshoot a tenth of a
// millisecond many times over).
void PauseFor(std::chrono::microseconds pause);

// Plays one pass's outlines twice on `canvas`, calling `wait` before every outline: the first pass
// draws them all, the second wipes them out in the same order.
void PlayOutlines(IWsScreenCanvas& canvas, const std::vector<TWsRect>& pass, const std::function<void()>& wait);
