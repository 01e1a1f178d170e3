#include "PostalFixture.h"

#include "Loader.h"
#include "MemorySource.h"
#include "SearchIndexes.h"

std::string KenLine(const TKenFields& f)
{
    auto quoted = [](const std::string& s) { return "\"" + s + "\""; };
    // Fields 0 and 1 (local government code, old code) and 9-14 (flags) are never used by the loader.
    return "13101,\"100  \"," + quoted(f.Code) + "," + quoted(f.PrefKana) + "," + quoted(f.CityKana) + "," +
           quoted(f.TownKana) + "," + quoted(f.Pref) + "," + quoted(f.City) + "," + quoted(f.Town) + ",0,0,0,0,0,0";
}

std::string KenFile(const std::vector<std::string>& lines)
{
    std::string file;
    for (const std::string& line : lines) file += line + "\r\n";
    return file;
}

void LoadLines(TPostalTables& tables, const std::vector<std::string>& lines)
{
    TMemorySource source(KenFile(lines), 4096);
    LoadPostalData(source, tables);
}

std::string IndexFromNotesDiffers(TPostalTables& tables)
{
    if (tables.LoadedTowns() == nullptr) return {};
    const TAddressIndex noted(tables);
    TTablesWriter(tables).Bytes();  // forgets the notes
    if (tables.LoadedTowns() != nullptr) return "the notes are still there";
    const TAddressIndex read(tables);
    if (noted.EndTown() != read.EndTown()) return "EndTown";
    if (noted.LongestText() != read.LongestText()) return "LongestText";
    if (noted.LaidOut() != read.LaidOut()) return "LaidOut";
    if (noted.RunCount() != read.RunCount()) return "RunCount";
    for (int run = 0; run <= read.RunCount(); ++run) {
        if (noted.RunStart(run) != read.RunStart(run)) return "RunStart " + std::to_string(run);
        if (run == read.RunCount()) break;
        const int city = read.RunCity(run);
        if (noted.RunCity(run) != city) return "RunCity " + std::to_string(run);
        if (noted.NameShift(city) != read.NameShift(city) || noted.KanaShift(city) != read.KanaShift(city))
            return "shifts of city " + std::to_string(city);
        for (int b = 0; b < 256; ++b)
            if (noted.HeadHolds(city, static_cast<char>(b)) != read.HeadHolds(city, static_cast<char>(b)))
                return "head bytes of city " + std::to_string(city);
    }
    if (read.LaidOut())
        for (int town = 0; town <= read.EndTown(); ++town)
            if (noted.TextStart(town) != read.TextStart(town)) return "TextStart " + std::to_string(town);
    return {};
}
