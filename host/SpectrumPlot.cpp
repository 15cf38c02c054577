#include "host/SpectrumPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace host {
namespace {

constexpr Rgb background{18, 22, 30};
constexpr Rgb plotArea{10, 12, 18};
constexpr Rgb grid{52, 58, 72};
constexpr Rgb trace{96, 200, 255};
constexpr Rgb labels{210, 214, 222};
constexpr Rgb peakMark{255, 190, 60};

double NiceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0})
        if (factor * power >= rough) return factor * power;
    return 10.0 * power;
}

std::string Format(const char* format, double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, format, decimals, value);
    return text;
}

}  // namespace

LevelRange PlotLevelRange(double strongestDb, double noiseFloorDb) {
    constexpr double markRoomDb = 2.0, step = 10.0, span = 100.0, widestSpan = 200.0;
    if (!std::isfinite(strongestDb)) return {-span, 0.0};
    if (!std::isfinite(noiseFloorDb)) noiseFloorDb = strongestDb;
    const double top = std::ceil((strongestDb + markRoomDb) / step) * step;
    const double belowNoise = std::floor((noiseFloorDb - step) / step) * step;
    return {std::max(std::min(top - span, belowNoise), top - widestSpan), top};
}

std::vector<AxisTick> FrequencyTicks(double lowHz, double highHz, int maxTicks) {
    std::vector<AxisTick> ticks;
    if (!(highHz > lowHz) || maxTicks < 1) return ticks;
    const double step = NiceStep((highHz - lowHz) / maxTicks);
    const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step / 1e6) - 1e-9)));
    for (double tick = std::ceil(lowHz / step) * step; tick <= highHz + step * 1e-9; tick += step) {
        const double rounded = std::round(tick / step) * step;
        ticks.push_back({rounded, Format("%.*f", rounded / 1e6 + 0.0, decimals)});
    }
    return ticks;
}

RgbImage DrawSpectrumPlot(const Spectrum& spectrum, const std::vector<SpectralPeak>& peaks, int width, int height) {
    RgbImage image(width, height, background);
    const int left = 64, right = width - 16, top = 28, bottom = height - 36;
    image.FillRect(left, top, right, bottom, plotArea);
    if (spectrum.dbfs.empty() || right - left < 16 || bottom - top < 16) return image;

    const double strongest = *std::max_element(spectrum.dbfs.begin(), spectrum.dbfs.end());
    const LevelRange range = PlotLevelRange(strongest, spectrum.noiseFloorDbfs);
    const double bottomDb = range.bottomDb, topDb = range.topDb;
    const double lowHz = spectrum.FrequencyOfBin(0.0);
    const double highHz = spectrum.FrequencyOfBin(static_cast<double>(spectrum.fftSize));

    auto xOf = [&](double hz) {
        return left + static_cast<int>(std::lround((hz - lowHz) / (highHz - lowHz) * (right - left - 1)));
    };
    auto yOf = [&](double db) {
        const double clamped = std::clamp(db, bottomDb, topDb);
        return top + static_cast<int>(std::lround((topDb - clamped) / (topDb - bottomDb) * (bottom - top - 1)));
    };

    const double dbStep = NiceStep((topDb - bottomDb) / 8.0);
    for (double db = std::ceil(bottomDb / dbStep) * dbStep; db <= topDb; db += dbStep) {
        const int y = yOf(db);
        image.Line(left, y, right - 1, y, grid);
        const std::string label = Format("%.*f", db + 0.0, 0);
        image.Text(left - 6 - RgbImage::TextWidth(label), y - 3, label, labels);
    }
    for (const AxisTick& tick : FrequencyTicks(lowHz, highHz, 8)) {
        const int x = xOf(tick.value);
        image.Line(x, top, x, bottom - 1, grid);
        image.Line(x, bottom, x, bottom + 4, labels);
        image.Text(x - RgbImage::TextWidth(tick.label) / 2, bottom + 8, tick.label, labels);
    }
    image.Text(right - RgbImage::TextWidth("MHz"), bottom + 22, "MHz", labels);
    image.Text(4, 8, "dBFS", labels);
    char title[200];
    std::snprintf(title, sizeof title, "LO %.6f MHz   rate %.0f Hz   bin %.2f Hz   %zu averages   0 dBFS = %.10g",
                  spectrum.loFrequencyHz / 1e6, spectrum.sampleRate, spectrum.BinWidthHz(), spectrum.averages,
                  spectrum.fullScale);
    image.Text(left, 8, title, labels);

    // Each column shows the strongest bin it covers, so narrow carriers survive.
    const std::size_t bins = spectrum.dbfs.size();
    const int columns = right - left;
    int previousY = -1;
    for (int column = 0; column < columns; ++column) {
        const std::size_t first = static_cast<std::size_t>(column) * bins / static_cast<std::size_t>(columns);
        const std::size_t last =
            std::max(first + 1, static_cast<std::size_t>(column + 1) * bins / static_cast<std::size_t>(columns));
        const double db = *std::max_element(spectrum.dbfs.begin() + static_cast<std::ptrdiff_t>(first),
                                            spectrum.dbfs.begin() + static_cast<std::ptrdiff_t>(std::min(last, bins)));
        const int y = yOf(db);
        const int x = left + column;
        image.Line(x, previousY < 0 ? y : previousY, x, y, trace);
        previousY = y;
    }
    for (const SpectralPeak& peak : peaks) {
        const int x = xOf(peak.frequencyHz);
        const int y = yOf(peak.dbfs) - 4;
        for (int row = 0; row < 5; ++row) image.Line(x - row, y - row, x + row, y - row, peakMark);
    }
    return image;
}

}  // namespace host
