#include "cli/stop_signals.h"

#include <csignal>
#include <iterator>

namespace gvc::cli {

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void Catch(int signalNumber) {
    if (caught == 0) caught = signalNumber;
}

#ifdef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[std::size(kSignals)];
#endif

}  // namespace

StopSignals::StopSignals() {
    caught = 0;
#ifdef _WIN32
    for (const int s : kSignals)
        std::signal(s, Catch);
#else
    // Without SA_RESTART: a read of the prompt fails with EINTR instead of
    // waiting on.
    struct sigaction action {};
    action.sa_handler = Catch;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &previous[i]);
#endif
}

StopSignals::~StopSignals() {
#ifdef _WIN32
    for (const int s : kSignals)
        std::signal(s, SIG_DFL);
#else
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
#endif
}

int StopSignals::Caught() {
    return caught;
}

}  // namespace gvc::cli
