// TF_GProcess: the small modal window that runs one long sensor operation
// (page read, page write, or the save of a finished calibration) and shows its
// progress. The operation starts from a 100 ms one-shot timer once the window
// is up, and the window closes by itself when the operation returns. Its
// exchanges run on the device thread; the window's event loop goes on while
// each one is under way.
#pragma once

#include <QDialog>
#include <functional>

#include "calibration/calibration_run.h"
#include "sensor/transfer_progress.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QTimer;

namespace gvc::gui {

class ProgressWindow : public QDialog, public TransferProgress {
public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    // Sets the mode, shows the window modally, runs `operation` inside it and
    // returns the operation's result once the window has closed.
    int RunTransfer(TransferMode mode, const std::function<int()>& operation) override;
    void PageStarted(std::string_view pageName) override;
    void Advance(int steps) override;

    // The save's stages as they succeed: calibration, report log, certificate.
    void CalibrationSaved();
    void ReportSaved();
    void CertificateSaved();
    // A line of the save as the calibration run reports it.
    void ShowSaveLine(SaveLine line, const QString& text);
    QString SaveLineText(SaveLine line) const;

    // Where the operation runs: `runner` starts it (on the device thread) and
    // calls back with its result on the window's thread. Without one it runs
    // in the timer's slot.
    using Runner = std::function<void(const std::function<int()>& operation, std::function<void(int)> done)>;
    void SetRunner(Runner runner) { runner_ = std::move(runner); }

    int Mode() const { return mode_; }
    int Result() const { return result_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc: the operator cannot close the window

private:
    void FormActivate();
    void tmStartVPTimer();
    // Paints the changed display now, before the next exchange is handed to
    // the device thread (the event loop runs while it waits, so a slow screen
    // catches up then as well).
    static void RepaintNow(QWidget* widget);

    int mode_ = 0;
    int result_ = 0;
    bool finishing_ = false;
    std::function<int()> operation_;
    Runner runner_;
    void Finish(int result);

    QGroupBox* gbGrad_;
    QLabel* stGradOK_;
    QGroupBox* gbFile_;
    QLabel* stLogFile_;
    QLabel* stParFile_;
    QGroupBox* gbDevRW_;
    QLabel* lbDevRW_;
    QProgressBar* pbDevRW_;
    QLabel* stDevRW_;
    QTimer* tmStartVP_;
};

}  // namespace gvc::gui
