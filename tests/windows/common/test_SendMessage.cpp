// Send Message from a list: whom it goes to, what the pane says, and that a
// recipient's name cannot add a line of its own.
#include <gtest/gtest.h>

#include "support/ScriptedPrompts.h"
#include "support/WindowTestSupport.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/common/SendMessage.h"

using common::ReportList;

namespace {

class SendMessageTest : public ::testing::Test {
protected:
    void SetUp() override { pane.SetText("NetFileEnum error 5 : Access is denied.\r\n"); }

    void Fill(const QStringList& users) {
        ReportList::Rebuild fill(list);
        fill.AddColumn("Opened By", 0.5);
        for (const QString& user : users) fill.AddRow({user});
    }
    void Run(const QString& answer) {
        prompts->inputAnswers.push_back(answer);
        common::SendMessage::Run(nullptr, list, pane, QStringLiteral("SERVER1"));
    }
    static sim::Scenario Messengers() {
        sim::Scenario scenario = windowtest::ServerWith({});
        scenario.computers[1].messenger_names = {u"user1", u"user3"};
        return scenario;
    }

    windowtest::Network network{Messengers()};
    ReportList list;
    common::MessagePane pane;
    common::PromptsScope prompts;
};

TEST_F(SendMessageTest, OneRecipientGetsTheTrimmedTextFromThisComputer) {
    Fill({"user1", "user2"});
    list.SetCurrentRow(0);
    list.SetSelected(0, true);
    Run("  hé  ");
    EXPECT_EQ(prompts->asked()[0].text, "Enter message to send to user1");
    EXPECT_EQ(prompts->asked()[0].title, "Send Message");
    EXPECT_EQ(pane.Text(), "Message sent to user1.");  // the error lines are gone
    const auto sent = network->SentMessages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].computer, u"ADMINPC");
    EXPECT_FALSE(sent[0].sender.has_value());
    EXPECT_EQ(sent[0].text, u"hé");  // two characters, four bytes, no terminator
}

TEST_F(SendMessageTest, WithoutSelectionTheCurrentRowIsTheRecipient) {
    Fill({"user1", "user2"});
    list.SetCurrentRow(1);
    Run("    ");  // only spaces: nothing is sent, the pane stays
    EXPECT_TRUE(network->SentMessages().empty());
    EXPECT_EQ(pane.Text(), "NetFileEnum error 5 : Access is denied.\r\n");
    Run("hello");
    EXPECT_EQ(prompts->asked()[1].text, "Enter message to send to user2");
    EXPECT_EQ(pane.Text(), "Unable to send message to user2.");

    // A name with a line break stays one escaped line, in the box and the pane.
    Fill({"eve\r\nMessage sent to boss."});
    list.SetCurrentRow(0);
    Run("hello");
    EXPECT_EQ(prompts->asked()[2].text, "Enter message to send to eve\\r\\nMessage sent to boss.");
    EXPECT_EQ(pane.Text(), "Unable to send message to eve\\r\\nMessage sent to boss..");
}

TEST_F(SendMessageTest, SeveralRecipientsAreRowsAndEachFailureIsNamedBeforeTheTotal) {
    Fill({"user1", "user2", "user1", "user3", "user4"});
    for (int row : {0, 1, 2, 4}) list.SetSelected(row, true);
    Run("Server going down");
    EXPECT_EQ(prompts->asked()[0].text, "Enter message to send to 4 users");
    EXPECT_EQ(pane.Text(),
              "Unable to send message to user2.\r\n"
              "Unable to send message to user4.\r\n"
              "Message sent to 4 users.");
    EXPECT_EQ(network->SentMessages().size(), 2u);  // user1 twice

    Fill(QStringList(40000, "user3"));  // counts do not stop at 16 bits
    list.SelectAllRows();
    Run("x");
    EXPECT_EQ(prompts->asked()[1].text, "Enter message to send to 40000 users");
    EXPECT_EQ(pane.Text(), "Message sent to 40000 users.");
}

// Current servers run no messenger service and answer 50: the pane says so
// in words, once, after the line it explains.
TEST_F(SendMessageTest, AServerWithoutMessengerIsSaidInWords) {
    network->AddFault(u"ADMINPC", sim::Fault::Status(sim::Call::NetMessageBufferSend,
                                                      netapi::ERROR_NOT_SUPPORTED));
    const QString why = "This server does not accept messages (current Windows servers and Samba "
                        "do not run the messenger service).";
    Fill({"user1", "user3"});
    list.SetCurrentRow(0);
    Run("hello");
    EXPECT_EQ(pane.Text(), "Unable to send message to user1.\r\n" + why);
    list.SelectAllRows();
    Run("hello");
    EXPECT_EQ(pane.Text(), "Unable to send message to user1.\r\n" + why +
                               "\r\nUnable to send message to user3.\r\nMessage sent to 2 users.");
}

}  // namespace
