#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "report.h"

namespace {

// Colours are BGR.
const cv::Scalar kWhite(255, 255, 255), kBlack(0, 0, 0), kGrid(228, 228, 228);
const cv::Scalar kCurve(170, 85, 20), kMinimum(40, 40, 210), kBhatt(30, 140, 30);
const int kFont = cv::FONT_HERSHEY_SIMPLEX;

std::string fmt(const char* format, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// Maps data coordinates (beta in [0, 1], value in [0, yMax]) to pixels of the
// plot area, origin at the area's top-left corner.
struct Scale {
    int width, height;
    double yMax;

    cv::Point operator()(double x, double y) const
    {
        // Clamped so that far-off points stay representable; drawing clips.
        const double px = std::clamp(x * (width - 1), -1e5, 1e5);
        const double py = std::clamp((1.0 - y / yMax) * (height - 1), -1e5, 1e5);
        return {static_cast<int>(std::lround(px)), static_cast<int>(std::lround(py))};
    }
};

// One line of the picture: rows [0, rows) of columns (col, col + 1).
struct Series {
    int col, rows;
    cv::Scalar colour;
    std::string label;
};

// A marker figure's trailing (0, 0) rows are padding, not points of it.
int figureRows(const PlotTable& plot, int col)
{
    int n = kTableRows;
    while (n > 0 && plot[n - 1][col] == 0.0 && plot[n - 1][col + 1] == 0.0)
        --n;
    return n;
}

// Draws a series as connected lines, broken where a value is NaN or infinite.
void drawSeries(cv::Mat& area, const Scale& scale, const PlotTable& plot, const Series& s,
                int thickness)
{
    std::vector<cv::Point> run;
    for (int r = 0; r <= s.rows; ++r) {
        if (r < s.rows && std::isfinite(plot[r][s.col]) && std::isfinite(plot[r][s.col + 1])) {
            run.push_back(scale(plot[r][s.col], plot[r][s.col + 1]));
            continue;
        }
        if (run.size() == 1)
            cv::circle(area, run[0], thickness, s.colour, cv::FILLED, cv::LINE_AA);
        else if (run.size() > 1)
            cv::polylines(area, run, false, s.colour, thickness, cv::LINE_AA);
        run.clear();
    }
}

// Tick spacing of 1, 2 or 5 times a power of ten giving about 5 to 10 ticks.
double tickStep(double span)
{
    const double raw = span / 8.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * magnitude >= raw)
            return m * magnitude;
    return 10.0 * magnitude;
}

// Centres text on a point, shrinking it to fit the canvas's width.
void putCentred(cv::Mat& canvas, const std::string& text, cv::Point centre, double fontScale,
                int thickness)
{
    int baseline = 0;
    cv::Size size = cv::getTextSize(text, kFont, fontScale, thickness, &baseline);
    if (size.width > canvas.cols - 10) {
        fontScale *= (canvas.cols - 10.0) / size.width;
        size = cv::getTextSize(text, kFont, fontScale, thickness, &baseline);
    }
    cv::putText(canvas, text, {centre.x - size.width / 2, centre.y + size.height / 2}, kFont,
                fontScale, kBlack, thickness, cv::LINE_AA);
}

// Grid, ticks with labels, the frame and the two axis titles.
void drawAxes(cv::Mat& canvas, const cv::Rect& area, const Scale& scale, double yStep,
              double fontScale, int textThickness)
{
    const int tick = std::max(4, area.height / 80);
    const int gap = static_cast<int>(22 * fontScale);
    for (int i = 0; i <= 10; ++i) {
        const cv::Point p = scale(i / 10.0, 0.0) + area.tl();
        cv::line(canvas, {p.x, area.y}, p, kGrid, 1);
        cv::line(canvas, p, {p.x, p.y + tick}, kBlack, 1);
        putCentred(canvas, fmt("%.1f", i / 10.0), {p.x, p.y + tick + gap}, fontScale,
                   textThickness);
    }
    const int yTicks = static_cast<int>(std::lround(scale.yMax / yStep));
    for (int i = 0; i <= yTicks; ++i) {
        const cv::Point p = scale(0.0, i * yStep) + area.tl();
        cv::line(canvas, p, {area.br().x - 1, p.y}, kGrid, 1);
        cv::line(canvas, {p.x - tick, p.y}, p, kBlack, 1);
        int baseline = 0;
        const std::string label = fmt("%g", i * yStep);
        const cv::Size size = cv::getTextSize(label, kFont, fontScale, textThickness, &baseline);
        cv::putText(canvas, label, {p.x - tick - 4 - size.width, p.y + size.height / 2}, kFont,
                    fontScale, kBlack, textThickness, cv::LINE_AA);
    }
    cv::rectangle(canvas, area, kBlack, 1);

    putCentred(canvas, "beta", {area.x + area.width / 2, area.br().y + tick + 2 * gap + gap / 2},
               fontScale * 1.1, textThickness);

    // OpenCV draws text horizontally only: draw the y title, then turn it.
    const std::string yTitle = "e^-k(beta)";
    int baseline = 0;
    const cv::Size size = cv::getTextSize(yTitle, kFont, fontScale * 1.1, textThickness, &baseline);
    cv::Mat label(size.height + baseline + 4, size.width + 4, CV_8UC3, kWhite);
    cv::putText(label, yTitle, {2, size.height + 2}, kFont, fontScale * 1.1, kBlack,
                textThickness, cv::LINE_AA);
    cv::rotate(label, label, cv::ROTATE_90_COUNTERCLOCKWISE);
    const int x = std::max(0, area.x - static_cast<int>(75 * fontScale) - label.cols);
    const int y = std::clamp(area.y + area.height / 2 - label.rows / 2, 0, canvas.rows - label.rows);
    label.copyTo(canvas(cv::Rect(x, y, label.cols, label.rows)));
}

// The box of this size, in a corner of the plot area, that hides the fewest
// points of the series.
cv::Rect quietestCorner(const cv::Size& box, const Scale& scale, const PlotTable& plot,
                        const std::vector<Series>& series)
{
    const int inset = 10;
    const int right = scale.width - box.width - inset, bottom = scale.height - box.height - inset;
    cv::Rect best;
    long fewest = -1;
    for (const cv::Point corner : {cv::Point(right, bottom), cv::Point(right, inset),
                                   cv::Point(inset, bottom), cv::Point(inset, inset)}) {
        const cv::Rect candidate(corner, box);
        long hidden = 0;
        for (const auto& s : series)
            for (int r = 0; r < s.rows; ++r) {
                const double x = plot[r][s.col], y = plot[r][s.col + 1];
                hidden += std::isfinite(x) && std::isfinite(y) && candidate.contains(scale(x, y));
            }
        if (fewest < 0 || hidden < fewest) {
            fewest = hidden;
            best = candidate;
        }
    }
    return best;
}

// Legend in the corner of the plot area that hides the fewest points.
void drawLegend(cv::Mat& canvas, const cv::Rect& area, const Scale& scale, const PlotTable& plot,
                const std::vector<Series>& series, double fontScale, int textThickness)
{
    int baseline = 0, textWidth = 0, lineHeight = 0;
    for (const auto& s : series) {
        const cv::Size size = cv::getTextSize(s.label, kFont, fontScale, textThickness, &baseline);
        textWidth = std::max(textWidth, size.width);
        lineHeight = std::max(lineHeight, size.height + baseline);
    }
    const int pad = lineHeight / 2, swatch = 2 * lineHeight;
    const cv::Size box(pad * 3 + swatch + textWidth, pad * 2 + lineHeight * 3 / 2 *
                                                              static_cast<int>(series.size()));
    cv::Rect best = quietestCorner(box, scale, plot, series);
    best += area.tl();
    cv::rectangle(canvas, best, kWhite, cv::FILLED);
    cv::rectangle(canvas, best, kBlack, 1);
    for (size_t i = 0; i < series.size(); ++i) {
        const int y = best.y + pad + lineHeight * 3 / 2 * static_cast<int>(i) + lineHeight / 2;
        cv::line(canvas, {best.x + pad, y}, {best.x + pad + swatch, y}, series[i].colour, 3,
                 cv::LINE_AA);
        cv::putText(canvas, series[i].label, {best.x + 2 * pad + swatch, y + lineHeight / 3},
                    kFont, fontScale, kBlack, textThickness, cv::LINE_AA);
    }
}

}  // namespace

std::string renderPlot(const gaussbound::Model& m, const gaussbound::Figures& f,
                       const PlotTable& plot, int width, int height)
{
    const double unit = std::min(width, height) / 600.0;
    const double fontScale = 0.5 * unit;
    const int textThickness = std::max(1, static_cast<int>(std::lround(unit)));
    const int lineThickness = std::max(2, static_cast<int>(std::lround(2 * unit)));
    const cv::Rect area(static_cast<int>(95 * unit), static_cast<int>(70 * unit),
                        width - static_cast<int>(120 * unit), height - static_cast<int>(140 * unit));

    const std::vector<Series> series = {
        {0, kTableRows, kCurve, "Chernoff factor e^-k(beta)"},
        {2, figureRows(plot, 2), kMinimum, "minimum, beta* = " + fmt("%.4g", f.tableBeta)},
        {4, figureRows(plot, 4), kBhatt, "Bhattacharyya, beta = 0.5"},
    };

    // The value axis runs from 0 to a tick just above the highest point.
    double top = 0.0;
    for (const auto& s : series)
        for (int r = 0; r < s.rows; ++r)
            if (std::isfinite(plot[r][s.col + 1]))
                top = std::max(top, plot[r][s.col + 1]);
    if (!(top > 0.0))
        top = 1.0;
    const double yStep = tickStep(top);
    const Scale scale{area.width, area.height, std::ceil(top / yStep - 1e-9) * yStep};

    cv::Mat canvas(height, width, CV_8UC3, kWhite);
    drawAxes(canvas, area, scale, yStep, fontScale, textThickness);
    cv::Mat inside = canvas(area);  // series are clipped to the plot area
    for (auto s = series.rbegin(); s != series.rend(); ++s)  // the curve on top
        drawSeries(inside, scale, plot, *s, lineThickness);
    drawLegend(canvas, area, scale, plot, series, fontScale * 0.9, textThickness);

    putCentred(canvas, "Chernoff bound of two normal classes",
               {width / 2, static_cast<int>(20 * unit)}, fontScale * 1.2, textThickness);
    putCentred(canvas, "class 1: " + classSummary(m.mu1, m.sigma1, m.prior1) + "    class 2: " +
                           classSummary(m.mu2, m.sigma2, m.prior2),
               {width / 2, static_cast<int>(46 * unit)}, fontScale * 0.8, textThickness);

    std::vector<unsigned char> png;
    if (!cv::imencode(".png", canvas, png))
        return "";
    return std::string(png.begin(), png.end());
}
