// The stored window placement ("200,flags,show,left,top,right,bottom") as the window services read
// it: any value, any rules and desktop, never a crash or undefined arithmetic, only a placement, no
// placement, or the error that names the field that is no integer. A placement written reads back
// as it was, where it lies within the desktop.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "Errors.h"
#include "PlacementValue.h"

namespace {

TWsPlacement AnyPlacement(FuzzedDataProvider& input)
{
    TWsPlacement placement;
    placement.Flags = input.ConsumeIntegral<std::int32_t>();
    placement.ShowCmd = input.ConsumeIntegral<std::int32_t>();
    placement.Normal = {input.ConsumeIntegral<std::int32_t>(), input.ConsumeIntegral<std::int32_t>(),
                        input.ConsumeIntegral<std::int32_t>(), input.ConsumeIntegral<std::int32_t>()};
    return placement;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const TWsPlacement current = AnyPlacement(input);
    TWsRestoreRules rules;
    rules.Options = {};
    for (TWsFormIniSaveOption option : {soColor, soFont, soPos, soSize, soState})
        if (input.ConsumeBool()) rules.Options.Include(option);
    rules.AutoShow = input.ConsumeBool();
    rules.DesktopWidth = input.ConsumeIntegral<std::int32_t>();
    rules.DesktopHeight = input.ConsumeIntegral<std::int32_t>();

    // Whatever is stored: read, or refused with a message.
    const std::string stored = input.ConsumeRandomLengthString(64);
    try {
        ReadPlacementValue(stored, current, rules);
    } catch (const EHarvikError&) {
    }

    // Written, then read with every part restored on the largest desktop: the same placement.
    const TWsPlacement written = AnyPlacement(input);
    if (written.Normal.Right >= written.Normal.Left && written.Normal.Bottom >= written.Normal.Top) {
        const TWsRestoreRules all{{soPos, soSize, soState}, true, std::numeric_limits<std::int32_t>::max(),
                                  std::numeric_limits<std::int32_t>::max()};
        if (ReadPlacementValue(PlacementValueText(written), current, all) != written) {
            std::fprintf(stderr, "placement value: %s does not read back\n", PlacementValueText(written).c_str());
            std::abort();
        }
    }
    return 0;
}
