#include "PostalFixture.h"

#include "Loader.h"
#include "MemorySource.h"

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
