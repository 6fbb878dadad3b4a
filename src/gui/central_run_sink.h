// The window's run sink: the run goes into the local database as before, and
// then the central server's sending is told that a run waits.
#pragma once

#include <functional>
#include <utility>

#include "store/store_run_sink.h"

namespace gvc::gui {

class CentralRunSink : public StoreRunSink {
public:
    // `stored` is called after each run, on the thread the run ends on.
    CentralRunSink(StorePlaces places, Report report, std::function<void()> stored)
        : StoreRunSink(std::move(places), std::move(report)), stored_(std::move(stored)) {}

    void RunEnded(const RunRecord& record) override {
        StoreRunSink::RunEnded(record);
        if (stored_) stored_();
    }

private:
    std::function<void()> stored_;
};

}  // namespace gvc::gui
