// The report log's records as a table for the log page: newest first, narrowed
// by a part of the sensor number. Holds indexes into the records, so a log of
// 100 000 lines is shown and filtered without copying it.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "history/report_records.h"

namespace gvc::gui {

class LogRecordsModel : public QAbstractTableModel {
public:
    explicit LogRecordsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Records sorted oldest first; the table shows them the other way round.
    // The laboratory's records come with each one's workstation (its computer
    // name, Windows-1251), shown in a column of its own; none for the local log.
    void SetRecords(std::shared_ptr<const std::vector<ReportRecord>> records,
                    std::shared_ptr<const std::vector<std::string>> workstations = nullptr);
    // Keeps the records whose sensor number contains `part` (Windows-1251).
    void SetFilter(const std::string& part);

    // Records whose sensor write or read-back failed after they were made:
    // shown red. Keys as RecordKey gives them.
    void SetFlagged(std::set<std::string> keys);
    static std::string RecordKey(const ReportRecord& record);

    const ReportRecord* RecordAt(int row) const;
    // The workstation of the record in `row`; empty for the local log.
    std::string WorkstationAt(int row) const;
    const std::vector<ReportRecord>& Records() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void Rebuild();

    std::shared_ptr<const std::vector<ReportRecord>> records_;
    std::shared_ptr<const std::vector<std::string>> workstations_;
    std::string filter_;
    std::set<std::string> flagged_;
    std::vector<int> shown_;  // indexes into records_, newest first
};

}  // namespace gvc::gui
