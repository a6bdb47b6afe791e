// New Share…, Stop Sharing and Properties… of the Shared Resources window on a
// simulated server: the dialogs filled as a person would, the questions
// answered from a script, and the server read back afterwards.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "netenum/AccountNames.h"
#include "netenum/ShareEdit.h"
#include "netenum/netapi.h"
#include "sim/ScenarioLoader.h"
#include "support/ListText.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowTestSupport.h"
#include "windows/common/MessagePane.h"
#include "windows/shares/ShareDialogs.h"
#include "windows/shares/frmSharedResources.h"

using netapi::Ace;
using Kind = common::ScriptedPrompts::Kind;

namespace {

// alice and bob use DATA; IPC$ is the hidden one.
constexpr const char* kServer = R"({ "computers": [
  { "name": "ADMINPC", "local": true },
  { "name": "SERVER1",
    "shares": [ { "name": "DATA", "path": "D:\\Data", "remark": "Team data" },
                { "name": "IPC$", "type": 2147483651 } ],
    "sessions": [ { "client": "WS1", "user": "alice" }, { "client": "WS2", "user": "bob" } ],
    "files": [ { "id": 1, "path": "D:\\Data\\a.xls", "user": "alice" },
               { "id": 2, "path": "D:\\Data\\c.txt", "user": "bob" } ],
    "accounts": [ { "name": "alice" }, { "name": "bob" } ] } ] })";

void ClickOk(QDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

template <typename Dialog>
std::function<bool(QDialog&)> Answer(std::function<void(Dialog&)> fill) {
    return [fill](QDialog& dialog) {
        auto* d = dynamic_cast<Dialog*>(&dialog);
        if (d == nullptr) return false;
        fill(*d);
        return d->result() == QDialog::Accepted;
    };
}

class ShareCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        main.chosen = QStringLiteral("SERVER1");
        window = std::make_unique<shares::frmSharedResources>(main);
        window->FillFirst();
    }

    QString Pane() const { return window->Text1->Text(); }
    QStringList Shares() const { return listtext::Column(*window->lstvwShares, 0); }
    void Choose(const QString& share) {
        const int row = int(Shares().indexOf(share));
        window->lstvwShares->DeselectAllRows();
        window->lstvwShares->SetCurrentRow(row);
        window->lstvwShares->SetSelected(row, true);
    }
    void KeyInList(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->lstvwShares->setFocus();
        QTest::keyClick(window->lstvwShares, key, modifiers);
    }
    netapi::ShareState State(const char16_t* share) {
        netapi::ShareState state;
        EXPECT_EQ(netapi::ReadShareState(u"SERVER1", share, state), 0u);
        return state;
    }
    static std::vector<Ace> Dacl(const netapi::ShareState& state) {
        return state.descriptor ? state.descriptor->dacl : std::vector<Ace>{};
    }
    netapi::Sid SidOf(const char16_t* name) {
        std::vector<netapi::AccountLookup> found;
        netapi::NetLookupAccountNames(u"SERVER1", {name}, found);
        return found.at(0).sid;
    }

    common::PromptsScope prompts;
    windowtest::FakeMainForm main;
    windowtest::Network network{sim::ParseScenario(kServer, "server")};
    std::unique_ptr<shares::frmSharedResources> window;
};

TEST_F(ShareCommandsTest, NewShareRefusesBadFieldsThenCreatesWithThePresetOrCustomPermissions) {
    prompts->dialogAnswers.push_back(Answer<shares::dlgNewShare>([&](shares::dlgNewShare& d) {
        EXPECT_EQ(d.windowTitle(), "New Share on SERVER1");
        // Each refusal names the fault and leaves the dialog open.
        const auto refused = [&](const QString& name, const QString& path, const QString& users,
                                 const QString& says) {
            d.txtName->setText(name);
            d.txtPath->setText(path);
            d.limit.optAllow->setChecked(true);
            d.limit.txtUsers->setText(users);
            const auto before = prompts->asked().size();
            ClickOk(d);
            EXPECT_NE(d.result(), QDialog::Accepted) << name.toStdString();
            ASSERT_EQ(prompts->asked().size(), before + 1);
            EXPECT_TRUE(prompts->asked().back().text.contains(says)) << prompts->asked().back().text.toStdString();
        };
        refused("", "D:\\P", "5", "Type a name");
        refused("Pro:j", "D:\\P", "5", "\":\"");
        refused(QString(81, u'x'), "D:\\P", "5", "80");
        refused("Proj", "", "5", "full path");
        refused("Proj", "Shares\\P", "5", "full path");
        refused("Proj", "D:\\P", "0", "from 1 to 16777216");
        refused("Proj", "D:\\P", "16777217", "from 1 to 16777216");
        refused("Proj", "D:\\P", "ten", "from 1 to 16777216");

        d.txtName->setText("Proj");
        d.txtPath->setText("D:\\Shares\\Proj");
        d.txtRemark->setText("Projects");
        d.limit.txtUsers->setText("10");
        d.cboPermissions->setCurrentIndex(int(shares::dlgNewShare::Preset::AdministratorsFull));
        ClickOk(d);
    }));
    window->cmdNewShare->click();

    EXPECT_TRUE(Pane().endsWith("Shared \"D:\\Shares\\Proj\" as \"Proj\"\r\n")) << Pane().toStdString();
    EXPECT_EQ(window->lstvwShares->SelectedRows(), std::vector<int>{int(Shares().indexOf("Proj"))});
    const auto state = State(u"Proj");
    EXPECT_EQ(state.details.remark, u"Projects");
    EXPECT_EQ(state.details.max_uses, 10u);
    EXPECT_EQ(Dacl(state), (std::vector<Ace>{Ace::Allow(netapi::AdministratorsSid(), netapi::SHARE_ACCESS_FULL),
                                             Ace::Allow(netapi::EveryoneSid(), netapi::SHARE_ACCESS_READ)}));

    // The same name again: the server's refusal is one line, the list stays.
    prompts->Clear();
    prompts->dialogAnswers.push_back(Answer<shares::dlgNewShare>([](shares::dlgNewShare& d) {
        d.txtName->setText("proj");
        d.txtPath->setText("/srv/other");
        EXPECT_EQ(d.ChosenPreset(), shares::dlgNewShare::Preset::EveryoneRead);
        ClickOk(d);
    }));
    window->cmdNewShare->click();
    EXPECT_TRUE(Pane().contains("NetShareAdd error 2118")) << Pane().toStdString();
    EXPECT_FALSE(Pane().contains("Shared \"/srv/other\""));
    EXPECT_EQ(Dacl(State(u"Proj")).size(), 2u);

    // Custom permissions: add, remove, an unknown account and a contradiction.
    prompts->Clear();
    prompts->dialogAnswers.push_back(Answer<shares::dlgNewShare>([](shares::dlgNewShare& d) {
        d.txtName->setText("Team");
        d.txtPath->setText("/srv/team");
        d.cboPermissions->setCurrentIndex(int(shares::dlgNewShare::Preset::Custom));
        ClickOk(d);
    }));
    prompts->inputAnswers = {"nobody", "alice", "bob"};
    prompts->dialogAnswers.push_back(Answer<shares::dlgSharePermissions>([&](shares::dlgSharePermissions& d) {
        auto& e = *d.permissions;
        ASSERT_EQ(e.lstAccounts->count(), 1);
        EXPECT_EQ(e.lstAccounts->item(0)->text(), "Everyone");
        EXPECT_EQ(e.chkAllow[2]->isChecked(), true);  // Read

        e.cmdAdd->click();  // nobody: refused, nothing added
        EXPECT_EQ(e.lstAccounts->count(), 1);
        EXPECT_EQ(prompts->asked().back().kind, Kind::Message);
        EXPECT_TRUE(prompts->asked().back().text.contains("\"nobody\" is not known on SERVER1"));

        e.cmdAdd->click();  // alice comes in allowed Read and is chosen
        e.chkAllow[1]->setChecked(true);  // Change holds Read
        EXPECT_TRUE(e.chkAllow[2]->isChecked());

        e.cmdAdd->click();  // bob, allowed Read and denied Read: refused, naming him
        e.chkDeny[2]->setChecked(true);
        ClickOk(d);
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_TRUE(prompts->asked().back().text.contains("bob\": grant read and deny read"))
            << prompts->asked().back().text.toStdString();
        e.chkAllow[2]->setChecked(false);  // deny only
        e.chkDeny[0]->setChecked(true);    // Full Control checks all three
        EXPECT_TRUE(e.chkDeny[1]->isChecked() && e.chkDeny[2]->isChecked());

        e.Select(0);  // Everyone goes
        e.cmdRemove->click();
        ClickOk(d);
    }));
    window->cmdNewShare->click();

    EXPECT_EQ(Dacl(State(u"Team")), (std::vector<Ace>{Ace::Deny(SidOf(u"bob"), netapi::SHARE_ACCESS_FULL),
                                                       Ace::Allow(SidOf(u"alice"), netapi::SHARE_ACCESS_CHANGE)}));

    // Cancelling the permissions creates nothing.
    prompts->Clear();
    prompts->dialogAnswers.push_back(Answer<shares::dlgNewShare>([](shares::dlgNewShare& d) {
        d.txtName->setText("Later");
        d.txtPath->setText("/srv/later");
        d.cboPermissions->setCurrentIndex(int(shares::dlgNewShare::Preset::Custom));
        ClickOk(d);
    }));
    prompts->dialogAnswers.push_back([](QDialog&) { return false; });
    window->cmdNewShare->click();
    EXPECT_FALSE(Shares().contains("Later"));
}

TEST_F(ShareCommandsTest, PropertiesWritesOnlyWhatChangedThenStopSharingAsks) {
    // A share with an entry that is no share right: shown as Special and kept.
    const Ace special = Ace::Allow(SidOf(u"bob"), 0x00100000);
    {
        netapi::SecurityDescriptor sd;
        sd.dacl = {Ace::Allow(netapi::EveryoneSid(), netapi::SHARE_ACCESS_FULL), special};
        auto bytes = netapi::BuildSecurityDescriptor(sd);
        netapi::SHARE_INFO_1501 info{0, bytes.data()};
        ASSERT_EQ(netapi::NetShareSetInfo(u"SERVER1", u"DATA", 1501, reinterpret_cast<netapi::LPBYTE>(&info), nullptr), 0u);
    }
    const auto writes = network->ShareSetInfoCalls();
    Choose("DATA");

    // Enter on the list opens it; OK with nothing changed writes nothing.
    prompts->dialogAnswers.push_back(Answer<shares::dlgShareProperties>([](shares::dlgShareProperties& d) {
        EXPECT_EQ(d.windowTitle(), "DATA Properties");
        EXPECT_EQ(d.txtRemark->text(), "Team data");
        EXPECT_TRUE(d.limit.optMaximum->isChecked());
        EXPECT_EQ(d.cboCaching->currentIndex(), 0);
        auto& e = *d.permissions;
        ASSERT_EQ(e.lstAccounts->count(), 2);
        e.Select(1);
        EXPECT_TRUE(e.chkAllow[3]->isChecked());  // bob: Special
        EXPECT_FALSE(e.chkAllow[3]->isEnabled());
        ClickOk(d);
    }));
    KeyInList(Qt::Key_Return);
    EXPECT_EQ(network->ShareSetInfoCalls(), writes);
    EXPECT_TRUE(Pane().endsWith("Share \"DATA\": nothing to change\r\n")) << Pane().toStdString();

    // General tab: description, a limit out of range refused, then a good one, and caching.
    prompts->Clear();
    prompts->dialogAnswers.push_back(Answer<shares::dlgShareProperties>([&](shares::dlgShareProperties& d) {
        d.txtRemark->setText("Team files");
        d.limit.optAllow->setChecked(true);
        d.limit.txtUsers->setText("99999999");
        ClickOk(d);
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(prompts->asked().back().kind, Kind::Message);
        d.limit.txtUsers->setText("5");
        d.cboCaching->setCurrentIndex(3);
        ClickOk(d);
    }));
    KeyInList(Qt::Key_Return, Qt::AltModifier);
    auto state = State(u"DATA");
    EXPECT_EQ(state.details.remark, u"Team files");
    EXPECT_EQ(state.details.max_uses, 5u);
    EXPECT_TRUE(Pane().endsWith("description, user limit and offline settings changed\r\n")) << Pane().toStdString();
    netapi::LPBYTE buffer = nullptr;
    ASSERT_EQ(netapi::NetShareGetInfo(u"SERVER1", u"DATA", 1005, &buffer), 0u);
    EXPECT_EQ(reinterpret_cast<netapi::SHARE_INFO_1005*>(buffer)->shi1005_flags & netapi::CSC_MASK,
              netapi::CSC_CACHE_NONE);
    netapi::NetApiBufferFree(buffer);

    // Everyone's Full Control taken away: asked; No keeps the dialog open,
    // Yes writes the whole list once.
    prompts->Clear();
    prompts->yesNoAnswers = {false, true};
    prompts->inputAnswers = {"alice"};
    const auto before = network->ShareSetInfoCalls();
    prompts->dialogAnswers.push_back(Answer<shares::dlgShareProperties>([&](shares::dlgShareProperties& d) {
        auto& e = *d.permissions;
        e.cmdAdd->click();
        e.Select(0);
        e.chkAllow[0]->setChecked(false);  // Everyone: Change left
        ClickOk(d);
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_TRUE(prompts->asked().back().text.contains("No account will have Full Control"));
        ClickOk(d);
    }));
    window->cmdProperties->click();
    EXPECT_EQ(network->ShareSetInfoCalls(), before + 1);
    EXPECT_EQ(Dacl(State(u"DATA")), (std::vector<Ace>{special, Ace::Allow(netapi::EveryoneSid(), netapi::SHARE_ACCESS_CHANGE),
                                                       Ace::Allow(SidOf(u"alice"), netapi::SHARE_ACCESS_READ)}));
    EXPECT_TRUE(Pane().endsWith("Share \"DATA\": permissions changed\r\n")) << Pane().toStdString();

    // Refused by the server: one failure line, and what was not written said.
    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetShareSetInfo, netapi::ERROR_ACCESS_DENIED));
    prompts->Clear();
    prompts->dialogAnswers.push_back(Answer<shares::dlgShareProperties>([](shares::dlgShareProperties& d) {
        d.txtRemark->setText("Other");
        ClickOk(d);
    }));
    window->cmdProperties->click();
    EXPECT_TRUE(Pane().contains("NetShareSetInfo error 5")) << Pane().toStdString();
    EXPECT_TRUE(Pane().contains("Share \"DATA\": the description could not be changed"));
    EXPECT_EQ(State(u"DATA").details.remark, u"Team files");

    // Stop Sharing says who is connected and asks twice for hidden shares.
    prompts->Clear();
    Choose("DATA");
    window->cmdStopSharing->click();  // No
    ASSERT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(prompts->asked()[0].text,
              "Stop sharing \"DATA\"? 2 users are connected to it and will lose their connections.");
    EXPECT_FALSE(prompts->asked()[0].defaultYes);
    EXPECT_TRUE(Shares().contains("DATA"));

    // A hidden share: Yes to the first question, No to the one naming it.
    prompts->Clear();
    prompts->yesNoAnswers = {true, false};
    Choose("IPC$");
    KeyInList(Qt::Key_Delete);
    ASSERT_EQ(prompts->asked().size(), 2u);
    EXPECT_TRUE(prompts->asked()[1].text.startsWith("\"IPC$\" is a hidden or administrative share"));
    EXPECT_TRUE(prompts->asked()[1].text.endsWith("Stop sharing \"IPC$\" anyway?"));
    EXPECT_TRUE(Shares().contains("IPC$"));

    prompts->Clear();
    prompts->yesNoAnswers = {true};
    Choose("DATA");
    window->mnuStopSharing->trigger();
    EXPECT_FALSE(Shares().contains("DATA"));
    EXPECT_TRUE(Pane().endsWith("\"DATA\" is no longer shared\r\n"));

    // Gone meanwhile: the server's answer is one line.
    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetShareDel, 2310));
    prompts->Clear();
    prompts->yesNoAnswers = {true, true};
    Choose("IPC$");
    window->cmdStopSharing->click();
    EXPECT_TRUE(Pane().contains("NetShareDel error 2310")) << Pane().toStdString();
    EXPECT_FALSE(Pane().contains("no longer shared"));
    EXPECT_EQ(netapi::LiveBufferCount(), 0);
}

}  // namespace
