// A data file cut short by another program while harvik-query reads it: the load fails with the
// message, where the lines read before the cut would otherwise pass for the whole list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "Errors.h"
#include "PostalFixture.h"
#include "QueryData.h"
#include "SearchCommand.h"

TEST(CutShortFile, FailsTheLoadAndTheSearchFromTheFile)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 2000; ++i) lines.push_back(KenLine({std::to_string(1000000 + i), "P", "C", "T", "p", "c", "t"}));
    const std::string file = KenFile(lines);
    TQueryOptions options;
    options.DataFile =
        (std::filesystem::temp_directory_path() / std::string("harvik-cut-short-").append(std::to_string(::getpid()))).string();
    const auto write = [&] { std::ofstream(options.DataFile, std::ios::binary | std::ios::trunc) << file; };
    std::string stage;

    write();
    TPostalTables whole;
    LoadPostalData(*OpenQueryData(options, stage), whole);  // read to its end: no failure
    EXPECT_EQ(whole.Towns[1999].Code, "1001999");

    for (const bool search : {false, true}) {
        write();
        const auto source = OpenQueryData(options, stage);
        std::filesystem::resize_file(options.DataFile, file.size() / 2);  // cut after the open, before the reads
        try {
            if (search) {
                RunSearchCommandOnData(*source, "1001999");
            } else {
                TPostalTables tables;
                LoadPostalData(*source, tables);
            }
            ADD_FAILURE() << "the load of the cut file " << (search ? "for a search " : "") << "succeeded";
        } catch (const EHarvikError& e) {
            EXPECT_STREQ(e.what(), "the file was cut short while it was read");
        }
    }
    std::filesystem::remove(options.DataFile);
}
