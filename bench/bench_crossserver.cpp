// Find on All Computers on a generated simulated network: 200 computers with
// 500 open files each, 40 live computers beside 10 that never answer, and a
// bulk close of 1,000 files with the id check. `--rss` prints the resident
// memory with the 100,000 rows shown instead.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>
#include <iostream>
#include <string>

#include "sim/SimulatedNetwork.h"
#include "support/ScriptedPrompts.h"
#include "windows/common/MainFormLink.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Prompts.h"
#include "windows/common/ReportList.h"
#include "windows/find/frmFindAll.h"

namespace {

class BenchMain final : public common::MainFormLink {
public:
    QString ChosenComputer() const override { return QStringLiteral("**LOCAL**"); }
    QString RemoteServer() const override { return {}; }
    void FillGeneral() override {}
    netenum::MessageSink* MainMessageTarget() override { return nullptr; }
    std::vector<std::u16string> ListedComputers() const override { return computers; }
    std::vector<std::u16string> computers;
};

std::u16string U(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// `live` computers with `files` open files each, then `dead` that never answer.
std::vector<std::u16string> Generate(int live, int files, int dead) {
    sim::Scenario scenario;
    std::vector<std::u16string> names;
    for (int c = 0; c < live + dead; ++c) {
        sim::Computer computer;
        computer.name = U((c < live ? "FS" : "DEAD") + std::to_string(c));
        if (c >= live) computer.unreachable_delay_ms = 600'000;
        for (int f = 0; f < (c < live ? files : 0); ++f)
        {
            sim::File file;
            file.id = static_cast<netapi::DWORD>(f + 1);
            file.path = U("D:\\Shares\\Projects\\Project " + std::to_string(f % 37) + "\\Budget " +
                          std::to_string(f) + ".xlsx");
            file.user = U("user" + std::to_string(f % 53));
            computer.files.push_back(std::move(file));
        }
        names.push_back(computer.name);
        scenario.computers.push_back(std::move(computer));
    }
    netapi::SetProvider(std::make_shared<sim::SimulatedNetwork>(std::move(scenario), "generated"));
    return names;
}

// Runs events until `done`.
template <typename Done>
void Until(Done done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

find::FindSetup Setup() {
    find::FindSetup setup;
    setup.limits.deadline = std::chrono::milliseconds(10'000);
    return setup;
}

void Search(benchmark::State& state, int live, int files, int dead, bool firstRows, bool toEnd) {
    BenchMain main;
    main.computers = Generate(live, files, dead);
    for (auto _ : state) {
        state.PauseTiming();
        find::frmFindAll window(main, nullptr, Setup());
        window.show();
        window.txtPath->setText(QStringLiteral("*budget*"));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        window.cmdFind->click();
        const int want = live * files;
        if (firstRows)
            Until([&] { return window.lstvwFiles->RowCount() > 0; });
        else
            Until([&] { return window.lstvwFiles->RowCount() >= want || !window.Busy(); });
        if (toEnd) Until([&] { return !window.Busy(); });
        if (!firstRows && !toEnd) {
            window.lstvwFiles->SortBy(4, Qt::AscendingOrder);  // "sortable": sorted once
            QCoreApplication::processEvents();
        }
        state.PauseTiming();
        if (!firstRows && window.lstvwFiles->RowCount() != want) state.SkipWithError("rows missing");
        window.Stop();
        state.ResumeTiming();
    }
    netapi::SetProvider(nullptr);
}

void Fill(benchmark::State& state) { Search(state, 200, 500, 0, false, false); }
void FirstRows(benchmark::State& state) { Search(state, 200, 500, 0, true, false); }
void DeadTenLive(benchmark::State& state) { Search(state, 40, 500, 10, false, false); }
void DeadTenEnd(benchmark::State& state) { Search(state, 40, 500, 10, false, true); }

void Close(benchmark::State& state) {
    BenchMain main;
    auto prompts = std::make_shared<common::ScriptedPrompts>();
    const auto previous = common::SetPrompts(prompts);
    for (auto _ : state) {
        state.PauseTiming();
        main.computers = Generate(20, 50, 0);
        find::frmFindAll window(main, nullptr, Setup());
        window.show();
        window.cmdFind->click();
        Until([&] { return !window.Busy(); });
        window.cmdSelectAll->click();
        prompts->yesNoAnswers = {true};
        state.ResumeTiming();
        window.cmdCloseFiles->click();
        Until([&] { return !window.Busy(); });
        state.PauseTiming();
        if (window.lstvwFiles->RowCount() != 0) state.SkipWithError("files left open");
        // Every file checked by its id and closed, none taken for stale.
        if (!window.Text1->Text().contains(QStringLiteral("Closed 1000 of 1000 files on 20 computers")))
            state.SkipWithError("not every file was closed");
        state.ResumeTiming();
    }
    common::SetPrompts(previous);
    netapi::SetProvider(nullptr);
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

int Rss() {
    BenchMain main;
    main.computers = Generate(200, 500, 0);
    find::frmFindAll window(main, nullptr, Setup());
    window.show();
    window.cmdFind->click();
    Until([&] { return !window.Busy(); });
    window.lstvwFiles->SortBy(4, Qt::AscendingOrder);
    QCoreApplication::processEvents();
    std::cout << "CrossServer.RSS/200x500 " << ResidentKb() / 1024 << " MB\n";
    return window.lstvwFiles->RowCount() == 100'000 ? 0 : 1;
}

}  // namespace

BENCHMARK(Fill)->Name("CrossServer.Fill/200x500")->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRows)->Name("CrossServer.FirstRows/200x500")->Unit(benchmark::kMillisecond);
// The live computers' rows all shown, and the search's end (the dead ones' deadline).
BENCHMARK(DeadTenLive)->Name("CrossServer.DeadTen/50")->Unit(benchmark::kMillisecond);
BENCHMARK(DeadTenEnd)->Name("CrossServer.DeadTenEnd/50")->Unit(benchmark::kMillisecond);
BENCHMARK(Close)->Name("CrossServer.Close/1000")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 2 && std::string(argv[1]) == "--rss") return Rss();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
