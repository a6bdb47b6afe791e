// The Open Resources window on a server with 100,000 open files, offscreen:
// a fill (enumeration, list rebuild, counters), a header-click sort, a pattern
// find, and the usage-log step after 1,000 files closed and 1,000 opened.
// With --rss it opens the window once and prints its resident memory as
// "RSS/100000 <MB> MB" instead (bench/resources/run).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "netenum/netapi.h"
#include "sim/SimulatedNetwork.h"
#include "windows/common/CallWait.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MainFormLink.h"
#include "windows/common/ReportList.h"
#include "support/ScriptedPrompts.h"
#include "windows/resources/frmResources.h"

namespace {

constexpr int kFiles = 100000;
constexpr int kChanged = 1000;

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

sim::File FileNumber(int i) {
    sim::File f;
    f.id = static_cast<netapi::DWORD>(i + 1);
    f.permissions = static_cast<netapi::DWORD>((i % 3) + 1);
    f.locks = static_cast<netapi::DWORD>(i % 3);
    f.path = u"D:\\Shares\\Department " + Wide(std::to_string(i % 40)) + u"\\Project " +
             Wide(std::to_string(i % 700)) + u"\\Document number " + Wide(std::to_string(i)) +
             u".docx";
    f.user = u"user" + Wide(std::to_string(i % 250));
    return f;
}

// Files first..first+count-1 open on SERVER1.
std::shared_ptr<sim::SimulatedNetwork> Server(int first, int count) {
    sim::Computer local;
    local.name = u"ADMINPC";
    local.local = true;
    sim::Computer server;
    server.name = u"SERVER1";
    server.files.reserve(static_cast<std::size_t>(count));
    for (int i = first; i < first + count; ++i) server.files.push_back(FileNumber(i));
    sim::Scenario scenario;
    scenario.computers = {std::move(local), std::move(server)};
    return std::make_shared<sim::SimulatedNetwork>(std::move(scenario), "bench");
}

class BenchMainForm final : public common::MainFormLink {
public:
    QString ChosenComputer() const override { return QStringLiteral("SERVER1"); }
    QString RemoteServer() const override { return QStringLiteral("SERVER1"); }
    void FillGeneral() override {}
    netenum::MessageSink* MainMessageTarget() override { return nullptr; }
};

// What every benchmark needs: the main window's stand-in, prompts that never
// block, and the window open on the big server.
struct Bench {
    Bench() {
        previous = common::SetPrompts(prompts);
        netapi::SetProvider(Server(0, kFiles));
        window = std::make_unique<resources::frmResources>(main);
        window->usageLog().SetFileName(folder.filePath(QStringLiteral("usage.txt")));
        // Shown, so that every figure includes laying out and painting the list.
        window->show();
        QApplication::processEvents();
    }
    ~Bench() {
        window.reset();
        netapi::SetProvider(nullptr);
        common::SetPrompts(previous);
    }
    BenchMainForm main;
    std::shared_ptr<common::ScriptedPrompts> prompts = std::make_shared<common::ScriptedPrompts>();
    std::shared_ptr<common::Prompts> previous;
    QTemporaryDir folder;
    std::unique_ptr<resources::frmResources> window;
};

void FillResources(benchmark::State& state) {
    Bench bench;
    for (auto _ : state) {
        bench.window->FillResources();
        QApplication::processEvents();
    }
    state.counters["rows"] = bench.window->lstvwResources->RowCount();
}

void Sort(benchmark::State& state) {
    Bench bench;
    int column = 0;
    for (auto _ : state) {
        // Each click after a fresh fill, on a column whose keys are not made yet.
        state.PauseTiming();
        bench.window->FillResources();
        QApplication::processEvents();
        column = column == 3 ? 0 : 3;
        state.ResumeTiming();
        common::ListCommands::ColumnClick(*bench.window->lstvwResources, column);
        QApplication::processEvents();
    }
}

void FindPattern(benchmark::State& state) {
    Bench bench;
    // The last file in the list: every row is matched before it.
    bench.window->txtFind->setText(QStringLiteral("D:\\SHARES\\*\\DOCUMENT NUMBER 99999.DOC?"));
    for (auto _ : state) {
        state.PauseTiming();
        bench.window->FillResources();  // a find right after a fill: no keys made yet
        QApplication::processEvents();
        state.ResumeTiming();
        bench.window->cmdFind->click();
        QApplication::processEvents();
    }
    if (bench.window->lstvwResources->SelectedRows() != std::vector<int>{kFiles - 1})
        state.SkipWithError("the pattern find did not select the last row");
}

void UsageLog(benchmark::State& state) {
    Bench bench;
    // Two states of the server that differ by 1,000 closed and 1,000 opened
    // files; each step logs the change from one to the other.
    const std::shared_ptr<sim::SimulatedNetwork> states[2] = {Server(0, kFiles),
                                                              Server(kChanged, kFiles)};
    netapi::SetProvider(states[0]);
    bench.window->FillResources();
    bench.window->WriteUsageLog();
    int next = 1;
    for (auto _ : state) {
        state.PauseTiming();
        netapi::SetProvider(states[next]);
        next = 1 - next;
        bench.window->FillResources();
        QApplication::processEvents();
        state.ResumeTiming();
        bench.window->WriteUsageLog();
    }
}

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

// Auto-refresh with the usage log on, as the timer runs it, many times over a
// server of kSoakFiles open files where a few files come and go each time:
// how much the program grows between refresh kSoakEarly and the last.
int Soak() {
    constexpr int kSoakFiles = 10000;
    constexpr int kSoakRefreshes = 10000;
    constexpr int kSoakEarly = 1000;
    constexpr int kSoakChanged = 10;
    common::WaitingCallRunner runner;
    netapi::SetCallRunner(&runner);
    double early = 0;
    {
        Bench bench;
        const std::shared_ptr<sim::SimulatedNetwork> states[2] = {
            Server(0, kSoakFiles), Server(kSoakChanged, kSoakFiles)};
        bench.window->chkLog->setChecked(true);
        // The window's own timer, its period shortened to nothing; this runs
        // after each of its refreshes.
        QEventLoop loop;
        int refreshes = 0;
        QObject::connect(bench.window->Timer1, &QTimer::timeout, &loop, [&] {
            ++refreshes;
            netapi::SetProvider(states[refreshes % 2]);
            if (refreshes == kSoakEarly) early = ResidentMegabytes();
            if (refreshes == kSoakRefreshes) loop.quit();
        });
        bench.window->Timer1->start(0);
        loop.exec();
        bench.window->Timer1->stop();
        std::fprintf(stderr, "soak: %d refreshes, usage log %lld bytes, %.1f MB resident\n",
                     refreshes, static_cast<long long>(QFileInfo(bench.folder.filePath(
                                                            QStringLiteral("usage.txt"))).size()),
                     ResidentMegabytes());
        std::printf("Soak.RSSGrowth/%d %.1f MB\n", kSoakRefreshes, ResidentMegabytes() - early);
    }
    netapi::SetCallRunner(nullptr);
    return 0;
}

}  // namespace

BENCHMARK(FillResources)->Name("FillResources")->Arg(kFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(Sort)->Name("Sort")->Arg(kFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(FindPattern)->Name("FindPattern")->Arg(kFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(UsageLog)->Name("UsageLog")->Arg(kFiles)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--rss") == 0) {
        Bench bench;
        bench.window->show();
        QApplication::processEvents();
        std::printf("RSS/%d %.1f MB\n", kFiles, ResidentMegabytes());
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--soak") == 0) return Soak();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
