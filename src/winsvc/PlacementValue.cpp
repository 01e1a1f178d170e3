#include "PlacementValue.h"

#include <cstdlib>

#include "Errors.h"
#include "IntegerText.h"

namespace {

// "'%s' は整数ではありません"
std::string NotAnIntegerMessage(std::string_view field)
{
    // Built by appending: GCC 12 at -O3 warns falsely about "'" + std::string.
    std::string message("'");
    message.append(field).append("' \x82\xCD\x90\xAE\x90\x94\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1");
    return message;
}

std::int32_t FieldValue(std::string_view field)
{
    const std::optional<std::int32_t> value = ReadInteger(field);
    if (!value) throw EHarvikError(NotAnIntegerMessage(field));
    return *value;
}

// A 64-bit coordinate kept to 32 bits by dropping the high bits, as the platform's arithmetic does.
std::int32_t Low32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// Shifts [low, high) back inside [.., limit) when it reaches past `limit`, keeping its extent.
void PullBack(std::int32_t& low, std::int32_t& high, std::int32_t limit)
{
    if (limit >= high) return;
    const std::int64_t extent = std::llabs(std::int64_t{high} - std::int64_t{low});
    low = Low32(std::int64_t{limit} - extent);
    high = limit;
}

} // namespace

std::string PlacementValueText(const TWsPlacement& placement)
{
    std::string text = "200";
    for (const std::int32_t n : {placement.Flags, placement.ShowCmd, placement.Normal.Left, placement.Normal.Top,
                                 placement.Normal.Right, placement.Normal.Bottom}) {
        text += ',';
        text += std::to_string(n);
    }
    return text;
}

std::vector<std::string_view> SplitPlacementFields(std::string_view value)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < value.size()) {
        const std::size_t comma = value.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(value.substr(start));
            break;
        }
        fields.push_back(value.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
}

std::optional<TWsPlacement> ReadPlacementValue(std::string_view value, const TWsPlacement& current,
                                               const TWsRestoreRules& rules)
{
    const std::vector<std::string_view> fields = SplitPlacementFields(value);
    if (fields.size() != 7 || fields[0] != "200") return std::nullopt;
    TWsPlacement placement = current;
    const TWsFormIniSaveOptions options = rules.Options;
    if (options.Contains(soState)) {
        placement.Flags = FieldValue(fields[1]);
        placement.ShowCmd = FieldValue(fields[2]);
        if (!rules.AutoShow) placement.ShowCmd = 0;
    }
    const bool pos = options.Contains(soPos), size = options.Contains(soSize);
    if (pos || size) {
        TWsRect stored;
        stored.Bottom = FieldValue(fields[6]);
        stored.Right = FieldValue(fields[5]);
        stored.Top = FieldValue(fields[4]);
        stored.Left = FieldValue(fields[3]);
        TWsRect& normal = placement.Normal;
        const TWsRect& was = current.Normal;
        if (pos) {
            normal.Left = stored.Left;
            normal.Top = stored.Top;
            if (!size) {
                normal.Right = Low32(std::int64_t{stored.Left} + was.Right - was.Left);
                normal.Bottom = Low32(std::int64_t{stored.Top} + was.Bottom - was.Top);
            }
        }
        if (size) {
            if (pos) {
                normal.Right = stored.Right;
                normal.Bottom = stored.Bottom;
            } else {
                normal.Right = Low32(std::int64_t{was.Left} + stored.Right - stored.Left);
                normal.Bottom = Low32(std::int64_t{was.Top} + stored.Bottom - stored.Top);
            }
        }
        PullBack(normal.Left, normal.Right, rules.DesktopWidth);
        PullBack(normal.Top, normal.Bottom, rules.DesktopHeight);
    }
    return placement;
}
