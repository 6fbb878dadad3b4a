#include "gui/log_records_model.h"

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "util/cp1251.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

enum Column { kDate, kTime, kSensor, kNumber, kK00, kKi, kUnit, kWorkstation, kColumnCount };

const std::vector<ReportRecord>& NoRecords() {
    static const std::vector<ReportRecord> none;
    return none;
}

}  // namespace

void LogRecordsModel::SetRecords(std::shared_ptr<const std::vector<ReportRecord>> records,
                                 std::shared_ptr<const std::vector<std::string>> workstations) {
    records_ = std::move(records);
    // A list that does not match the records is not shown rather than misread.
    if (workstations && records_ && workstations->size() != records_->size()) workstations.reset();
    workstations_ = std::move(workstations);
    Rebuild();
}

void LogRecordsModel::SetFilter(const std::string& part) {
    if (part == filter_) return;
    filter_ = part;
    Rebuild();
}

void LogRecordsModel::Rebuild() {
    beginResetModel();
    shown_.clear();
    const auto& records = Records();
    shown_.reserve(records.size());
    for (std::size_t i = records.size(); i-- > 0;) {
        if (filter_.empty() || records[i].sensorNew.find(filter_) != std::string::npos)
            shown_.push_back(static_cast<int>(i));
    }
    endResetModel();
}

std::string LogRecordsModel::RecordKey(const ReportRecord& r) {
    return DotDateText(r.date) + " " + r.time + " " + r.sensorNew + " " + std::to_string(r.calibration);
}

void LogRecordsModel::SetFlagged(std::set<std::string> keys) {
    beginResetModel();
    flagged_ = std::move(keys);
    endResetModel();
}

const std::vector<ReportRecord>& LogRecordsModel::Records() const {
    return records_ ? *records_ : NoRecords();
}

const ReportRecord* LogRecordsModel::RecordAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return nullptr;
    return &Records()[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])];
}

std::string LogRecordsModel::WorkstationAt(int row) const {
    if (!workstations_ || row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return {};
    return (*workstations_)[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])];
}

int LogRecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int LogRecordsModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return workstations_ ? kColumnCount : kColumnCount - 1;
}

QVariant LogRecordsModel::data(const QModelIndex& index, int role) const {
    const ReportRecord* r = RecordAt(index.row());
    if (r == nullptr) return {};
    if (role == Qt::TextAlignmentRole)
        return index.column() >= kNumber && index.column() <= kKi ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                                  : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole || role == Qt::ToolTipRole) {
        if (flagged_.empty() || flagged_.count(RecordKey(*r)) == 0) {
            // The laboratory's records name their workstation wherever the pointer is.
            if (role == Qt::ToolTipRole && workstations_)
                return Qs("Рабочее место: "_cp) + Qs(WorkstationAt(index.row()));
            return {};
        }
        if (role == Qt::ForegroundRole) return colour::kRed;
        return Qs(
            "Запись сделана, но Датчик не сохранил градуировку (запись в Датчик или контрольное чтение не удалось)"_cp);
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case kDate:
            return QString::fromStdString(DotDateText(r->date));
        case kTime:
            return QString::fromStdString(r->time);
        case kSensor:
            return Qs(r->sensorNew);
        case kNumber:
            return r->calibration;
        case kK00:
            return QString::fromStdString(r->k00);
        case kKi:
            return QString::fromStdString(r->ki);
        case kUnit:
            return Qs(r->unit);
        case kWorkstation:
            return Qs(WorkstationAt(index.row()));
        default:
            return {};
    }
}

QVariant LogRecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    static const std::string_view kTitles[] = {"Дата"_cp, "Время"_cp,  "Номер Датчика"_cp, "№"_cp, "K<00>"_cp,
                                               "K<i>"_cp, "ед.изм"_cp, "Рабочее место"_cp};
    return section >= 0 && section < columnCount() ? Qs(kTitles[section]) : QVariant();
}

}  // namespace gvc::gui
