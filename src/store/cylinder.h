// A reference gas cylinder: the gas, its certified concentration, lot or serial
// number and expiry. Texts are Windows-1251.
#pragma once

#include <cstdint>
#include <string>

#include "util/calendar.h"

namespace gvc {

struct Cylinder {
    std::int64_t id = 0;  // given by the database
    int gasCode = 0;
    std::string gasText;
    double concentration = 0.0;  // certified, in `unitText`
    std::string unitText;
    std::string lot;  // lot or serial number
    CivilDate expiry;
    bool retired = false;
};

// True when the cylinder may no longer be used on `today` (the expiry day
// itself is still usable).
inline bool IsExpired(const Cylinder& c, const CivilDate& today) {
    return c.expiry < today;
}

}  // namespace gvc
