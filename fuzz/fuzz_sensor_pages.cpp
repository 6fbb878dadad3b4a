// A sensor whose 256-byte memory is the fuzzer's input: connect and admit it
// against the shipped table, fill the characteristics list, build the
// certificate text (which must pass its own check) and write all pages back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_check.h"
#include "records/certificate.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_write.h"
#include "sensor_fake_channel.h"
#include "table/table_loader.h"
#include "ui/characteristics_list.h"
#include "ui/concentration_text.h"
#include "util/operator.h"

namespace {

const gvc::SensorTypeTable& ShippedTable() {
    static const gvc::SensorTypeTable table = [] {
        gvc::SensorTypeTable loaded;
        gvc::ErrorText error;
        if (!gvc::LoadSensorTypeTable(GVC_FUZZ_TABLE_FILE, loaded, error)) std::abort();
        return loaded;
    }();
    return table;
}

class ConnectedLink : public gvc::CalibrationDeviceLink {
public:
    int ConnectCalibrationDevice() override { return 0; }
    void ClosePort() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const gvc::SensorTypeTable& table = ShippedTable();
    gvc::test::FakeSensor sensor;
    std::copy_n(data, std::min(size, sensor.memory.size()), sensor.memory.begin());
    gvc::ScriptedOperator op;
    gvc::test::RecordingProgress progress;
    gvc::SensorState state;
    gvc::SensorAccess access{sensor, op, table, state, progress};
    ConnectedLink link;
    if (gvc::ConnectSensor(access, gvc::AdmissionCatalogueFromTable(table), link) != 0) return 0;

    gvc::CharacteristicsList list;
    list.FillOldValues(state.OldParams, table);
    list.FillNewValues(state, table, gvc::TakeConnectionSnapshot(state.OldParams),
                       gvc::SensorDate{2026, 10, 12});
    const std::string reference =
        gvc::FormatConcentration(state.NewParams.RefConc, state.NewParams.MultiplierCode);
    const std::string certificate =
        gvc::CertificateBytes(list.Rows(), reference, state.identity, state.NewParams,
                              gvc::ReportTimestamp{10, 12, 2026, 14, 40, 0});
    GVC_FUZZ_CHECK(gvc::VerifyCertificate(certificate).ok);
    GVC_FUZZ_CHECK(gvc::WriteAllPages(access) == 0);
    return 0;
}
