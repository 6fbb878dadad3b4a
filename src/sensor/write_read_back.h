// The check of a parameter write: every item written is read back from the
// sensor and compared byte for byte with what was sent, so that a sensor that
// acknowledged a write but kept its old flash is caught. The channel bytes of
// page A and the half-range word are left out: the sensor's firmware owns what
// they hold after a write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sensor/sensor_access.h"

namespace gvc {

struct WrittenItem {
    SensorItem item;
    std::uint32_t value = 0;  // the low item.width bytes count
    bool operator==(const WrittenItem& other) const {
        return item.address == other.item.address && item.width == other.item.width && value == other.value;
    }
};

// Passes every exchange on to `inner` and keeps each write that succeeded.
class WriteJournal : public DeviceChannel {
public:
    explicit WriteJournal(DeviceChannel& inner) : inner_(inner) {}
    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t& value) override;
    const std::vector<WrittenItem>& Writes() const { return writes_; }

private:
    DeviceChannel& inner_;
    std::vector<WrittenItem> writes_;
};

enum class ReadBackStatus { kMatch, kDiffers, kReadFailed };

struct ReadBackResult {
    ReadBackStatus status = ReadBackStatus::kMatch;
    std::vector<WrittenItem> read;  // the items read back, in the order they were written
    WrittenItem expected{};         // the first item that differs, or the one that could not be read
    std::uint32_t found = 0;        // what the first differing item read as
    int differences = 0;            // items that read back other than written
};

// True for an item whose content after a write is the firmware's business.
bool FirmwareOwnedItem(SensorItem item);

// Reads back each written item (the last write of an address counts), in the
// order written, and compares it; a failed read ends the check at once (the
// exchange has shown its message). The page names go to the progress display
// as the pages are checked.
ReadBackResult ReadBackWrites(SensorAccess& access, const std::vector<WrittenItem>& written);

// WriteAllPages, then the check of what it wrote when it succeeded.
struct VerifiedWrite {
    int writeResult = -1;  // WriteAllPages' result
    bool checked = false;  // the read-back ran
    ReadBackResult readBack;
};
VerifiedWrite WriteAllPagesVerified(SensorAccess& access);

// The item's value as read back, when it was.
const WrittenItem* FindReadBack(const ReadBackResult& result, std::uint8_t address);

// The operator's message for a check that did not pass (Windows-1251): what
// went wrong, and on a second line the item and its bytes.
std::string ReadBackMessage(const ReadBackResult& result);

}  // namespace gvc
