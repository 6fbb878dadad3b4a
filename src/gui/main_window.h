// TF_GVarnestC_3Single: the program's one main window. It runs the start-up
// checks, refuses a second instance, connects and disconnects the sensor,
// shows its identity and characteristics, keeps the reference concentration
// chosen for the run, and refuses to close or disconnect while a calibration
// runs. The calibration page's components are laid out here; the run drives
// them.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/startup.h"
#include "app/workstation_settings.h"
#include "calibration/calibration_run.h"
#include "device/device_link.h"
#include "device/device_thread.h"
#include "records/gas_catalogue.h"
#include "sensor/sensor_admission.h"
#include "sensor/sensor_params.h"
#include "sensor/threaded_device.h"
#include "store/store_run_sink.h"
#include "table/sensor_type_table.h"
#include "ui/characteristics_list.h"
#include "ui/cylinder_choice.h"
#include "ui/reference_choice.h"
#include "util/error_text.h"
#include "util/file_system.h"
#include "util/help_files.h"
#include "util/operator.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;

namespace gvc::gui {

class CentralSending;
struct CentralSendState;
class CharacteristicsView;
class QtDeviceHost;
class LampShape;
class LogPage;
class PlotImage;
class ProgressWindow;
class ReferenceDialog;
class UpDown;

// What the window works with; all of it outlives the window.
struct MainWindowParts {
    Operator& op;
    ErrorText& error;
    FileSystem& fs;
    // The port and its packet link; the window's device thread takes them over.
    DeviceLink& device;
    bool secondInstance = false;  // another instance holds the lock
    std::string programFile;      // Windows-1251 path of the executable (its version)
};

class MainWindow : public QWidget, public CalibrationView {
public:
    // The caption every instance's title starts with.
    static QString Caption();

    explicit MainWindow(MainWindowParts parts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The two windows created after the main window.
    void AttachWindows(ProgressWindow* progress, ReferenceDialog* reference);

    // FormCreate: the start-up checks, from the working directory `programDir`.
    void FormCreate(const std::string& programDir);

    // Event handlers.
    void btConnClick();
    void bbHelpClick();
    void stStdUDblClick();
    void RefreshConnectionDisplay() override;
    void RenewReferenceOnConnection();
    // Before a run starts: a typed reference kept from an earlier sensor is
    // checked against the connected one as the reference dialog checks it.
    // False when it was refused or a question was answered No.
    bool ReferenceFitsSensor();
    // The connected sensor as the reference rules see it: range, unit, decimals.
    ReferenceRange SensorReferenceRange() const;

    // State for the calibration run and the tests.
    int ConnectionState() const { return connectionState_; }
    bool StartupOk() const { return startupOk_; }
    bool CloseRequested() const { return closeRequested_; }
    const ReferenceSelection& Reference() const { return reference_; }
    const SensorState& Sensor() const { return sensor_; }
    SensorState& Sensor() { return sensor_; }
    const SensorTypeTable& Table() const { return table_; }
    const CharacteristicsList& Characteristics() const { return characteristics_; }
    // Help: the help file and the guide below the working directory, and how
    // "?" hands a file to the system's viewer (tests replace it).
    const HelpFiles& Help() const { return help_; }
    void SetHelpOpener(std::function<bool(const QString& file)> opener) { helpOpener_ = std::move(opener); }
    // Marks the link as broken (a sample could not be read during a run).
    void SetConnectionBroken() { connectionState_ = -1; }
    // The thread that makes every exchange with the device.
    const DeviceThread& Device() const { return *device_; }
    // The calibration run of the calibration page.
    CalibrationRun& Run() { return *run_; }
    const CalibrationRun& Run() const { return *run_; }

    // What the run needs from the window.
    void PageChanged(const CalibrationPage& page) override;
    PlotCanvas& ZeroCanvas() override;
    PlotCanvas& ReferenceCanvas() override;
    void ClosePort() override;
    void ReadLive(SensorAccess& access, std::function<void(int, const LiveValues&)> done) override;
    void SaveLineShown(SaveLine line, std::string_view text) override;
    ReportTimestamp Now() override;
    std::string OperatorName() override;
    double AsFoundTolerancePercent() override;
    std::optional<std::int64_t> ReferenceCylinder() override { return referenceCylinder_; }

    // The calibration database: where it is, the settings the runs record,
    // and the reference gas cylinder in use.
    const StorePlaces& Places() const { return storePlaces_; }
    const WorkstationSettings& Settings() const { return settings_; }
    // The "Журнал" page; without a sensor it is the only page shown.
    void btLogClick();
    // The cylinders of the connected sensor's gas as the reference dialog
    // offers them; `none` says why there are none.
    std::vector<CylinderOffer> SensorCylinders(std::string& none);
    // The cylinders' and the settings' dialogs of the "Журнал" page.
    void OpenCylinders();
    void OpenSettings();
    // The sending to the laboratory's central server; none without central.ini.
    CentralSending* Central() { return central_.get(); }
    // The last state the sending reported.
    const CentralSendState* CentralStatus() const { return centralState_.get(); }
    // Stops the sending: asked only (the window's close), or waited for.
    void StopCentral(bool wait);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildConnectionPanel();
    void BuildCalibrationPage(QWidget* page);
    void BuildGraphPanel();
    void BuildLamps();
    void ShowGraph(const TrendGraph& graph, const std::array<QLabel*, 8>& labels, UpDown* stepUpDown,
                   UpDown* scrollUpDown);
    void FormShow();
    void RequestClose();
    bool RunIsActive() const;
    void ShowReference();
    // Opens the calibration database (importing the files into a new one)
    // and says once when it cannot be opened or written.
    void OpenStore();
    // Shows a Windows-1251 message about the database; the same one only once.
    void ShowStoreProblem(const std::string& message);
    StorePlaces storePlaces_;
    WorkstationSettings settings_;
    std::unique_ptr<StoreRunSink> sink_;
    // The central server: started when the window is first shown, told of
    // each stored run, its state shown on the "Журнал" page.
    void StartCentral();
    void RunStored();
    void ShowCentralState(const CentralSendState& state);
    std::unique_ptr<CentralSending> central_;
    std::unique_ptr<CentralSendState> centralState_;
    std::string lastStoreProblem_;
    std::optional<std::int64_t> referenceCylinder_;
    std::string referenceCylinderText_;

    MainWindowParts parts_;
    SensorTypeTable table_;
    GasCatalogue catalogue_;
    SensorState sensor_;
    CharacteristicsList characteristics_;
    ConnectionSnapshot snapshot_;
    Startup startup_;
    ProgressWindow* progress_ = nullptr;
    ReferenceDialog* reference_dialog_ = nullptr;
    // The transfers of the run and the connection go through the progress
    // window once it is attached.
    // The transfer itself runs on the device thread; what it reports is
    // shown on the window's thread.
    class ProgressRelay : public TransferProgress {
    public:
        ProgressWindow* window = nullptr;
        DeviceThread* device = nullptr;
        DeviceHost* host = nullptr;
        int RunTransfer(TransferMode mode, const std::function<int()>& operation) override;
        void PageStarted(std::string_view page) override;
        void Advance(int steps) override;
        // Runs `show` on the window's thread: at once there, posted from the
        // device thread.
        void OnWindowThread(std::function<void()> show);
    };
    ProgressRelay relay_;
    // The device thread and the sensor operations' view of it. The window's
    // thread never waits on the device: it goes on painting and answering
    // while an exchange is under way.
    std::unique_ptr<QtDeviceHost> host_;
    std::unique_ptr<DeviceThread> device_;
    std::unique_ptr<HostOperator> hostOp_;
    std::unique_ptr<HeldQuietOperator> sensorOp_;
    std::unique_ptr<ThreadedChannel> channel_;
    std::unique_ptr<ThreadedConnector> connector_;
    bool sampleReading_ = false;
    bool connecting_ = false;
    void SetUpDevice();
    void RunTransfersOnDevice(ProgressWindow* progress);
    void StartStopPressed();
    void SampleTimerTick();
    std::unique_ptr<SensorAccess> access_;
    std::unique_ptr<CalibrationRun> run_;
    std::string shownReferenceText_;
    // The rows the list shows; a calibration result rewrites some of them.
    CharacteristicsRows shownRows_;
    void ShowCharacteristics();

    bool startupOk_ = false;
    bool shown_ = false;
    bool closeRequested_ = false;
    int connectionState_ = 1;
    ReferenceSelection reference_;
    // The sensor the typed reference was chosen for (range, unit, decimals).
    ReferenceRange referenceChosenFor_;
    HelpFiles help_;
    std::function<bool(const QString& file)> helpOpener_;

    // Keyboard and explanations: tab order in reading order, the reference
    // field opened with Enter or F2, Enter on buttons, a focus ring that shows
    // on every background, tooltips, and the plots' double-click fit.
    void SetUpKeyboardAndTips();
    bool ReferenceFieldKey(QEvent* event);

public:
    // Components, by their names.
    QFrame* pGrad;
    QGroupBox* gbConnect;
    QPushButton* btConn;
    QPushButton* btLog;
    QLabel* stConn;
    QGroupBox* gbMode;
    QLabel* lNum;
    QLabel* lType;
    QLabel* lGaz;
    QLabel* lTSen;
    QFrame* bType;
    QLabel* stNum;
    QLabel* stType;
    QLabel* stGaz;
    QLabel* stSen;
    QPushButton* bbHelp;
    QLabel* stLIDPrg;
    QLabel* stIDPrg;
    QTabWidget* pcGrad;
    QWidget* tsPar;
    QWidget* tsCal;
    LogPage* tsLog;
    CharacteristicsView* lvParam;
    QPushButton* btStart;
    QLineEdit* edStatusG;
    QLabel* stTime;
    QFrame* pnGraph;
    QGroupBox* gbNul;
    QLabel* stNulU;
    QLabel* stNulA;
    QGroupBox* gbDelADC;
    QLabel* stDltZ;
    QLabel* stDltC;
    QGroupBox* gbStd;
    QLabel* stStdU;
    QLabel* stStdA;
    QGroupBox* gbResult;
    QLabel* stBias;
    QLabel* stSlop;
    QGroupBox* gbStatus;
    QLabel* stCurK;
    QLabel* stCurT;
    QLabel* lKNul2;
    QLabel* lKStd2;
    // The plots and their controls.
    PlotImage* pnNul;
    PlotImage* pnStd;
    UpDown* udNulS;
    UpDown* udNulP;
    UpDown* udStdS;
    UpDown* udStdP;
    std::array<QLabel*, 8> lgC0{};  // lgC00 .. lgC07, bottom to top
    std::array<QLabel*, 8> lgC1{};  // lgC10 .. lgC17
    // The lamps, in the run's lamp order (device, sensor, A1, A2, LimA, LimG,
    // ResA, ResG).
    LampShape* shDev;
    LampShape* shSen;
    LampShape* shA1;
    LampShape* shA2;
    LampShape* shLimA;
    LampShape* shLimG;
    LampShape* shResA;
    LampShape* shResG;
    std::array<LampShape*, kLampCount> Lamps() const {
        return {shDev, shSen, shA1, shA2, shLimA, shLimG, shResA, shResG};
    }
    QTimer* tmSample;
    QTimer* tmDraw;
};

}  // namespace gvc::gui
