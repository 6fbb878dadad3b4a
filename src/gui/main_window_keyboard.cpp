// The main window for the keyboard and with explanations: every control in
// reading order under Tab, the reference field opened with Enter or F2, Enter
// on the focused button, a focus ring that shows on every background, the
// tooltips that tie the calibration page's result to the list's rows, and the
// plots fitted to their curve by a double-click.
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "gui/calibration_widgets.h"
#include "gui/characteristics_view.h"
#include "gui/focus_ring.h"
#include "gui/gui_text.h"
#include "gui/keyboard.h"
#include "gui/main_window.h"
#include "ui/characteristics_rows.h"

namespace gvc::gui {

using namespace gvc::literals;

namespace {

// Rows of the characteristics list that the calibration page's result fields
// turn into (09 zero offset, 10 slope, 11 initial slope).
constexpr int kOffsetRow = 22;
constexpr int kSlopeRow = 23;
constexpr int kInitialSlopeRow = 24;

constexpr std::string_view kBiasTip =
    "Смещение нуля в отсчётах датчика: нулевая концентрация в отсчётах\r\n"
    "минус наклон, умноженный на среднее АЦП нулевого газа.\r\n"
    "В списке «Характеристики» (строка 09 «Смещение Нуля») это же число\r\n"
    "стоит с обратным знаком: так знак хранится в датчике\r\n"
    "(«-» — смещение не отрицательно, «+» — отрицательно)."_cp;
constexpr std::string_view kSlopeTip =
    "Наклон: отсчёты концентрации на одну единицу АЦП при нынешнем усилении PGA.\r\n"
    "В списке «Характеристики» строка 10 «Угол Наклона» показывает наклон,\r\n"
    "умноженный на 2 в степени кода усиления PGA (строка 07), — так он\r\n"
    "записывается в датчик. Например, 0.7435 при коде 2 даёт +02.9740."_cp;
constexpr std::string_view kOffsetRowTip =
    "Смещение нуля, как оно записывается в датчик: поле «Смещение» страницы\r\n"
    "«Градуировка» с обратным знаком («-» — смещение не отрицательно,\r\n"
    "«+» — отрицательно)."_cp;
constexpr std::string_view kSlopeRowTip =
    "Угол наклона, как он записывается в датчик: поле «Наклон» страницы\r\n"
    "«Градуировка», умноженное на 2 в степени кода усиления PGA (строка 07)."_cp;
constexpr std::string_view kInitialSlopeRowTip =
    "Начальный угол наклона, хранящийся в датчике; градуировка его не меняет.\r\n"
    "Показан без множителя усиления PGA. Вместе с углом наклона (строка 10)\r\n"
    "записывается в журнал REPORT.log."_cp;
constexpr std::string_view kReferenceTip =
    "Эталонная концентрация второго этапа. Двойной щелчок, Enter или F2 —\r\n"
    "выбор между значением из таблицы и введённым вручную."_cp;
constexpr std::string_view kPlotTip =
    "Двойной щелчок (или Enter) подбирает шаг и сдвиг по точкам графика."_cp;

QString Tip(std::string_view cp1251) {
    QString text = Qs(cp1251);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

void MainWindow::SetUpKeyboardAndTips() {
    // The reference field is a control: it takes the focus and opens its dialog.
    stStdU->setFocusPolicy(Qt::StrongFocus);
    pnNul->setFocusPolicy(Qt::TabFocus);
    pnStd->setFocusPolicy(Qt::TabFocus);
    // The run's status is a display, not a stop on the way.
    edStatusG->setFocusPolicy(Qt::ClickFocus);
    // The page control is reached through its tab bar only, once.
    pcGrad->setFocusPolicy(Qt::NoFocus);
    pcGrad->tabBar()->setFocusPolicy(Qt::TabFocus);
    // Tab leaves the list; the arrow keys move inside it.
    lvParam->setTabKeyNavigation(false);

    // Reading order: the connection row with "Журнал" and "?", the page tabs,
    // then the page.
    QWidget* const order[] = {btConn,  btLog,  bbHelp, pcGrad->tabBar(), lvParam, pnNul, pnStd,
                              btStart, udNulS, udNulP, udStdS,           udStdP,  stStdU};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    EnterClicksFocusedButtons(this);
    new FocusRing(this);

    stBias->setToolTip(Tip(kBiasTip));
    stSlop->setToolTip(Tip(kSlopeTip));
    stStdU->setToolTip(Tip(kReferenceTip));
    lvParam->SetRowToolTip(kOffsetRow, Tip(kOffsetRowTip));
    lvParam->SetRowToolTip(kSlopeRow, Tip(kSlopeRowTip));
    lvParam->SetRowToolTip(kInitialSlopeRow, Tip(kInitialSlopeRowTip));

    pnNul->setToolTip(Tip(kPlotTip));
    pnStd->setToolTip(Tip(kPlotTip));
    pnNul->OnFitRequest([this] { run_->FitRequested(false); });
    pnStd->OnFitRequest([this] { run_->FitRequested(true); });
}

bool MainWindow::ReferenceFieldKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_F2) return false;
    stStdUDblClick();
    return true;
}

}  // namespace gvc::gui
