// Reading a big server's open files through the whole layer: provider answer,
// one packed buffer, the collection's copy; the summary on the same server;
// and the list mode writing them all as JSON.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <memory>
#include <string>

#include "app/cli/ListMode.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "server/clsGeneral.h"
#include "sim/SimulatedNetwork.h"

namespace {

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

void InstallServerWithFiles(int count) {
    sim::Computer local;
    local.name = u"BENCH";
    local.local = true;
    local.comment = u"benchmark server";
    sim::Share data;
    data.name = u"DATA";
    data.remark = u"data";
    data.path = u"D:\\Data";
    local.shares.push_back(data);
    for (int u = 0; u < 50; ++u) {
        sim::Session session;
        session.client = u"WS" + Wide(std::to_string(u));
        session.user = u"user" + Wide(std::to_string(u));
        local.sessions.push_back(session);
    }
    local.files.reserve(count);
    for (int i = 0; i < count; ++i) {
        sim::File f;
        f.id = static_cast<netapi::DWORD>(i + 1);
        f.permissions = (i % 3) + 1;
        f.locks = i % 2;
        f.path = u"D:\\Data\\Department " + Wide(std::to_string(i % 40)) + u"\\Document number " +
                 Wide(std::to_string(i)) + u".docx";
        f.user = u"user" + Wide(std::to_string(i % 50));
        local.files.push_back(std::move(f));
    }
    sim::Scenario scenario;
    scenario.computers.push_back(std::move(local));
    netapi::SetProvider(std::make_shared<sim::SimulatedNetwork>(std::move(scenario), "bench"));
}

// A reader's Init on the server, again and again; `count` keeps its work.
template <typename Reader, auto Count>
void InitOnServer(benchmark::State& state) {
    InstallServerWithFiles(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Reader reader;
        reader.Init(u"");
        benchmark::DoNotOptimize((reader.*Count)());
    }
    netapi::SetProvider(nullptr);
}

// vantor --list files --server BENCH --format json > /dev/null, in process:
// the listing child, its answer through the pipe, the table and the JSON.
void ListJson(benchmark::State& state) {
    InstallServerWithFiles(static_cast<int>(state.range(0)));
    const char* argv[] = {"vantor", "--list", "files", "--server", "BENCH", "--format", "json"};
    const app::OptionLine line = app::ParseOptionLine(7, argv);
    std::ofstream devNull("/dev/null");
    std::ostringstream err;
    for (auto _ : state) {
        const int status = app::RunListMode(line.request, {}, app::OutputKind::Pipe, devNull, err);
        if (status != 0) state.SkipWithError(err.str().c_str());
    }
    netapi::SetProvider(nullptr);
}

}  // namespace

BENCHMARK(ListJson)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(InitOnServer<netenum::colFileEnum, &netenum::colFileEnum::Count>)->Name("colFileEnum.Init")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(InitOnServer<server::clsGeneral, &server::clsGeneral::NumOpenFiles>)->Name("clsGeneral.Init")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
