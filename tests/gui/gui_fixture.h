// A program run in a sandbox for the window tests: a working directory with the
// shipped table, drive D mapped to a temporary folder, the operator scripted,
// and optionally the device simulator with a sensor profile.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/system_device.h"
#include "devsim_process.h"
#include "gui/gui_text.h"
#include "gui/main_window.h"
#include "gui/progress_window.h"
#include "gui/reference_dialog.h"
#include "records/data_dirs.h"
#include "records/locations.h"
#include "records/report_log.h"
#include "table/table_loader.h"
#include "util/native_path.h"
#include "util/operator.h"

namespace gvc::gui::test {

namespace fs = std::filesystem;

// A Windows-1251 text of the program as a QString, for comparisons.
inline QString U(std::string_view cp1251) {
    return Qs(cp1251);
}

// The scripted operator, who may also act before answering a question (as a
// technician sets the gas in the chamber before pressing Yes), or hand every
// message on to real message boxes. Every message is recorded either way.
class TestOperator : public ScriptedOperator {
public:
    void BeforeAnswer(std::function<void(std::string_view)> action) { beforeAnswer_ = std::move(action); }
    void ShowBoxes(Operator* boxes) { boxes_ = boxes; }

    void Show(MessageKind kind, std::string_view text) override {
        ScriptedOperator::Show(kind, text);
        if (boxes_ != nullptr) boxes_->Show(kind, text);
    }

    bool Ask(MessageKind kind, std::string_view text) override {
        if (beforeAnswer_) beforeAnswer_(text);
        const bool scripted = ScriptedOperator::Ask(kind, text);
        return boxes_ != nullptr ? boxes_->Ask(kind, text) : scripted;
    }

private:
    std::function<void(std::string_view)> beforeAnswer_;
    Operator* boxes_ = nullptr;
};

class ProgramSandbox {
public:
    ProgramSandbox() {
        root_ = fs::path(dir_.path().toStdWString());
        workDir_ = root_ / "work";
        fs::create_directories(workDir_ / "DAT");
#ifdef _WIN32
        // The program's D: is the real drive. Under Wine the test script maps it
        // to a scratch folder and says so; it is emptied for every test.
        const char* scratch = std::getenv("GVC_TEST_SCRATCH_DRIVE_D");
        if (scratch == nullptr || std::string(scratch) != "1")
            qFatal(
                "The window tests empty drive D:. Run them through tests/wine, which maps D: to a scratch "
                "folder and sets GVC_TEST_SCRATCH_DRIVE_D=1.");
        driveD_ = fs::path(L"D:\\");
        // Through QDir: an empty root lists no entries at all, not even "." and
        // "..", which std::filesystem takes for a missing directory.
        const QDir drive(QStringLiteral("D:/"));
        if (!drive.exists()) qFatal("There is no drive D:.");
        for (const QFileInfo& entry :
             drive.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            fs::remove_all(fs::path(entry.absoluteFilePath().toStdWString()));
#else
        driveD_ = root_ / "D";
        fs::create_directories(driveD_);
        ::setenv("GVC_DRIVE_D", driveD_.c_str(), 1);
        ::setenv("GVC_REGISTRY_FILE", (root_ / "devsim.reg").c_str(), 1);
#endif
    }
    ~ProgramSandbox() {
        // Windows first: they refer to the device and the operator.
        reference_.reset();
        progress_.reset();
        window_.reset();
        sim_.Stop();
    }

    const fs::path& WorkDir() const {
        return workDir_;
    }
    const fs::path& DriveD() const {
        return driveD_;
    }
    // Whether drive D holds nothing (through QDir: see the constructor).
    bool DriveDIsEmpty() const {
        return QDir(QString::fromStdU16String(driveD_.u16string()))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
            .isEmpty();
    }
    fs::path TableFile() const {
        return workDir_ / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat";
    }
    fs::path Native(std::string_view cp1251Path) const {
        return NativePath(cp1251Path);
    }

    void CopyTable() {
        fs::copy_file(fs::path(GVC_SOURCE_DIR) / "DAT" / "TABL_GAZ_SENSOR_PARAM.dat", TableFile(),
                      fs::copy_options::overwrite_existing);
    }

    // The whole data tree with an empty report log, as a first start creates it.
    void MakeDataTree() {
        SensorTypeTable table;
        ErrorText error;
        ScriptedOperator quiet;
        QVERIFY(LoadSensorTypeTable(TableFile(), table, error));
        QVERIFY(CreateDataDirs(table, RealFileSystem(), quiet, error));
    }

    // Starts the simulator with a fresh sensor of the profile, and any further
    // options (for example an automatic gas chamber).
    bool StartSimulator(const std::string& profile, const std::vector<std::string>& options = {}) {
        std::vector<std::string> args{"--registry", (root_ / "devsim.reg").string(),
                                      "--memory",   (root_ / "devsim-memory.bin").string(),
                                      "--profile",  profile,
                                      "--reset"};
        args.insert(args.end(), options.begin(), options.end());
        return sim_.Start(GVC_DEVSIM, args);
    }
    devsim::DevsimProcess& Simulator() {
        return sim_;
    }

    // What most window tests start from: the shipped table, a data tree and a
    // simulated sensor of the profile.
    bool PrepareWithSimulator(const std::string& profile) {
        CopyTable();
        MakeDataTree();
        return StartSimulator(profile);
    }

    // Creates the three windows and runs the creation handler; Show() then
    // runs the show handler.
    MainWindow& Create(bool secondInstance = false) {
        window_ = std::make_unique<MainWindow>(
            MainWindowParts{op_, error_, RealFileSystem(), device_.Link(), secondInstance, ProgramFile()});
        progress_ = std::make_unique<ProgressWindow>(window_.get());
        reference_ = std::make_unique<ReferenceDialog>(op_, window_.get());
        window_->AttachWindows(progress_.get(), reference_.get());
        window_->FormCreate(Cp1251PathText(workDir_));
        return *window_;
    }
    MainWindow& CreateAndShow(bool secondInstance = false) {
        Create(secondInstance);
        window_->show();
        QCoreApplication::processEvents();
        return *window_;
    }

    TestOperator& Op() {
        return op_;
    }
    ProgressWindow& Progress() {
        return *progress_;
    }
    ReferenceDialog& Reference() {
        return *reference_;
    }

    // The texts shown to the operator, as UTF-8 QStrings.
    QStringList Messages() const {
        QStringList texts;
        for (const auto& m : op_.Messages())
            texts << Qs(m.text);
        return texts;
    }

    static std::string ProgramFile() {
        return Cp(QCoreApplication::applicationFilePath());
    }

private:
    QTemporaryDir dir_;
    fs::path root_;
    fs::path workDir_;
    fs::path driveD_;
    TestOperator op_;
    ErrorText error_;
    SystemDevice device_{op_, error_};
    devsim::DevsimProcess sim_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ProgressWindow> progress_;
    std::unique_ptr<ReferenceDialog> reference_;
};

}  // namespace gvc::gui::test
