// What computers that are down cost in the main window, against black holes
// on 127.0.0.2 and up (they accept TCP and never answer; root needed):
//   Blackhole.Summary <ms> ms      the summary of a chosen black hole has its failure lines
//   Blackhole.SecondCall <ms> ms   the next call to it
//   ComputerList/20dead <ms> ms    "All Servers" listed with 20 of them known
// Prints nothing when no black hole can be started here.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/window/frmMain.h"
#include "netenum/CallControl.h"
#include "netenum/NetBuffer.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "tests/smb/DeadServers.h"
#include "windows/common/CallWait.h"
#include "windows/common/MessagePane.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kDead = 20;
    smbtest::DeadServer holes(smbtest::DeadServer::Kind::BlackHole, kDead);
    if (!holes.Error().empty()) {
        std::fprintf(stderr, "bench/dead: %s\n", holes.Error().c_str());
        return 0;
    }
    std::u16string known;
    for (int i = 0; i < kDead; ++i) {
        if (i > 0) known += u",";
        const std::string address = smbtest::DeadServer::Address(i);
        known += std::u16string(address.begin(), address.end());
    }
    smb::SetKnownServers({known});
    netapi::SetProvider(smb::MakeSmbProvider());
    common::WaitingCallRunner runner;
    netapi::SetCallRunner(&runner);
    int failed = 0;
    {
        app::frmMain window;
        window.Load();

        Clock::time_point start = Clock::now();
        const int all = window.cboComputerType->findText(QStringLiteral("All Servers"));
        window.cboComputerType->setCurrentIndex(all);
        emit window.cboComputerType->activated(all);
        std::printf("ComputerList/%ddead %.1f ms\n", kDead, MillisecondsSince(start));

        // Chosen by name as a person would type it; choosing asks it now.
        window.cboComputerName->addItem(QStringLiteral("127.0.0.2"));
        start = Clock::now();
        const int hole = window.cboComputerName->count() - 1;
        window.cboComputerName->setCurrentIndex(hole);
        emit window.cboComputerName->activated(hole);
        const double summary = MillisecondsSince(start);
        const QString pane = window.Text1->Text();
        if (!pane.contains(QStringLiteral("NetServerGetInfo error 53 ")) &&
            !pane.contains(QStringLiteral("NetServerGetInfo error 121 "))) {
            std::fprintf(stderr, "bench/dead: the summary has no failure line:\n%s\n",
                         qPrintable(pane));
            failed = 1;
        }
        std::printf("Blackhole.Summary %.1f ms\n", summary);

        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        start = Clock::now();
        netapi::NetSessionEnum(u"127.0.0.2", nullptr, nullptr, 502, buffer.Out(),
                               netapi::MAX_PREFERRED_LENGTH, &read, &total, nullptr);
        std::printf("Blackhole.SecondCall %.1f ms\n", MillisecondsSince(start));
    }
    netapi::SetCallRunner(nullptr);
    netapi::SetProvider(nullptr);
    return failed;
}
