#include "OpeningEffect.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::int32_t SeedWidth = 20, SeedHeight = 10;

int EffectiveSteps(int steps) { return steps <= 3 ? WsDefaultSteps : steps; }

// The step size: an integer quotient rounded to a double, as the stored step is.
double StepSize(std::int64_t distance, int steps)
{
    return static_cast<double>(static_cast<long double>(distance) / static_cast<long double>(steps));
}

// A coordinate kept within the 32-bit range: far-off rectangles must not overflow the conversion.
std::int32_t Clamped(long double value)
{
    if (value <= static_cast<long double>(INT32_MIN)) return INT32_MIN;
    if (value >= static_cast<long double>(INT32_MAX)) return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

// trunc(i x step + base), the product and sum in extended precision.
std::int32_t At(int i, double step, std::int64_t base)
{
    return Clamped(std::trunc(static_cast<long double>(i) * static_cast<long double>(step) + static_cast<long double>(base)));
}

} // namespace

std::vector<TWsRect> ExplodeExtOutlines(TWsPoint pointer, const TWsRect& target, int steps)
{
    steps = EffectiveSteps(steps);
    std::vector<TWsRect> outlines;
    outlines.reserve(static_cast<std::size_t>(2 * steps));
    const std::int64_t x = pointer.X, y = pointer.Y;
    const std::int64_t launchX = x + (target.Left - x) / 2, launchY = target.Bottom;

    const double travelX = StepSize(launchX - x, steps), travelY = StepSize(launchY - y, steps);
    for (int i = 1; i <= steps; ++i) {
        const std::int32_t left = At(i, travelX, x), top = At(i, travelY, y);
        outlines.push_back({left, top, Clamped(std::int64_t{left} + SeedWidth), Clamped(std::int64_t{top} + SeedHeight)});
    }

    const double dx = StepSize(target.Left - launchX, steps), dy = StepSize(target.Top - launchY, steps);
    const double dw = StepSize(std::int64_t{target.Right} - target.Left - SeedWidth, steps);
    const double dh = StepSize(std::int64_t{target.Bottom} - target.Top - SeedHeight, steps);
    for (int i = 1; i <= steps; ++i) {
        const std::int32_t left = At(i, dx, launchX), top = At(i, dy, launchY);
        outlines.push_back({left, top, At(i, dw, std::int64_t{left} + SeedWidth), At(i, dh, std::int64_t{top} + SeedHeight)});
    }
    return outlines;
}

std::vector<TWsRect> ExplodeOutlines(TWsPoint pointer, const TWsRect& target, int steps)
{
    steps = EffectiveSteps(steps);
    std::vector<TWsRect> outlines;
    outlines.reserve(static_cast<std::size_t>(steps));
    const double dx = StepSize(std::int64_t{target.Left} - pointer.X, steps);
    const double dy = StepSize(std::int64_t{target.Top} - pointer.Y, steps);
    const double dw = StepSize(std::int64_t{target.Right} - target.Left, steps);
    const double dh = StepSize(std::int64_t{target.Bottom} - target.Top, steps);
    for (int i = 1; i <= steps; ++i) {
        const std::int32_t left = At(i, dx, pointer.X), top = At(i, dy, pointer.Y);
        outlines.push_back({left, top, At(i, dw, left), At(i, dh, top)});
    }
    return outlines;
}

std::chrono::microseconds OutlinePause(int stepDelay)
{
    return std::chrono::microseconds(100) * (stepDelay == 0 ? 1 : stepDelay);
}

void PauseFor(std::chrono::microseconds pause)
{
    const auto until = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < until) {
    }
}

void PlayOutlines(IWsScreenCanvas& canvas, const std::vector<TWsRect>& pass, const std::function<void()>& wait)
{
    for (int round = 0; round < 2; ++round) {
        for (const TWsRect& outline : pass) {
            wait();
            canvas.InvertOutline(outline);
        }
    }
}
