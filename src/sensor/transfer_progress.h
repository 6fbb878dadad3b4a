// What a page transfer reports while it runs: the name of the flash page being
// transferred and the steps the progress bar advances. The progress window
// implements it; tests record it.
#pragma once

#include <functional>
#include <string_view>

namespace gvc {

enum class TransferMode { kRead = 0, kWrite = 1, kSave = 2 };

class TransferProgress {
public:
    virtual ~TransferProgress() = default;

    // Runs one whole transfer and returns its result. The progress window
    // shows itself modally around the operation; the default just runs it.
    virtual int RunTransfer(TransferMode /*mode*/, const std::function<int()>& operation) {
        return operation();
    }

    // The page about to be transferred ("FLASH-P", "FLASH-A", ...).
    virtual void PageStarted(std::string_view pageName) = 0;
    // The bar moves on by `steps` (of 100) after a page is done.
    virtual void Advance(int steps) = 0;
};

// For callers that show no progress.
class NoProgress : public TransferProgress {
public:
    void PageStarted(std::string_view) override {}
    void Advance(int) override {}
};

}  // namespace gvc
