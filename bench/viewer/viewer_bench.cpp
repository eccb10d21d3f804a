// Viewer benchmarks on a seeded emulated device of 100,000 entries: the initial load until the list is filled
// and drawn, sorting by a column, redrawing the list (texts are made only for the rows on screen), making the
// filter's index of row texts, and filtering the list by a text once the index exists.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "viewer/event_viewer_frame.h"
#include "viewer/event_viewer_view.h"
#include "viewer/messages.h"
#include "viewer/viewer_main.h"
#include "viewer_core/row_filter.h"
#include "viewer_core/viewer_document.h"

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

// The viewer the benchmarks share; closed before the application ends, since widgets cannot outlive it.
std::unique_ptr<CEventViewerApp> loadedViewer;

CEventViewerApp& LoadedViewer() {
    if (loadedViewer == nullptr) {
        loadedViewer = OpenViewer();
    }
    return *loadedViewer;
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

// The index of row texts that the first text filter after a fill makes: seven texts formatted per row.
void BM_BuildFilterIndex(benchmark::State& state) {
    CEventViewerApp& app = LoadedViewer();
    const std::vector<CEventLogEntry*>& rows = app.Frame()->GetActiveView()->ListModel().AllRows();
    RowTextIndex index;
    for (auto _ : state) {
        index.Build(rows);
    }
    state.counters["rows"] = static_cast<double>(index.Rows());
    state.counters["MiB"] = static_cast<double>(index.Bytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_BuildFilterIndex)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Typing into the filter field with the index made: the search through every row's texts and the list's new
// rows, as the model shows them. The texts alternate so that every iteration changes the rows shown.
void BM_FilterByText(benchmark::State& state) {
    CEventViewerApp& app = LoadedViewer();
    CEventListModel& model = app.Frame()->GetActiveView()->ListModel();
    model.SetFilter({"memory"});
    const char* texts[] = {"fan", "board 1", "MEMORY", "no such text"};
    size_t next = 0;
    int shown = 0;
    for (auto _ : state) {
        model.SetFilter({texts[next++ % std::size(texts)]});
        shown += model.rowCount();
    }
    state.counters["rows"] = static_cast<double>(model.AllRows().size());
    state.counters["shown_avg"] = static_cast<double>(shown) / static_cast<double>(state.iterations());
    model.SetFilter({});
}
BENCHMARK(BM_FilterByText)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// The same through the filter bar's field, with the list and status bar following each keystroke.
void BM_FilterFieldKeystroke(benchmark::State& state) {
    CEventViewerApp& app = LoadedViewer();
    QLineEdit* field = app.Frame()->FilterTextField();
    field->setText(QStringLiteral("m"));
    const QString texts[] = {QStringLiteral("me"), QStringLiteral("mem"), QStringLiteral("memo")};
    size_t next = 0;
    for (auto _ : state) {
        field->setText(texts[next++ % std::size(texts)]);
        QCoreApplication::processEvents();
    }
    state.counters["shown"] = app.Frame()->GetActiveView()->ListModel().rowCount();
    field->clear();
}
BENCHMARK(BM_FilterFieldKeystroke)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

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
        kestrav::loadedViewer.reset();
    }
    std::filesystem::remove_all(folderPattern);
    return result;
}
