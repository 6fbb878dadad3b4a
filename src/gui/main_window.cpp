// Building the main window: its panels, pages, plots, lamps and timers, and
// the wiring of its controls to the calibration run.
#include "gui/main_window.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "gui/calibration_widgets.h"
#include "gui/central_run_sink.h"
#include "gui/central_sending.h"
#include "gui/characteristics_view.h"
#include "gui/device_host.h"
#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/log_page.h"
#include "gui/main_window_show.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

constexpr std::string_view kCaption = "Очередная Градуировка Сенсора"_cp;
constexpr std::string_view kIdle = "Старт"_cp;

constexpr Qt::Alignment kCentred = Qt::AlignCenter;

QLabel* MakeCentredStatic(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
    return MakeStatic(parent, name, geometry, text, colour::kCream, kCentred);
}

// The graph panel: value labels left of each plot, time labels below, and a
// row with the scale controls and the axis captions at the bottom.
constexpr int kPlotTop = 8;
constexpr int kZeroPlotLeft = 37;
constexpr int kReferencePlotLeft = 251;
constexpr int kValueLabelWidth = 32;
constexpr int kBottomRowTop = 221;

}  // namespace

QString MainWindow::Caption() {
    return Qs(kCaption);
}

MainWindow::MainWindow(MainWindowParts parts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      parts_(parts),
      startup_(StartupContext{parts.op, parts.error, parts.fs, table_, catalogue_}) {
    setObjectName(QStringLiteral("F_GVarnestC_3Single"));
    setWindowTitle(Caption());
    setFont(ProgramFont());
    setFixedSize(656, 449);

    BuildConnectionPanel();

    bbHelp = new QPushButton(this);
    Place(bbHelp, "bbHelp", {623, 8, 29, 89});
    bbHelp->setText(QStringLiteral("?"));
    QFont helpFont = bbHelp->font();
    helpFont.setPixelSize(20);
    helpFont.setBold(true);
    bbHelp->setFont(helpFont);
    bbHelp->setToolTip(Qs("Справка"_cp));

    pcGrad = new QTabWidget(this);
    Place(pcGrad, "pcGrad", {8, 103, 640, 338});
    tsPar = new QWidget();
    tsPar->setObjectName(QStringLiteral("tsPar"));
    tsCal = new QWidget();
    tsCal->setObjectName(QStringLiteral("tsCal"));
    pcGrad->addTab(tsPar, Qs("Характеристики"_cp));
    pcGrad->addTab(tsCal, Qs("Градуировка"_cp));
    tsLog = new LogPage(parts_.op);
    pcGrad->addTab(tsLog, Qs("Журнал"_cp));
    lvParam = new CharacteristicsView(tsPar);
    lvParam->setGeometry(10, 3, 608, 289);
    lvParam->SetCellColour([](int row, int column) {
        return CharacteristicsList::CellColour(row, static_cast<CharacteristicsColumn>(column));
    });
    BuildCalibrationPage(tsCal);

    // The firmware identifier sits right of the page tabs, above the pages.
    stLIDPrg = MakeLabel(this, "stLIDPrg", {411, 103, 144, 17}, Qs("Идентификатор Прошивки:"_cp),
                         Qt::AlignRight | Qt::AlignVCenter);
    stIDPrg = MakeCentredStatic(this, "stIDPrg", {560, 103, 88, 17}, QStringLiteral("xx.xx.xx.xxx"));
    QFont bold = stIDPrg->font();
    bold.setBold(true);
    stIDPrg->setFont(bold);
    SetTextColour(stIDPrg, colour::kBlue);
    stLIDPrg->hide();
    stIDPrg->hide();

    tmSample = new QTimer(this);
    tmSample->setObjectName(QStringLiteral("tmSample"));
    tmSample->setInterval(500);
    tmDraw = new QTimer(this);
    tmDraw->setObjectName(QStringLiteral("tmDraw"));
    tmDraw->setInterval(100);

    SetUpDevice();
    access_ = std::make_unique<SensorAccess>(SensorAccess{*channel_, *sensorOp_, table_, sensor_, relay_});
    storePlaces_ = WorkstationStorePlaces();
    tsLog->SetDatabase(storePlaces_.database);
    sink_ = std::make_unique<CentralRunSink>(
        storePlaces_,
        [this](const std::string& message) {
            // The run may end on the device thread: the box opens on the window's.
            QMetaObject::invokeMethod(
                this, [this, message] { ShowStoreProblem(message); }, Qt::QueuedConnection);
        },
        [this] { RunStored(); });
    run_ = std::make_unique<CalibrationRun>(CalibrationContext{*access_, characteristics_, reference_,
                                                               connectionState_, parts_.fs, parts_.error,
                                                               *this, sink_.get()});
    ShowGraph(run_->ZeroGraph(), lgC0, udNulS, udNulP);
    ShowGraph(run_->ReferenceGraph(), lgC1, udStdS, udStdP);

    connect(btConn, &QPushButton::clicked, this, [this] { btConnClick(); });
    connect(btLog, &QPushButton::clicked, this, [this] { btLogClick(); });
    tsLog->openCylinders = [this] { OpenCylinders(); };
    tsLog->openSettings = [this] { OpenSettings(); };
    connect(bbHelp, &QPushButton::clicked, this, [this] { bbHelpClick(); });
    connect(btStart, &QPushButton::clicked, this, [this] { StartStopPressed(); });
    connect(tmSample, &QTimer::timeout, this, [this] { SampleTimerTick(); });
    connect(tmDraw, &QTimer::timeout, this, [this] { run_->DrawTick(); });
    udNulS->OnChangeRequest([this](int v) { run_->StepRequested(false, v); });
    udStdS->OnChangeRequest([this](int v) { run_->StepRequested(true, v); });
    udNulP->OnChangeRequest([this](int v) { run_->ScrollRequested(false, v); });
    udStdP->OnChangeRequest([this](int v) { run_->ScrollRequested(true, v); });
    stStdU->installEventFilter(this);
    SetUpKeyboardAndTips();
}

MainWindow::~MainWindow() {
    // The sending to the central server ends with its exchange under way.
    central_.reset();
    // The device thread ends first: the exchange on the line finishes.
    device_.reset();
}

void MainWindow::BuildConnectionPanel() {
    pGrad = new QFrame(this);
    Place(pGrad, "pGrad", {8, 8, 609, 89});
    pGrad->setFrameStyle(QFrame::Panel | QFrame::Raised);

    gbConnect =
        MakeGroup(pGrad, "gbConnect", {8, 8, 174, 73}, Qs(" Соединение с датчиком "_cp), colour::kTeal);
    btConn = new QPushButton(Qs("Подсоединить"_cp), gbConnect);
    Place(btConn, "btConn", {6, 25, 83, 25});
    stConn = MakeStatic(gbConnect, "stConn", {94, 27, 74, 20}, Qs("подсоединен"_cp));
    SetTextColour(stConn, colour::kGreen);
    btLog = new QPushButton(Qs("Журнал"_cp), gbConnect);
    Place(btLog, "btLog", {94, 50, 74, 20});
    btLog->setToolTip(Qs("Журнал градуировок, баллоны и настройки; доступен и без Датчика"_cp));

    gbMode = MakeGroup(pGrad, "gbMode", {188, 8, 415, 73}, Qs(" Тип Градуировки "_cp), colour::kSilver);
    lNum = MakeLabel(gbMode, "lNum", {14, 23, 78, 13}, Qs("Номер Датчика"_cp));
    lType = MakeLabel(gbMode, "lType", {4, 47, 88, 13}, Qs("Тип Градуировки"_cp));
    lGaz = MakeLabel(gbMode, "lGaz", {205, 23, 107, 13}, Qs("Контролируемый Газ"_cp));
    lTSen = MakeLabel(gbMode, "lTSen", {205, 47, 65, 13}, Qs("Тип Датчика"_cp));
    bType = new QFrame(gbMode);
    Place(bType, "bType", {196, 13, 5, 52});
    bType->setFrameStyle(QFrame::Panel | QFrame::Raised);
    stNum = MakeCentredStatic(gbMode, "stNum", {94, 21, 98, 17}, QStringLiteral("02-00_00000000"));
    stType = MakeCentredStatic(gbMode, "stType", {94, 44, 98, 17}, Qs("очередная"_cp));
    stGaz = MakeCentredStatic(gbMode, "stGaz", {312, 21, 98, 17}, Qs("Кислород"_cp));
    stSen = MakeCentredStatic(gbMode, "stSen", {312, 44, 41, 17}, QStringLiteral("00-00"));
}

void MainWindow::BuildCalibrationPage(QWidget* page) {
    btStart = new QPushButton(Qs(kIdle), page);
    Place(btStart, "btStart", {560, 3, 69, 25});
    QFont bold = btStart->font();
    bold.setBold(true);
    btStart->setFont(bold);
    edStatusG = new QLineEdit(page);
    Place(edStatusG, "edStatusG", {451, 33, 96, 17});
    edStatusG->setReadOnly(true);
    SetBackground(edStatusG, colour::kCream);
    edStatusG->setFrame(true);
    stTime = MakeStatic(page, "stTime", {553, 33, 31, 17}, QStringLiteral("00:00"));

    pnGraph = new QFrame(page);
    Place(pnGraph, "pnGraph", {0, 3, 442, 238});
    pnGraph->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SetBackground(pnGraph, colour::kMoneyGreen);

    const QString unit = Qs("% об.д."_cp);
    const QString adcUnit = Qs("ед.АЦП"_cp);

    gbNul = MakeGroup(page, "gbNul", {3, 247, 112, 60}, Qs(" K<нуль> "_cp), colour::kSkyBlue);
    stNulU = MakeStatic(gbNul, "stNulU", {5, 16, 50, 17}, QStringLiteral("0000.000"));
    lKNul2 = MakeLabel(gbNul, "lKNul2", {58, 18, 52, 13}, unit);
    stNulA = MakeStatic(gbNul, "stNulA", {5, 37, 50, 17}, QString());
    MakeLabel(gbNul, "lKNul3", {58, 39, 52, 13}, adcUnit);

    gbDelADC = MakeGroup(page, "gbDelADC", {121, 247, 69, 60}, Qs(" dK<АЦП> "_cp), colour::kSilver);
    stDltZ = MakeStatic(gbDelADC, "stDltZ", {5, 16, 35, 17}, QStringLiteral("00000"));
    MakeLabel(gbDelADC, "lDlt1", {43, 18, 25, 13}, Qs("зад."_cp));
    stDltC = MakeStatic(gbDelADC, "stDltC", {5, 37, 35, 17}, QString());
    MakeLabel(gbDelADC, "lDlt2", {43, 39, 25, 13}, Qs("тек."_cp));

    gbStd = MakeGroup(page, "gbStd", {196, 247, 113, 60}, Qs(" К<эталон> "_cp), colour::kMoneyGreen);
    stStdU = MakeStatic(gbStd, "stStdU", {5, 16, 50, 17}, QStringLiteral("0000.000"));
    stStdU->setToolTip(Qs("Двойной щелчок - выбор значения Эталонной Концентрации"_cp));
    lKStd2 = MakeLabel(gbStd, "lKStd2", {58, 18, 53, 13}, unit);
    stStdA = MakeStatic(gbStd, "stStdA", {5, 37, 50, 17}, QString());
    MakeLabel(gbStd, "lKStd3", {58, 39, 53, 13}, adcUnit);

    gbResult = MakeGroup(page, "gbResult", {315, 247, 130, 60}, Qs(" Результат "_cp), colour::kTeal);
    MakeLabel(gbResult, "lBias", {4, 18, 56, 13}, Qs("Смещение"_cp));
    stBias = MakeStatic(gbResult, "stBias", {61, 16, 60, 17}, QString());
    MakeLabel(gbResult, "lSlop", {4, 39, 50, 13}, Qs("Наклон"_cp));
    stSlop = MakeStatic(gbResult, "stSlop", {55, 37, 66, 17}, QString());

    gbStatus =
        MakeGroup(page, "gbStatus", {448, 64, 181, 243}, Qs(" Состояние Датчика "_cp), colour::kSilver);
    MakeLabel(gbStatus, "lCurK", {8, 20, 88, 13}, Qs("К<текущее>"_cp));
    stCurK = MakeStatic(gbStatus, "stCurK", {100, 18, 40, 17}, QString());
    MakeLabel(gbStatus, "lCurT", {8, 43, 88, 13}, Qs("Т<текущее>"_cp));
    stCurT = MakeStatic(gbStatus, "stCurT", {100, 41, 40, 17}, QString());
    BuildGraphPanel();
    BuildLamps();
}

void MainWindow::BuildGraphPanel() {
    pnNul = new PlotImage(pnGraph, "pnNul", kZeroPlotLeft, kPlotTop);
    pnStd = new PlotImage(pnGraph, "pnStd", kReferencePlotLeft, kPlotTop);
    const int plotHeight = kGraphImageHeight - 1;
    const int gridDy = plotHeight / 7;
    const int gridDx = (kGraphImageWidth - 1) / 3;
    for (int plot = 0; plot < 2; ++plot) {
        const int plotLeft = plot == 0 ? kZeroPlotLeft : kReferencePlotLeft;
        std::array<QLabel*, 8>& labels = plot == 0 ? lgC0 : lgC1;
        // Value labels, bottom to top, each centred on its grid line.
        for (int i = 0; i < 8; ++i) {
            const int y = kPlotTop + plotHeight - i * gridDy;
            const std::string name = "lgC" + std::to_string(plot) + std::to_string(i);
            labels[static_cast<std::size_t>(i)] = MakeLabel(
                pnGraph, name.c_str(), {plotLeft - kValueLabelWidth - 2, y - 7, kValueLabelWidth, 13},
                QString(), Qt::AlignRight | Qt::AlignVCenter);
        }
        // Minutes 0 to 3 below the vertical grid lines.
        for (int i = 0; i < 4; ++i) {
            const std::string name = "lgT" + std::to_string(plot) + std::to_string(i);
            const int x = plotLeft + i * gridDx;
            QRect where(x - 7, kPlotTop + kGraphImageHeight, 14, 13);
            Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop;
            if (i == 0) {
                where.moveLeft(x);
                alignment = Qt::AlignLeft | Qt::AlignTop;
            } else if (i == 3) {
                where.moveRight(x);
                alignment = Qt::AlignRight | Qt::AlignTop;
            }
            MakeLabel(pnGraph, name.c_str(), where, QString::number(i), alignment);
        }
        // Step and scroll controls.
        const int left = plotLeft - kValueLabelWidth - 2;
        const std::string index = std::to_string(plot);
        MakeLabel(pnGraph, ("lgC" + index + "Step").c_str(), {left, kBottomRowTop, 22, 13}, Qs("Шаг"_cp),
                  Qt::AlignRight | Qt::AlignVCenter);
        UpDown* step =
            new UpDown(pnGraph, plot == 0 ? "udNulS" : "udStdS", {left + 24, kBottomRowTop - 2, 15, 17}, 1);
        MakeLabel(pnGraph, ("lgC" + index + "Scroll").c_str(), {left + 42, kBottomRowTop, 30, 13},
                  Qs("Сдвиг"_cp), Qt::AlignRight | Qt::AlignVCenter);
        UpDown* scroll =
            new UpDown(pnGraph, plot == 0 ? "udNulP" : "udStdP", {left + 74, kBottomRowTop - 2, 15, 17}, 3);
        step->setToolTip(Qs("Шаг"_cp));
        scroll->setToolTip(Qs("Сдвиг"_cp));
        (plot == 0 ? udNulS : udStdS) = step;
        (plot == 0 ? udNulP : udStdP) = scroll;
    }
    MakeLabel(pnGraph, "lgC", {kZeroPlotLeft + 59, kBottomRowTop, 114, 13}, Qs("Концентрация <ед.АЦП>"_cp));
    MakeLabel(pnGraph, "lgT", {kReferencePlotLeft + 52, kBottomRowTop, 132, 13},
              Qs("Время градуировки <мин.>"_cp), Qt::AlignRight | Qt::AlignVCenter);
}

void MainWindow::BuildLamps() {
    constexpr int lampLeft = 10;
    constexpr int textLeft = 29;
    auto lamp = [this](const char* name, const char* labelName, int left, int top, const QString& text) {
        auto* shape = new LampShape(gbStatus, name, left, top);
        MakeLabel(gbStatus, labelName, {left + textLeft - lampLeft, top, 150 - left, 13}, text);
        return shape;
    };
    shDev = lamp("shDev", "lDev", lampLeft, 68, Qs("Датчик доступен"_cp));
    shSen = lamp("shSen", "lSen", lampLeft, 88, Qs("Сенсор включен"_cp));
    shA1 = lamp("shA1", "lA1", lampLeft, 108, Qs("Нижний Порог А1"_cp));
    shA2 = lamp("shA2", "lA2", lampLeft, 128, Qs("Верхний Порог А2"_cp));
    MakeLabel(gbStatus, "lLim", {8, 152, 165, 13}, Qs("Границы ресурсов"_cp));
    shLimA = lamp("shLimA", "lLimA", lampLeft, 170, Qs("Общий"_cp));
    shLimG = lamp("shLimG", "lLimG", 82, 170, Qs("Градуировки"_cp));
    MakeLabel(gbStatus, "lRes", {8, 194, 165, 13}, Qs("Истечение Ресурсов"_cp));
    shResA = lamp("shResA", "lResA", lampLeft, 212, Qs("Общий"_cp));
    shResG = lamp("shResG", "lResG", 82, 212, Qs("Градуировки"_cp));
}

}  // namespace gvc::gui
