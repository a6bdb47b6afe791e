// Network calls from a window run on a worker while the window waits: it
// keeps painting, runs nothing the user does meanwhile, and Esc gives the
// wait up. Driven by a scripted provider that holds each call as long as the
// test wants.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <thread>

#include "netenum/CallControl.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedProvider.h"
#include "support/WindowTestSupport.h"
#include "windows/common/CallWait.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/resources/frmResources.h"

namespace {

using namespace std::chrono_literals;
using resources::frmResources;

// Counts paint events of a widget; readable from the worker thread.
class PaintCounter final : public QObject {
public:
    std::atomic<int> paints{0};
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Waits on the worker thread until `done` holds, at most 10 s.
template <typename F>
bool WaitFor(F done) {
    for (int i = 0; i < 1000 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
}

class CallWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        provider.files.records = {{7, 0, 0, u"D:\\DATA\\BUDGET.XLS", u"user1"}};
        window = std::make_unique<frmResources>(main);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        netapi::SetCallRunner(&runner);
    }
    void TearDown() override {
        netapi::SetCallRunner(nullptr);
        provider.onCall = nullptr;
        window.reset();
    }
    QString Pane() const { return window->Text1->Text(); }
    void During(const char* name, std::function<void()> during) {
        provider.onCall = [name, during](const std::string& called) {
            if (called == name) during();
        };
    }
    // From a call in flight: Esc, queued on the window thread; back once the wait is given up.
    void PressEsc() {
        netapi::Interact([this] {
            QCoreApplication::postEvent(window->lstvwResources,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        WaitFor([] { return netapi::CurrentCall()->abandoned.load(); });
    }

    windowtest::FakeMainForm main;
    testing_support::ScriptedNetwork net;
    testing_support::ScriptedProvider& provider = net.provider();
    common::PromptsScope prompts;
    common::WaitingCallRunner runner;
    std::unique_ptr<frmResources> window;
};

TEST_F(CallWaitTest, TheWindowPaintsDuringALongCallRunsNoClickOrTickAndEscGivesTheWaitUp) {
    PaintCounter counter;
    QWidget* list = window->lstvwResources->viewport();
    list->installEventFilter(&counter);
    std::atomic<int> ticks{0};
    int ticksDuringCall = -1;
    QObject::connect(window->Timer1, &QTimer::timeout, [&] { ++ticks; });
    window->Timer1->start(1);
    bool painted = false;
    During("NetFileEnum", [&] {
        // Ask for a repaint and a click on Close, as the window system would
        // (queued on the window thread: a foreign thread's first call into
        // Qt makes thread data that is never freed), then hold the call
        // until the paint happened.
        const int before = counter.paints.load();
        netapi::Interact([&] {
            list->update();
            QWidget* close = window->cmdClose;
            const QPoint at = close->rect().center();
            QCoreApplication::postEvent(
                close, new QMouseEvent(QEvent::MouseButtonPress, at, close->mapToGlobal(at),
                                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(
                close, new QMouseEvent(QEvent::MouseButtonRelease, at, close->mapToGlobal(at),
                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        });
        const int ticksBefore = ticks.load();
        painted = WaitFor([&] { return counter.paints.load() > before; });
        std::this_thread::sleep_for(50ms);  // the timer is due meanwhile
        ticksDuringCall = ticks.load() - ticksBefore;
    });
    window->cmdRefresh->click();
    window->Timer1->stop();
    EXPECT_TRUE(painted) << "the list painted while the call was in flight";
    EXPECT_TRUE(window->isVisible()) << "the click on Close was not run in the middle of the call";
    EXPECT_EQ(ticksDuringCall, 0) << "no timer tick ran in the middle of the call";
    EXPECT_EQ(window->lstvwResources->RowCount(), 1);
    EXPECT_EQ(runner.Waiting(), 0);

    // Esc gives the wait up; what the call given up would still ask the
    // person is asked of nobody.
    std::atomic<bool> asked{false};
    std::atomic<bool> over{false};
    During("NetFileEnum", [&] {
        PressEsc();
        netapi::Interact([&] { asked = true; });
        over = true;
    });
    provider.files.records[0].pathname = u"D:\\DATA\\NEW.XLS";
    window->cmdRefresh->click();
    // One line says so; the rows on show stay as they were, not emptied.
    EXPECT_EQ(Pane(), "Refreshing list...\r\nCancelled\r\n");
    EXPECT_TRUE(window->isVisible()) << "Esc ended the wait, not the window";
    ASSERT_EQ(window->lstvwResources->RowCount(), 1);
    EXPECT_EQ(window->lstvwResources->SubItem(0, 3), "D:\\DATA\\BUDGET.XLS");
    QTRY_VERIFY(over.load());
    EXPECT_FALSE(asked.load());

    provider.onCall = nullptr;
    window->cmdRefresh->click();
    EXPECT_EQ(window->lstvwResources->SubItem(0, 3), "D:\\DATA\\NEW.XLS") << "the window stays usable";

    // A close given up after it was sent is reported unknown and not sent again.
    During("NetFileClose", [this] {
        netapi::CurrentCall()->requestSent = true;
        PressEsc();
    });
    window->cmdCloseResource->click();
    EXPECT_TRUE(Pane().contains("Error closing file D:\\DATA\\NEW.XLS : result unknown"))
        << Pane().toStdString();
    EXPECT_EQ(provider.CallsNamed("NetFileClose").size(), 1u);
}

TEST_F(CallWaitTest, RefreshAsksForTheComputerAgainTheTimerDoesNotAndAPromptIsNotTimed) {
    const auto clicked = provider.CallsNamed("RetryComputer").size();
    window->cmdRefresh->click();
    EXPECT_EQ(provider.CallsNamed("RetryComputer").size(), clicked + 1);
    window->Timer1->start(1);
    QTRY_VERIFY(provider.CallsNamed("NetFileEnum").size() >= 3);
    window->Timer1->stop();
    EXPECT_EQ(provider.CallsNamed("RetryComputer").size(), clicked + 1);

    // What a call asks the person runs on the window thread and not on its clock.
    const netapi::CallLimits saved = netapi::GetCallLimits();
    netapi::CallLimits shortCalls = saved;
    shortCalls.deadline = 300ms;
    netapi::SetCallLimits(shortCalls);
    bool onWindowThread = false;
    During("NetFileEnum", [&] {
        // As a log-on prompt would: the person takes longer than the call may.
        netapi::Interact([&] {
            onWindowThread = QThread::currentThread() == window->thread();
            std::this_thread::sleep_for(3 * shortCalls.deadline);
        });
    });
    window->cmdRefresh->click();
    netapi::SetCallLimits(saved);
    EXPECT_TRUE(onWindowThread);
    EXPECT_EQ(window->lstvwResources->RowCount(), 1) << Pane().toStdString();
    EXPECT_FALSE(Pane().contains("error")) << Pane().toStdString();
}

}  // namespace
