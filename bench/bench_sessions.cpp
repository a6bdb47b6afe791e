// The User Sessions and Shared Resources windows on a big simulated server:
// 20,000 sessions holding 50,000 connections, one share used by 10,000 of
// them. Each figure is a whole fill as the window does it, from the network
// calls to the repainted list.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <memory>
#include <string>

#include "netenum/MessageTarget.h"
#include "netenum/Provider.h"
#include "sim/SimulatedNetwork.h"
#include "windows/common/MainFormLink.h"
#include "windows/common/ReportList.h"
#include "windows/sessions/frmUserSessions.h"
#include "windows/shares/frmSharedResources.h"

namespace {

constexpr int kSessions = 20000;
constexpr int kSharedUsers = 10000;
constexpr int kHomeShares = 20;

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Every session is on IPC$ and its home share; the first 10,000 also on
// PROJECTS: 20,000 + 20,000 + 10,000 connections.
void InstallBigServer() {
    sim::Computer local;
    local.name = u"ADMINPC";
    local.local = true;
    sim::Computer server;
    server.name = u"BIGSRV";
    sim::Share ipc;
    ipc.name = u"IPC$";
    ipc.type = netapi::STYPE_IPC | netapi::STYPE_SPECIAL;
    server.shares.push_back(ipc);
    sim::Share projects;
    projects.name = u"PROJECTS";
    projects.path = u"D:\\Projects";
    server.shares.push_back(projects);
    for (int h = 0; h < kHomeShares; ++h) {
        sim::Share home;
        home.name = u"HOME" + Wide(std::to_string(h));
        home.path = u"E:\\Home\\" + home.name;
        server.shares.push_back(home);
    }
    std::vector<sim::Connection> connections;
    connections.reserve(kSessions * 2 + kSharedUsers);
    for (int i = 0; i < kSessions; ++i) {
        sim::Session s;
        s.client = u"WS" + Wide(std::to_string(i));
        s.user = u"user" + Wide(std::to_string(i));
        s.time = static_cast<netapi::DWORD>(i * 7);
        s.idle = static_cast<netapi::DWORD>(i % 600);
        s.flags = i % 50 == 0 ? 1 : 0;
        server.sessions.push_back(s);
        sim::Connection c;
        c.client = s.client;
        c.share = u"IPC$";
        connections.push_back(c);
        c.share = u"HOME" + Wide(std::to_string(i % kHomeShares));
        connections.push_back(c);
        if (i < kSharedUsers) {
            c.share = u"PROJECTS";
            connections.push_back(c);
        }
    }
    server.connections = std::move(connections);
    sim::Scenario scenario;
    scenario.computers = {std::move(local), std::move(server)};
    netapi::SetProvider(std::make_shared<sim::SimulatedNetwork>(std::move(scenario), "bench"));
}

class BenchMainForm final : public common::MainFormLink, public netenum::MessageSink {
public:
    QString ChosenComputer() const override { return QStringLiteral("BIGSRV"); }
    QString RemoteServer() const override { return QStringLiteral("BIGSRV"); }
    void FillGeneral() override {}
    netenum::MessageSink* MainMessageTarget() override { return this; }
    void AppendLine(const std::u16string&) override {}
};

// `run(window)` on a shown window of the kind asked, over the big server.
template <typename Window, typename Run>
void OnBigServer(Run run) {
    InstallBigServer();
    BenchMainForm main;
    {
        Window window(main);
        window.show();
        QCoreApplication::processEvents();
        run(window);
    }
    netapi::SetProvider(nullptr);
}

void FillSessions(benchmark::State& state) {
    OnBigServer<sessions::frmUserSessions>([&](sessions::frmUserSessions& window) {
        for (auto _ : state) {
            window.FillSessions();
            QCoreApplication::processEvents();  // the lists lay out and repaint
        }
        if (window.lstvwUserSessions->RowCount() != state.range(0))
            state.SkipWithError("the sessions list does not hold every session");
    });
}

void ShareClick(benchmark::State& state) {
    OnBigServer<shares::frmSharedResources>([&](shares::frmSharedResources& window) {
        int projects = -1;
        for (int row = 0; row < window.lstvwShares->RowCount(); ++row)
            if (window.lstvwShares->Text(row) == QStringLiteral("PROJECTS")) projects = row;
        for (auto _ : state) {
            window.lstvwShares_ItemClick(projects);
            QCoreApplication::processEvents();
        }
        if (window.lstvwConnectedUsers->RowCount() != state.range(0))
            state.SkipWithError("the users list does not hold every user of the share");
    });
}

}  // namespace

BENCHMARK(FillSessions)->Name("FillSessions")->Arg(kSessions)->Unit(benchmark::kMillisecond);
BENCHMARK(ShareClick)->Name("ShareClick")->Arg(kSharedUsers)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
