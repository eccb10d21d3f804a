// Viewer benchmarks on a seeded emulated device of 100,000 entries: the initial load until the list is filled
// and drawn, sorting by a column, and redrawing the list (texts are made only for the rows on screen).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "viewer_core/viewer_document.h"
#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/messages.h"
#include "viewer/viewer_main.h"

namespace kestrav {
namespace {

constexpr int SeededEntries = 100000;

// No question is expected; one that comes anyway is printed and answered with OK so that the run goes on.
class UnexpectedPrompts final : public UserPrompts {
public:
    int Message(QWidget*, const QString&, const QString& text, uint32_t) override {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return ButtonOk;
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

bool PrepareDevice(const std::filesystem::path& folder) {
    const std::string device = (folder / "cvr.db").string();
    const std::string healthsim = std::string(KESTRAV_BIN_DIR) + "/healthsim";
    const std::string init = healthsim + " init '" + device + "'";
    const std::string seed = healthsim + " seed '" + device + "' --entries " + std::to_string(SeededEntries);
    if (std::system(init.c_str()) != 0 || std::system(seed.c_str()) != 0) {
        return false;
    }
    setenv("ZORHLTH_DEVICE", device.c_str(), 1);
    return true;
}

std::unique_ptr<CEventViewerApp> OpenViewer() {
    auto app = std::make_unique<CEventViewerApp>();
    app->InitInstance();
    while (!app->Frame()->InitialLoadDone()) {
        QCoreApplication::processEvents();
    }
    app->Frame()->repaint();
    return app;
}

CEventViewerApp& LoadedViewer() {
    static std::unique_ptr<CEventViewerApp> app = OpenViewer();
    return *app;
}

void BM_InitialLoad(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<CEventViewerApp> app = OpenViewer();
        state.PauseTiming();
        state.counters["rows"] = app->Frame()->GetActiveView()->ListModel().rowCount();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InitialLoad)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Each click on the same heading reverses the order, so every iteration is a full sort.
void BM_SortByColumn(benchmark::State& state) {
    CEventViewerApp& app = LoadedViewer();
    CEventViewerView& view = *app.Frame()->GetActiveView();
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        view.OnColumnClick(column);
    }
    state.counters["rows"] = view.ListModel().rowCount();
}
BENCHMARK(BM_SortByColumn)
    ->ArgName("column")
    ->Arg(DescriptionColumn)
    ->Arg(ClassColumn)
    ->Arg(EventNumberColumn)
    ->Arg(UpdateTimeColumn)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

void BM_RedrawList(benchmark::State& state) {
    CEventViewerApp& app = LoadedViewer();
    CEventViewerView& view = *app.Frame()->GetActiveView();
    const uint64_t before = view.ListModel().TextsProduced();
    for (auto _ : state) {
        view.viewport()->repaint();
    }
    state.counters["texts_per_redraw"] = static_cast<double>(view.ListModel().TextsProduced() - before) /
                                         static_cast<double>(state.iterations());
    state.counters["rows"] = view.ListModel().rowCount();
}
BENCHMARK(BM_RedrawList)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace kestrav

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    char folderPattern[] = "/tmp/kestrav-viewer-bench-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr || !kestrav::PrepareDevice(folderPattern)) {
        std::fprintf(stderr, "viewer_bench: could not prepare the seeded device\n");
        return 1;
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        kestrav::UnexpectedPrompts prompts;
        kestrav::ScopedPrompts scope(prompts);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    std::filesystem::remove_all(folderPattern);
    return result;
}
