#include "store/store_verify.h"

namespace gvc {

StoreVerifyReport VerifyStore(CalibrationStore& store, const RecordFiles&) {
    StoreVerifyReport report;
    auto count = store.RunCount();
    report.rows = count.value;
    report.ok = count.ok;
    return report;
}

}  // namespace gvc
