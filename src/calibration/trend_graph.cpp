#include "calibration/trend_graph.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace gvc {

namespace {

void Relabel(TrendGraph& g) {
    for (int i = 0; i < 8; ++i)
        g.labels[static_cast<std::size_t>(i)] = std::to_string(g.step * i + g.baseValue);
}

// Truncates a finite double that is already known to be small.
int Truncate(double x) {
    if (!std::isfinite(x)) return 0;
    return static_cast<int>(std::clamp(x, -1e9, 1e9));
}

}  // namespace

bool TrendGraph::Append(int adcValue, int temperatureTenths) {
    if (sampleCount >= kGraphCapacity) return false;
    adc[static_cast<std::size_t>(sampleCount)] = adcValue;
    temperature[static_cast<std::size_t>(sampleCount)] = temperatureTenths;
    ++sampleCount;
    return true;
}

void SetupGraphs(TrendGraph& zeroGraph, TrendGraph& referenceGraph) {
    for (TrendGraph* g : {&zeroGraph, &referenceGraph}) {
        g->stepPosition = 5;
        g->step = kGraphScaleTable[5];
        g->stepCount = 65535 / g->step + 1;
    }
    zeroGraph.scrollIndex = 0;
    referenceGraph.scrollIndex = 65535 / referenceGraph.step - 6;
    for (TrendGraph* g : {&zeroGraph, &referenceGraph}) {
        g->scrollMaximum = g->stepCount - 7;
        g->scrollPosition = g->scrollIndex;
        SetStep(*g, g->stepPosition);
    }
    zeroGraph.pen = kZeroCurveBlue;
    referenceGraph.pen = kReferenceCurvePurple;
}

void SetStep(TrendGraph& g, int p) {
    p = std::clamp(p, 0, static_cast<int>(kGraphScaleTable.size()) - 1);
    g.step = kGraphScaleTable[static_cast<std::size_t>(p)];
    g.stepCount = 65535 / g.step + 1;
    if (g.stepPosition < p) {
        // Coarser: the same band lies at about half the index. 2000 -> 2500 is
        // less than a factor two and keeps it.
        if (p != 4) g.scrollIndex /= 2;
        if (g.stepCount - 7 < g.scrollIndex) g.scrollIndex = g.stepCount - 7;
    } else if (g.stepPosition > p && p != 3) {
        g.scrollIndex *= 2;
    }
    g.stepPosition = p;
    g.scrollMaximum = g.stepCount - 7;
    g.scrollPosition = g.scrollIndex;
    g.yScale = static_cast<double>(g.plotHeight) / (g.step * 7);
    g.baseValue = g.scrollIndex * g.step;
    g.xScale = static_cast<double>(g.plotWidth) / 360;
    Relabel(g);
}

void ScrollTo(TrendGraph& g, int target) {
    g.baseValue = g.step * target;
    Relabel(g);
    g.scrollPosition = target;
}

void ClearPlot(TrendGraph& g, PlotCanvas& canvas) {
    g.plotWidth = canvas.Width() - 1;
    g.gridDx = g.plotWidth / 3;
    g.plotHeight = canvas.Height() - 1;
    g.gridDy = g.plotHeight / 7;
    canvas.FillRect(0, 0, g.plotWidth, g.plotHeight, kColourWhite);
    canvas.Line(0, 0, g.plotWidth, 0, kPlotGrey);
    for (int i = 1; i <= 7; ++i)
        canvas.Line(0, i * g.gridDy, g.plotWidth, i * g.gridDy, i == 7 ? kPlotGrey : kPlotTeal);
    canvas.Line(0, 0, 0, g.plotHeight, kPlotGrey);
    for (int i = 1; i <= 3; ++i)
        canvas.Line(i * g.gridDx, 0, i * g.gridDx, g.plotHeight, i == 3 ? kPlotGrey : kPlotTeal);
}

void DrawPoint(TrendGraph& g, int k, PlotCanvas& canvas) {
    if (k < 1 || k > g.sampleCount) return;
    const int x = Truncate(k * g.xScale);
    const int h = std::clamp(Truncate((g.adc[static_cast<std::size_t>(k - 1)] - g.baseValue) * g.yScale), 0,
                             g.plotHeight);
    const int y = g.plotHeight - h;
    if (k > 1) canvas.Line(g.penX, g.penY, x, y, g.pen);
    g.penX = x;
    g.penY = y;
}

void Redraw(TrendGraph& g, PlotCanvas& canvas) {
    for (int k = 0; k < g.sampleCount; ++k)
        DrawPoint(g, k, canvas);
}

bool StepRequested(TrendGraph& g, int v) {
    if (v > 6 || v < 0) return false;
    SetStep(g, v);
    return true;
}

bool ScrollRequested(TrendGraph& g, int v) {
    const bool up = v > g.scrollPosition;
    int t = v;
    if (up && t > g.stepCount - 7) t = g.stepCount - 7;
    if (!up && v < 0) t = 0;
    g.scrollIndex = t;
    if (t == g.scrollPosition) return false;
    ScrollTo(g, t);
    return true;
}

bool FitToSamples(TrendGraph& g) {
    if (g.sampleCount <= 0) return false;
    const auto samples =
        std::span(g.adc).first(static_cast<std::size_t>(std::min(g.sampleCount, kGraphCapacity)));
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    const int lowest = std::clamp(*low, 0, 65535);
    const int highest = std::clamp(*high, 0, 65535);
    for (int p = 0; p < static_cast<int>(kGraphScaleTable.size()); ++p) {
        const int step = kGraphScaleTable[static_cast<std::size_t>(p)];
        const int topIndex = 65535 / step + 1 - 7;
        // The band [i * step, (i + 7) * step] holds the samples for i in first..last.
        const int first = std::max(0, (highest - 7 * step + step - 1) / step);
        const int last = std::min(topIndex, lowest / step);
        if (first > last) continue;
        const int centred = (lowest + highest) / 2 / step - 3;
        const int index = std::clamp(centred, first, last);
        SetStep(g, p);
        g.scrollIndex = index;
        ScrollTo(g, index);
        return true;
    }
    return false;
}

}  // namespace gvc
