// The start-up copy of the gas list (count, names, type counts) that admission
// and the connection display read. Built once, right after the table loads.
#pragma once

#include "sensor/sensor_admission.h"

namespace gvc {

using GasCatalogue = AdmissionCatalogue;

inline GasCatalogue BuildGasCatalogue(const SensorTypeTable& table) {
    return AdmissionCatalogueFromTable(table);
}

}  // namespace gvc
