// One paint of the panel's drop-down button on the memory surface: the
// off-screen surface of the client size, then the whole button into it.
#include <benchmark/benchmark.h>

#include "platform/headless/MemorySurface.h"
#include "widgets/ButtonPainter.h"
#include "widgets/Theme.h"

namespace {

excalibur::ButtonLook DropDownButton(int check, int hover) {
    excalibur::ButtonLook look;
    look.label = "200 kHz";
    look.menuId = 1020;
    look.check = check;
    look.hover = hover;
    return look;
}

void PaintDropDownButton(benchmark::State& state) {
    excalibur::InitTheme();
    const excalibur::ButtonLook look =
        DropDownButton(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    constexpr int kWidth = 80;
    constexpr int kHeight = 24;
    for (auto _ : state) {
        headless::MemorySurface surface(kWidth, kHeight);
        excalibur::DrawButton(surface, platform::Rect{0, 0, kWidth, kHeight}, look);
        benchmark::DoNotOptimize(surface.Pixels().data());
    }
}
BENCHMARK(PaintDropDownButton)->ArgNames({"check", "hover"})->Args({0, 0})->Args({1, 1});

void DrawDropDownGradientOnly(benchmark::State& state) {
    excalibur::InitTheme();
    const excalibur::ButtonLook look = DropDownButton(0, 0);
    headless::MemorySurface surface(80, 24);
    for (auto _ : state) {
        excalibur::DrawBackground(surface, platform::Rect{0, 0, 80, 24}, look);
        benchmark::DoNotOptimize(surface.Pixels().data());
    }
}
BENCHMARK(DrawDropDownGradientOnly);

}  // namespace

BENCHMARK_MAIN();
