#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The window placement as the INI file keeps it: "200,flags,show,left,top,right,bottom". Pure
// functions over strings; the window itself is read and placed in WindowPlacement.h.

// A rectangle in screen pixels; Right and Bottom are exclusive.
struct TWsRect
{
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TWsRect&, const TWsRect&) = default;
};

struct TWsPoint
{
    std::int32_t X = 0, Y = 0;
};

// Show states of a placement.
enum TWsShowState : std::int32_t
{
    ssNormal = 1,
    ssMinimized = 2,
    ssMaximized = 3
};

// Placement flag: restored from minimised, the window comes back maximised.
inline constexpr std::int32_t WsRestoreToMaximized = 2;

// A window's placement: its flags, its show state and its normal (restored) rectangle, the outer
// frame in screen pixels.
struct TWsPlacement
{
    std::int32_t Flags = 0;
    std::int32_t ShowCmd = ssNormal;
    TWsRect Normal;
    friend bool operator==(const TWsPlacement&, const TWsPlacement&) = default;
};

// A set of enumeration values (at most 32), as the components' set-valued settings are.
template <class TEnum>
class TWsSet
{
public:
    constexpr TWsSet() = default;
    constexpr TWsSet(std::initializer_list<TEnum> values)
    {
        for (TEnum v : values) FBits |= Bit(v);
    }
    constexpr bool Contains(TEnum v) const { return (FBits & Bit(v)) != 0; }
    constexpr TWsSet& Include(TEnum v) { return FBits |= Bit(v), *this; }
    constexpr TWsSet& Exclude(TEnum v) { return FBits &= ~Bit(v), *this; }
    friend constexpr bool operator==(TWsSet, TWsSet) = default;

private:
    static constexpr std::uint32_t Bit(TEnum v) { return std::uint32_t{1} << static_cast<unsigned>(v); }
    std::uint32_t FBits = 0;
};

// What TWsForm saves and restores.
enum TWsFormIniSaveOption
{
    soColor,
    soFont,
    soPos,
    soSize,
    soState
};
using TWsFormIniSaveOptions = TWsSet<TWsFormIniSaveOption>;

// The stored placement value: "200", the flags, the show state and the normal rectangle's left, top,
// right and bottom, as decimal integers joined by ",". {0, 1, {216, 123, 626, 408}} gives
// "200,0,1,216,123,626,408".
std::string PlacementValueText(const TWsPlacement& placement);

// The fields of a stored value, split at every ",": two adjacent separators give an empty field, a
// separator as the last byte gives no empty last field, and the empty value gives no fields.
std::vector<std::string_view> SplitPlacementFields(std::string_view value);

// How a stored value is applied.
struct TWsRestoreRules
{
    TWsFormIniSaveOptions Options{soPos, soSize, soState};
    bool AutoShow = true;  // false: the show state restored is 0 (hidden) instead of the stored one
    std::int32_t DesktopWidth = 0, DesktopHeight = 0;  // the virtual desktop's size
};

// The placement that applying the stored `value` to a window at `current` gives.
// - nullopt when the value does not have exactly 7 fields or field 0 is not exactly "200": nothing is
//   to be applied.
// - With soState: flags and show state from fields 1 and 2 (show state 0 without AutoShow).
// - With soPos and soSize: the normal rectangle from fields 3-6; with only one of them, the position
//   or the size from the fields and the rest from `current`'s normal rectangle. Then a rectangle
//   reaching past the desktop's right (bottom) edge is shifted left (up) to end at it, keeping its
//   width (height); nothing is corrected at the left or top edge.
// - Fields are converted in the order 1, 2 (soState only), 6, 5, 4, 3 (soPos or soSize only) by
//   ReadInteger. The first one that is no integer throws EHarvikError "'field' は整数ではありません"
//   (Shift-JIS, the field's bytes as stored) and nothing is applied.
// Coordinates are computed in 64 bits and kept to 32 as the platform's rectangles are.
std::optional<TWsPlacement> ReadPlacementValue(std::string_view value, const TWsPlacement& current,
                                               const TWsRestoreRules& rules);
