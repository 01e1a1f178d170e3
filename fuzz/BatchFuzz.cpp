// harvik-query --batch, its own main called in process on the project's sample data: the input's
// first byte chooses how standard input is cut into reads and whether --sjis is given, the rest is
// what standard input holds. The output must answer every line of the input, in order, exactly as
// the search command answers that line alone.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Loader.h"
#include "PostalSearch.h"
#include "SearchCommand.h"
#include "SjisConvert.h"

int HarvikQueryMain(int argc, char** argv);

namespace {

const TPostalSearch* Sample = nullptr;

// What --batch writes for `input`, worked out line by line without the program's reading loop.
std::string Expected(std::string_view input, bool sjis)
{
    std::string out;
    while (!input.empty()) {
        const std::size_t lineFeed = input.find('\n');
        std::string_view line = input.substr(0, lineFeed);
        input.remove_prefix(lineFeed == std::string_view::npos ? input.size() : lineFeed + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        const TSearchResult result = RunSearchCommand(*Sample, sjis ? std::string(line) : SjisFromUtf8(line)).Result;
        std::string answer = result.Status + "\n";
        for (const std::string_view shown : result.Lines) answer.append(shown).append("\n");
        answer += '\n';
        out += sjis ? answer : Utf8FromSjis(answer);
    }
    return out;
}

// Runs harvik-query with `args`, standard input delivering `input` in reads of `chunk` bytes (a
// packet socket keeps each write one read), standard output caught in memory.
std::string Run(std::vector<std::string> args, const std::string& input, std::size_t chunk, int& status)
{
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sockets) != 0) std::abort();
    std::thread writer([&] {
        for (std::size_t at = 0; at < input.size(); at += chunk)
            if (::write(sockets[1], input.data() + at, std::min(chunk, input.size() - at)) < 0) std::abort();
        ::close(sockets[1]);
    });
    const int output = ::memfd_create("harvik-query-output", 0);
    const int savedIn = ::dup(0), savedOut = ::dup(1);
    ::dup2(sockets[0], 0);
    ::dup2(output, 1);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    status = HarvikQueryMain(static_cast<int>(args.size()), argv.data());
    ::dup2(savedIn, 0);
    ::dup2(savedOut, 1);
    ::close(savedIn);
    ::close(savedOut);
    ::close(sockets[0]);
    writer.join();
    std::string out(static_cast<std::size_t>(::lseek(output, 0, SEEK_END)), '\0');
    if (::pread(output, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size())) std::abort();
    ::close(output);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    auto* tables = new TPostalTables;
    const auto source = OpenFileSource(HARVIK_SAMPLE);
    LoadPostalData(*source, *tables);
    Sample = new TPostalSearch(*tables);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 16;
    const bool sjis = (data[0] & 0x80) != 0;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string> args = {"harvik-query", "--data", HARVIK_SAMPLE, "--batch"};
    if (sjis) args.emplace_back("--sjis");
    int status = -1;
    const std::string out = Run(args, input, chunk, status);
    if (status != 0 || out != Expected(input, sjis)) {
        std::fprintf(stderr, "harvik-query --batch%s answered differently (exit %d) for reads of %zu bytes\n",
                     sjis ? " --sjis" : "", status, chunk);
        std::abort();
    }
    return 0;
}
