// The two trend plots of a calibration run: sample store, value scale and
// scroll band, and the drawing of grid and curve on a canvas the window owns.
#pragma once

#include <array>
#include <string>

#include "ui/rgb_colour.h"

namespace gvc {

inline constexpr std::array<int, 7> kGraphScaleTable = {250, 500, 1000, 2000, 2500, 5000, 10000};
inline constexpr int kGraphCapacity = 600;
inline constexpr int kGraphImageWidth = 172;
inline constexpr int kGraphImageHeight = 197;

inline constexpr RgbColour kPlotGrey{128, 128, 128};
inline constexpr RgbColour kPlotTeal{0, 128, 128};
inline constexpr RgbColour kZeroCurveBlue{0, 0, 255};
inline constexpr RgbColour kReferenceCurvePurple{128, 0, 128};

// Where a plot is drawn: the window paints these onto its image.
class PlotCanvas {
public:
    virtual ~PlotCanvas() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void FillRect(int x0, int y0, int x1, int y1, RgbColour colour) = 0;
    virtual void Line(int x0, int y0, int x1, int y1, RgbColour colour) = 0;
};

struct TrendGraph {
    int step = kGraphScaleTable[5];
    int stepCount = 65535 / kGraphScaleTable[5] + 1;
    int scrollIndex = 0;
    int baseValue = 0;
    double yScale = 0.0;
    double xScale = 0.0;
    std::array<int, kGraphCapacity> temperature{};
    std::array<int, kGraphCapacity> adc{};
    int sampleCount = 0;
    std::array<std::string, 8> labels{};  // value labels, bottom to top
    int plotHeight = kGraphImageHeight - 1;
    int plotWidth = kGraphImageWidth - 1;
    int gridDy = (kGraphImageHeight - 1) / 7;
    int gridDx = (kGraphImageWidth - 1) / 3;
    // The up-down controls of this plot: step position (0..6) and scroll range.
    int stepPosition = 5;
    int scrollMaximum = 0;
    int scrollPosition = 0;
    // The curve's pen.
    RgbColour pen = kZeroCurveBlue;
    int penX = 0;
    int penY = 0;

    // Stores one sample; false when the store is full (a stage never fills it).
    bool Append(int adcValue, int temperatureTenths);
};

// Both plots as the page is created: step 5000, the zero plot at the bottom
// band, the reference plot at the upper band.
void SetupGraphs(TrendGraph& zeroGraph, TrendGraph& referenceGraph);

// New step from scale-table position p (0..6), keeping the band near where it was.
void SetStep(TrendGraph& graph, int position);
// Moves the band so that grid line `target` is at the bottom edge.
void ScrollTo(TrendGraph& graph, int target);

// White background, frame and grid.
void ClearPlot(TrendGraph& graph, PlotCanvas& canvas);
// The segment to sample k (1-based) from the previous one.
void DrawPoint(TrendGraph& graph, int k, PlotCanvas& canvas);
// The whole curve but the newest sample, which the next draw tick adds.
void Redraw(TrendGraph& graph, PlotCanvas& canvas);

// The up-down handlers: a change request to position v. They return true when
// the plot must be cleared and redrawn.
bool StepRequested(TrendGraph& graph, int v);
bool ScrollRequested(TrendGraph& graph, int v);

// Fits the plot to the samples it holds: the finest step of the scale table
// whose seven intervals hold every sample, with the band centred on them as
// far as the scroll range allows. False when there are no samples.
bool FitToSamples(TrendGraph& graph);

}  // namespace gvc
