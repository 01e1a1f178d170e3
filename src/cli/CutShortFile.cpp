#include "CutShortFile.h"

#include <csignal>
#include <unistd.h>

namespace {

// Set up before the handler is installed and never changed afterwards: the handler only reads it.
std::string* CutShortMessage = nullptr;

extern "C" void OnBusError(int)
{
    // Only async-signal-safe calls here; the program ends without unwinding anything.
    if (CutShortMessage != nullptr) {
        const ssize_t written = ::write(STDERR_FILENO, CutShortMessage->data(), CutShortMessage->size());
        static_cast<void>(written);  // nowhere left to tell
    }
    ::_exit(2);
}

}  // namespace

void ExitOnCutShortFile(std::string message)
{
    static std::string kept;
    kept = std::move(message);
    CutShortMessage = &kept;
    struct sigaction action{};
    action.sa_handler = OnBusError;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
}
