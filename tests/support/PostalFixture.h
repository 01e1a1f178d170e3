#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "Tables.h"

// Hand-made data in the national layout, for tests.

// Fields of one data line that the loader uses; the rest are filled with fixed plausible values.
struct TKenFields
{
    std::string Code;                 // field 2
    std::string Pref, City, Town;     // fields 6, 7, 8 (kanji, Shift-JIS)
    std::string PrefKana, CityKana, TownKana;  // fields 3, 4, 5 (katakana, Shift-JIS)
};

// One line in the national layout (15 fields, text fields quoted), without a line end.
std::string KenLine(const TKenFields& f);

// Joins lines with CR LF after each, as the national file does.
std::string KenFile(const std::vector<std::string>& lines);

// Loads the given lines (KenFile) into `tables` with the real loader; throws what the loader throws.
void LoadLines(TPostalTables& tables, const std::vector<std::string>& lines);

// Builds the address index of `tables` from what the loader noted of the towns, and again by
// reading every town, and names the first thing the two differ in; empty when they agree. Forgets
// the loader's notes, so call it last. Empty also when the loader noted nothing.
std::string IndexFromNotesDiffers(TPostalTables& tables);
