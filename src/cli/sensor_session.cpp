#include "cli/sensor_session.h"

#include <filesystem>
#include <ostream>

#include "records/sensor_number.h"
#include "sensor/sensor_admission.h"
#include "table/table_loader.h"
#include "util/native_path.h"

namespace gvc::cli {

void StderrOperator::Show(MessageKind, std::string_view cp1251Text) {
    PrintLine(err_, cp1251Text);
}

bool StderrOperator::Ask(MessageKind, std::string_view cp1251Text) {
    PrintLine(err_, cp1251Text);
    return false;
}

SensorSession::SensorSession(CommandIo io)
    : io_(io),
      stderrOperator_(io.err),
      op_(stderrOperator_),
      device_(op_, error_),
      thread_(device_.Port(), device_.Link().PacketWaiter(), host_),
      channel_(thread_, op_),
      connector_(thread_, op_),
      access_{channel_, op_, table_, state_, noProgress_} {}

SensorSession::SensorSession(CommandIo io, Operator& op, TransferProgress& progress)
    : io_(io),
      stderrOperator_(io.err),
      op_(op),
      device_(op_, error_),
      thread_(device_.Port(), device_.Link().PacketWaiter(), host_),
      channel_(thread_, op_),
      connector_(thread_, op_),
      access_{channel_, op_, table_, state_, progress} {}

std::string SensorSession::SensorNumber() const {
    return SensorNumberText(state_.identity);
}

int SensorSession::Connect() {
    const std::string workingDir = Cp1251PathText(std::filesystem::current_path());
    if (!LoadSensorTypeTable(NativePath(workingDir + std::string(kTableFileRelativePath)), table_, error_)) {
        PrintLine(io_.err, error_.Text());
        return 2;
    }
    switch (ConnectSensor(access_, AdmissionCatalogueFromTable(table_), connector_)) {
        case 0:
            return 0;
        case 1:
            return 1;
        default:
            return 2;
    }
}

}  // namespace gvc::cli
