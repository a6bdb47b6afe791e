#pragma once
// What the window tests share: a stand-in for the main window, and a simulated
// network built from plain values and installed for the test's lifetime.
#include <QFile>
#include <QString>
#include <memory>
#include <ostream>
#include <string>

#include "netenum/MessageTarget.h"
#include "netenum/Provider.h"
#include "sim/SimulatedNetwork.h"
#include "windows/common/MainFormLink.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace windowtest {

class FakeMainForm final : public common::MainFormLink, public netenum::MessageSink {
public:
    QString ChosenComputer() const override { return chosen; }
    QString RemoteServer() const override { return chosen == "**LOCAL**" ? QString() : chosen; }
    void FillGeneral() override { ++fillGeneralCalls; }
    netenum::MessageSink* MainMessageTarget() override { return this; }
    void AppendLine(const std::u16string&) override {}

    QString chosen = "SERVER1";
    int fillGeneralCalls = 0;
};

// Installs a network; Replace stands for files that came and went meanwhile.
class Network final {
public:
    explicit Network(sim::Scenario scenario) { Replace(std::move(scenario)); }
    ~Network() { netapi::SetProvider(nullptr); }
    sim::SimulatedNetwork& operator*() { return *mNetwork; }
    sim::SimulatedNetwork* operator->() { return mNetwork.get(); }
    void Replace(sim::Scenario scenario) {
        mNetwork = std::make_shared<sim::SimulatedNetwork>(std::move(scenario), "test");
        netapi::SetProvider(mNetwork);
    }

private:
    std::shared_ptr<sim::SimulatedNetwork> mNetwork;
};

inline sim::File OpenFile(netapi::DWORD id, const std::u16string& user, const std::u16string& path,
                          netapi::DWORD permissions = netapi::PERM_FILE_READ, netapi::DWORD locks = 0) {
    return {.id = id, .permissions = permissions, .locks = locks, .path = path, .user = user,
            .client = std::nullopt, .share = std::nullopt};
}

// ADMINPC, the local computer (messages leave from it), and SERVER1 with `files`.
inline sim::Scenario ServerWith(std::vector<sim::File> files) {
    sim::Scenario scenario;
    sim::Computer local;
    local.name = u"ADMINPC";
    local.local = true;
    sim::Computer server;
    server.name = u"SERVER1";
    server.files = std::move(files);
    scenario.computers = {std::move(local), std::move(server)};
    return scenario;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace windowtest
