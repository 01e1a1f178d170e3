#include "ProgramBoundary.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "Errors.h"
#include "QueryOptions.h"

void WriteError(std::string_view text)
{
    const std::string line = "harvik-query: " + std::string(text) + "\n";
    if (std::fwrite(line.data(), 1, line.size(), stderr) != line.size()) return;  // nowhere left to tell
}

int RunWithinBoundary(TOutputBuffer& out, const std::string& stage,
                      const std::function<std::string(std::string_view)>& shown, const std::function<int()>& body)
{
    try {
        const int status = body();
        if (!out.Flush()) {
            WriteError(std::string("cannot write the output: ") + std::strerror(out.Error()));
            return 2;
        }
        return status;
    } catch (const EUsageError& e) {
        WriteError(std::string(e.what()) + "\nTry 'harvik-query --help'.");
    } catch (const EHarvikError& e) {
        out.Flush();
        WriteError((stage.empty() ? "" : stage + ": ") + shown(e.what()));
    } catch (const std::exception& e) {
        out.Flush();
        WriteError(e.what());
    }
    return 2;
}
