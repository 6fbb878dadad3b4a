// The values a sensor holds in every item that writing its pages changes, as
// read from the sensor itself, so that they can be written back unchanged:
// a calibration run writes its starting parameters into the sensor, and a
// run that ends without its result saved puts the sensor back as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sensor/sensor_access.h"

namespace gvc {

struct SensorImage {
    struct Item {
        SensorItem item;
        std::uint32_t value = 0;
    };
    struct Page {
        std::string name;  // "FLASH-A", "FLASH-B", "FLASH-C"
        std::vector<Item> items;
    };
    std::vector<Page> pages;
};

// Reads, from the sensor, every item that WriteAllPages would write for the
// current state (in its order). Nothing is written; 0, or -1 at the first
// failed exchange (the image is then incomplete and must not be written).
int ReadSensorImage(SensorAccess& access, SensorImage& image);

// Writes the image back item by item, reporting page names and bar steps as
// WriteAllPages does; 0, or -1 at the first failed exchange.
int WriteSensorImage(SensorAccess& access, const SensorImage& image);

// WriteSensorImage, then every item read back and compared with the image (the
// items the firmware owns left out), so that a sensor that acknowledged the
// write and kept other bytes is not reported as put back; 0, or -1.
int WriteSensorImageVerified(SensorAccess& access, const SensorImage& image);

}  // namespace gvc
