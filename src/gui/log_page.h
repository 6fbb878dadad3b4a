// The "Журнал" page of the main window: the report log's records (newest
// first, narrowed by sensor number), the selected sensor's calibrations with a
// plot of its slope, the sensors due for calibration (overdue ones in red),
// and the selected sensor's certificate as a PDF.
//
// The files are read on a worker thread when the page is shown and after a
// calibration was saved; the window only takes the finished result, so a log
// of 100 000 records never holds it up for more than a moment.
//
// With a central server set up, the page shows either this workstation's
// records or the whole laboratory's (read from the server, each record with
// its workstation's name), and its status line says whether this
// workstation's runs reached the server.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "history/workstation_records.h"
#include "store/calibration_store.h"
#include "util/operator.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTableWidget;

namespace gvc {
struct CentralSettings;
}

namespace gvc::gui {

struct LaboratoryLog;
struct LaboratoryHistory;
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

    // Whose records the page shows: this workstation's, or the laboratory's
    // from the central server.
    enum class Scope { kWorkstation, kLaboratory };
    // The central server; none (no central.ini) leaves the choice disabled.
    void SetCentral(std::shared_ptr<const CentralSettings> settings);
    void SetScope(Scope scope);
    Scope CurrentScope() const { return scope_; }
    // The state of this workstation's sending, for the status line, with why
    // runs wait as its tooltip; an empty text (the server is not used) shows
    // nothing.
    void ShowCentralState(const QString& text, bool problem, const QString& detail = QString());
    // True when no sensor's laboratory history is being read.
    bool HistoryLoaded() const { return !historyLoading_; }

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
    QRadioButton* rbWorkstation;
    QRadioButton* rbLaboratory;
    QLabel* stCentral;
    // Over the log's table when the laboratory's records cannot be read.
    QLabel* stLaboratory;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Apply(std::shared_ptr<WorkstationRecords> read, std::set<std::string> flagged);
    void ApplyLaboratory(std::shared_ptr<LaboratoryLog> read);
    void LoadingDone();
    void ShowDue();
    void ShowDueRows(const std::vector<StoreDueSensor>& due);
    void ShowHistory();
    // The choice of whose records, and the central server's state, below the tables.
    void BuildCentralRow();
    // The laboratory's runs of the selected sensor, read in the background.
    void ReadLaboratoryHistoryLater();
    void ApplyLaboratoryHistory(const std::string& sensorNumber, std::shared_ptr<LaboratoryHistory> read);

    Operator& op_;
    LogRecordsModel* model_;
    std::shared_ptr<WorkstationRecords> data_;
    std::shared_ptr<const std::vector<ReportRecord>> records_;
    std::string selectedSensor_;
    std::filesystem::path database_;
    std::thread worker_;
    std::shared_ptr<const CentralSettings> central_;
    Scope scope_ = Scope::kWorkstation;
    // The laboratory's records: each one's workstation, and the selected
    // sensor's runs from the server.
    std::shared_ptr<const std::vector<std::string>> workstations_;
    std::map<std::string, StoredRun> laboratoryRuns_;
    std::thread historyWorker_;
    bool historyLoading_ = false;
    bool loading_ = false;
    bool reloadAgain_ = false;
    double lastApplyMs_ = 0;
};

}  // namespace gvc::gui
