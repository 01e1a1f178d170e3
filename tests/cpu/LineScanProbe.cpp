// Loads a data file as the programs do and prints the line scan this processor was given and the
// number of towns loaded ("Vector16 31"). The tests run it under emulated processor models.
#include <cstdio>
#include <exception>

#include "LineScan.h"
#include "Loader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: LineScanProbe DATAFILE\n", stderr);
        return 2;
    }
    const char* const names[] = {"Bytes", "Vector16", "Vector32", "Vector64"};
    try {
        TPostalTables tables;
        const auto source = OpenFileSource(argv[1]);
        LoadPostalData(*source, tables);
        int towns = 0;
        while (towns < decltype(tables.Towns)::Capacity && !tables.Towns[towns].Code.empty()) ++towns;
        std::printf("%s %d\n", names[static_cast<int>(ChosenLineScanner())], towns);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "LineScanProbe: %s\n", e.what());
        return 1;
    }
}
