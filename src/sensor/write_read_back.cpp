#include "sensor/write_read_back.h"

#include <cstdio>
#include <string_view>

#include "sensor/sensor_messages.h"
#include "sensor/sensor_write.h"

namespace gvc {

namespace {

using Map = SensorAddressMap;

std::uint32_t Masked(std::uint32_t value, std::uint8_t width) {
    return width >= 4 ? value : value & ((1u << (8u * width)) - 1u);
}

std::string_view PageName(std::uint8_t address) {
    if (address >= Map::kFlashC) return "FLASH-C";
    if (address >= Map::kFlashB) return "FLASH-B";
    if (address >= Map::kFlashA) return "FLASH-A";
    return "FLASH-P";
}

std::string HexBytes(std::uint32_t value, std::uint8_t width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", 2 * static_cast<int>(width),
                  static_cast<unsigned>(Masked(value, width)));
    return buffer;
}

// "адрес 0x8E (4): записано 00000666" for an item and the value sent, the
// bytes as hex digits, most significant first.
std::string ItemText(const WrittenItem& written) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "0x%02X (%u): ", static_cast<unsigned>(written.item.address),
                  static_cast<unsigned>(written.item.width));
    using namespace gvc::literals;
    return std::string("адрес "_cp) + buffer + std::string("записано "_cp) +
           HexBytes(written.value, written.item.width);
}

}  // namespace

int WriteJournal::DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                                std::uint32_t& value) {
    const std::uint32_t sent = value;
    const int result = inner_.DeviceRequest(command, address, length, value);
    if (result == 0 && command == DeviceCommand::kWrite) writes_.push_back({{address, length}, sent});
    return result;
}

bool FirmwareOwnedItem(SensorItem item) {
    for (const SensorItem& channel : Map::kChannelBytes) {
        if (channel.address == item.address) return true;
    }
    return item.address == Map::kHalfRangeWord.address;
}

ReadBackResult ReadBackWrites(SensorAccess& access, const std::vector<WrittenItem>& written) {
    ReadBackResult result;
    std::string_view page;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const WrittenItem& w = written[i];
        if (FirmwareOwnedItem(w.item)) continue;
        bool rewritten = false;
        for (std::size_t j = i + 1; j < written.size() && !rewritten; ++j)
            rewritten = written[j].item.address == w.item.address;
        if (rewritten) continue;
        if (PageName(w.item.address) != page) {
            page = PageName(w.item.address);
            access.progress.PageStarted(page);
        }
        std::uint32_t value = 0;
        if (!ReadItem(access, w.item, value)) {
            result.status = ReadBackStatus::kReadFailed;
            result.expected = w;
            return result;
        }
        result.read.push_back({w.item, Masked(value, w.item.width)});
        if (Masked(value, w.item.width) != Masked(w.value, w.item.width)) {
            if (result.differences++ == 0) {
                result.status = ReadBackStatus::kDiffers;
                result.expected = w;
                result.found = Masked(value, w.item.width);
            }
        }
    }
    return result;
}

VerifiedWrite WriteAllPagesVerified(SensorAccess& access) {
    VerifiedWrite outcome;
    WriteJournal journal(access.channel);
    SensorAccess journaled{journal, access.op, access.table, access.state, access.progress};
    outcome.writeResult = WriteAllPages(journaled);
    if (outcome.writeResult != 0) return outcome;
    outcome.checked = true;
    outcome.readBack = ReadBackWrites(access, journal.Writes());
    return outcome;
}

const WrittenItem* FindReadBack(const ReadBackResult& result, std::uint8_t address) {
    for (const WrittenItem& item : result.read) {
        if (item.item.address == address) return &item;
    }
    return nullptr;
}

std::string ReadBackMessage(const ReadBackResult& result) {
    using namespace gvc::literals;
    switch (result.status) {
        case ReadBackStatus::kMatch:
            return {};
        case ReadBackStatus::kDiffers:
            return std::string(sensor_text::kReadBackDiffers) + "\r\n" + ItemText(result.expected) +
                   std::string(", прочитано "_cp) + HexBytes(result.found, result.expected.item.width) +
                   (result.differences > 1
                        ? std::string(" (всего различий: "_cp) + std::to_string(result.differences) + ")"
                        : std::string());
        case ReadBackStatus::kReadFailed:
            return std::string(sensor_text::kReadBackFailed) + "\r\n" + ItemText(result.expected);
    }
    return {};
}

}  // namespace gvc
