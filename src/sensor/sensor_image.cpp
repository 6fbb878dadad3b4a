#include "sensor/sensor_image.h"

#include "sensor/sensor_write.h"
#include "sensor/write_read_back.h"

namespace gvc {

namespace {

// Takes note of the items a page write would send, without sending anything.
class ItemRecorder : public DeviceChannel {
public:
    explicit ItemRecorder(std::vector<SensorImage::Item>& items) : items_(items) {}
    int DeviceRequest(DeviceCommand command, std::uint8_t address, std::uint8_t length,
                      std::uint32_t&) override {
        if (command == DeviceCommand::kWrite) items_.push_back({SensorItem{address, length}, 0});
        return 0;
    }

private:
    std::vector<SensorImage::Item>& items_;
};

struct PageWrite {
    const char* name;
    int (*write)(SensorAccess&);
    int steps;
};

constexpr PageWrite kPages[] = {
    {"FLASH-A", WritePageA, 20}, {"FLASH-B", WritePageB, 40}, {"FLASH-C", WritePageC, 40}};

}  // namespace

int ReadSensorImage(SensorAccess& access, SensorImage& image) {
    image.pages.clear();
    // The page writes run on a copy: they set derived values of the state.
    SensorState copy = access.state;
    NoProgress quiet;
    for (const PageWrite& page : kPages) {
        SensorImage::Page taken{page.name, {}};
        ItemRecorder recorder(taken.items);
        SensorAccess dry{recorder, access.op, access.table, copy, quiet};
        page.write(dry);
        image.pages.push_back(std::move(taken));
    }
    for (SensorImage::Page& page : image.pages) {
        for (SensorImage::Item& item : page.items) {
            if (!ReadItem(access, item.item, item.value)) return -1;
        }
    }
    return 0;
}

int WriteSensorImage(SensorAccess& access, const SensorImage& image) {
    for (std::size_t i = 0; i < image.pages.size(); ++i) {
        const SensorImage::Page& page = image.pages[i];
        access.progress.PageStarted(page.name);
        for (const SensorImage::Item& item : page.items) {
            if (!WriteItem(access, item.item, item.value)) return -1;
        }
        access.progress.Advance(i < std::size(kPages) ? kPages[i].steps : 0);
    }
    return 0;
}

int WriteSensorImageVerified(SensorAccess& access, const SensorImage& image) {
    if (WriteSensorImage(access, image) != 0) return -1;
    std::vector<WrittenItem> written;
    for (const SensorImage::Page& page : image.pages) {
        for (const SensorImage::Item& item : page.items)
            written.push_back({item.item, item.value});
    }
    return ReadBackWrites(access, written).status == ReadBackStatus::kMatch ? 0 : -1;
}

}  // namespace gvc
