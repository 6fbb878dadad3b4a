// The "Журнал" page of the main window: the report log's records (newest
// first, narrowed by sensor number), the selected sensor's calibrations with a
// plot of its slope, the sensors due for calibration (overdue ones in red),
// and the selected sensor's certificate as a PDF.
//
// The files are read on a worker thread when the page is shown and after a
// calibration was saved; the window only takes the finished result, so a log
// of 100 000 records never holds it up for more than a moment.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "history/workstation_records.h"
#include "util/operator.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

namespace gvc::gui {

class LogRecordsModel;
class SlopePlot;

class LogPage : public QWidget {
public:
    // Sensors whose next calibration is at most this many days away are listed.
    static constexpr int kDueWithinDays = 30;

    LogPage(Operator& op, QWidget* parent = nullptr);
    ~LogPage() override;

    // The calibration database the history's as found, as left, cylinder and
    // operator come from, and which marks records whose sensor write failed.
    void SetDatabase(std::filesystem::path database) { database_ = std::move(database); }
    // The cylinders' and the settings' dialogs, opened by the page's buttons.
    std::function<void()> openCylinders;
    std::function<void()> openSettings;

    // Reads the log and the certificates again (in the background).
    void Reload();
    // True when no reading is under way.
    bool Loaded() const { return !loading_; }
    // How long the window was busy taking the last result, in milliseconds.
    double LastApplyMilliseconds() const { return lastApplyMs_; }

    // Shows this sensor's history ("03-01.00.012.345", Windows-1251).
    void SelectSensor(const std::string& sensorNumber);
    const std::string& SelectedSensor() const { return selectedSensor_; }

    // Writes the selected sensor's certificate as a PDF beside it and opens it.
    void btPdfClick();
    // Opens a written PDF; the desktop's viewer unless a test says otherwise.
    std::function<bool(const QString& file)> openFile;

    const LogRecordsModel& Model() const { return *model_; }

    QLabel* lFilter;
    QLineEdit* edFilter;
    QPushButton* btPdf;
    QLabel* stLog;
    QPushButton* btCylinders;
    QPushButton* btSettings;
    QTableView* tvLog;
    QLabel* lDue;
    QTableWidget* lvDue;
    SlopePlot* pnSlope;
    QTableWidget* lvHistory;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Apply(std::shared_ptr<WorkstationRecords> read, std::set<std::string> flagged);
    void ShowDue();
    void ShowHistory();

    Operator& op_;
    LogRecordsModel* model_;
    std::shared_ptr<WorkstationRecords> data_;
    std::shared_ptr<const std::vector<ReportRecord>> records_;
    std::string selectedSensor_;
    std::filesystem::path database_;
    std::thread worker_;
    bool loading_ = false;
    bool reloadAgain_ = false;
    double lastApplyMs_ = 0;
};

}  // namespace gvc::gui
