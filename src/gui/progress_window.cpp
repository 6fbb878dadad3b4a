#include "gui/progress_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>
#include <QTimer>

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {
constexpr int kStartDelayMs = 100;
constexpr Qt::Alignment kCentred = Qt::AlignCenter;
}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("F_GProcess"));
    setWindowTitle(Qs("Процесс"_cp));
    setFixedSize(226, 216);
    setModal(true);

    gbGrad_ = new QGroupBox(Qs(" Градуировка "_cp), this);
    Place(gbGrad_, "gbGrad", {6, 2, 214, 44});
    stGradOK_ = MakeStatic(gbGrad_, "stGradOK", {8, 19, 198, 17}, Qs("Датчик успешно отградуирован"_cp),
                           colour::kMoneyGreen, kCentred);

    gbFile_ = new QGroupBox(Qs(" Сохранение данных в файлах "_cp), this);
    Place(gbFile_, "gbFile", {6, 48, 214, 66});
    stLogFile_ = MakeStatic(gbFile_, "stLogFile", {8, 19, 198, 17}, Qs("Отчет сохранен"_cp), colour::kSkyBlue,
                            kCentred);
    stParFile_ = MakeStatic(gbFile_, "stParFile", {8, 41, 198, 17}, Qs("Сертификат заполнен"_cp),
                            colour::kSkyBlue, kCentred);

    gbDevRW_ = new QGroupBox(Qs(" Обмен параметрами с датчиком "_cp), this);
    Place(gbDevRW_, "gbDevRW", {6, 116, 214, 94});
    lbDevRW_ =
        MakeLabel(gbDevRW_, "lbDevRW", {4, 19, 206, 17}, Qs("Чтение параметров из датчика"_cp), kCentred);
    QFont bold = lbDevRW_->font();
    bold.setBold(true);
    lbDevRW_->setFont(bold);
    SetTextColour(lbDevRW_, colour::kBlue);
    pbDevRW_ = new QProgressBar(gbDevRW_);
    Place(pbDevRW_, "pbDevRW", {8, 42, 198, 18});
    pbDevRW_->setRange(0, 100);
    pbDevRW_->setValue(0);
    pbDevRW_->setTextVisible(false);
    stDevRW_ = MakeStatic(gbDevRW_, "stDevRW", {8, 67, 198, 17}, QStringLiteral("FLASH_P"), colour::kSkyBlue,
                          kCentred);

    tmStartVP_ = new QTimer(this);
    tmStartVP_->setObjectName(QStringLiteral("tmStartVP"));
    tmStartVP_->setInterval(kStartDelayMs);
    tmStartVP_->setSingleShot(true);
    connect(tmStartVP_, &QTimer::timeout, this, [this] { tmStartVPTimer(); });
}

int ProgressWindow::RunTransfer(TransferMode mode, const std::function<int()>& operation) {
    mode_ = static_cast<int>(mode);
    operation_ = operation;
    result_ = -1;
    exec();
    operation_ = nullptr;
    return result_;
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void ProgressWindow::FormActivate() {
    stGradOK_->clear();
    stLogFile_->clear();
    stParFile_->clear();
    pbDevRW_->setValue(0);
    switch (mode_) {
        case 0:
            setWindowTitle(Qs("Чтение параметров из датчика"_cp));
            lbDevRW_->setText(Qs("Чтение параметров из датчика"_cp));
            break;
        case 1:
            setWindowTitle(Qs("Запись параметров в датчик"_cp));
            lbDevRW_->setText(Qs("Запись параметров в датчик"_cp));
            break;
        default:
            setWindowTitle(Qs("Сохранение результатов Градуировки"_cp));
            lbDevRW_->setText(Qs("Запись параметров в датчик"_cp));
            break;
    }
    tmStartVP_->start();
}

void ProgressWindow::tmStartVPTimer() {
    tmStartVP_->stop();
    if (!operation_) return Finish(-1);
    if (runner_) {
        runner_(operation_, [this](int result) { Finish(result); });
    } else {
        Finish(operation_());
    }
}

void ProgressWindow::Finish(int result) {
    result_ = result;
    finishing_ = true;
    done(QDialog::Rejected);
    finishing_ = false;
}

void ProgressWindow::PageStarted(std::string_view pageName) {
    stDevRW_->setText(Qs(pageName));
    RepaintNow(stDevRW_);
}

void ProgressWindow::Advance(int steps) {
    pbDevRW_->setValue(pbDevRW_->value() + steps);
    RepaintNow(pbDevRW_);
}

void ProgressWindow::CalibrationSaved() {
    stGradOK_->setText(Qs("Датчик успешно отградуирован"_cp));
    RepaintNow(stGradOK_);
}

void ProgressWindow::ReportSaved() {
    stLogFile_->setText(Qs("Отчет сохранен"_cp));
    RepaintNow(stLogFile_);
}

void ProgressWindow::CertificateSaved() {
    stParFile_->setText(Qs("Сертификат заполнен"_cp));
    RepaintNow(stParFile_);
}

void ProgressWindow::ShowSaveLine(SaveLine line, const QString& text) {
    QLabel* label = line == SaveLine::kResult      ? stGradOK_
                    : line == SaveLine::kReportLog ? stLogFile_
                                                   : stParFile_;
    label->setText(text);
    RepaintNow(label);
}

QString ProgressWindow::SaveLineText(SaveLine line) const {
    const QLabel* label = line == SaveLine::kResult      ? stGradOK_
                          : line == SaveLine::kReportLog ? stLogFile_
                                                         : stParFile_;
    return label->text();
}

void ProgressWindow::RepaintNow(QWidget* widget) {
    if (widget->isVisible()) widget->repaint();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Only the end of the operation closes the window.
    if (finishing_) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

void ProgressWindow::reject() {
    if (finishing_) QDialog::reject();
}

}  // namespace gvc::gui
