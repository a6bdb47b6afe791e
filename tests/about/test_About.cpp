// The About box: its product text, the links with their hover colours, the
// link procedure (no temporary file; the two failure boxes) and closing.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "GuiTestEnvironment.h"
#include "about/About.h"
#include "about/Help.h"
#include "netenum/MessageTarget.h"
#include "support/ScriptedProvider.h"

namespace {

QColor Colour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

TEST(ProductText, VersionIsMajorPointMinor) {
    EXPECT_TRUE(about::ProductText(2, 0).startsWith("Vantor 2.0\n\n"));
    EXPECT_TRUE(about::ProductText(1, 10).startsWith("Vantor 1.10\n"));
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    }
    gui_test::Doubles doubles;
    about::About box{QStringLiteral("/opt/vantor/")};
};

TEST_F(AboutBox, LinksNameTheirTargetFirstThenOpenIt) {
    QString labelWhenOpened;
    doubles.desktop().onOpen = [&] { labelWhenOpened = box.Label3->text(); };
    QTest::mouseClick(box.Label1, Qt::LeftButton);
    EXPECT_EQ(labelWhenOpened, "Send e-mail message to: vantor@example.org");
    QTest::mouseClick(box.Label2, Qt::LeftButton);
    EXPECT_EQ(box.Label3->text(), "Go to page: https://vantor.example.org/");
    ASSERT_EQ(doubles.desktop().opened.size(), 2u);
    EXPECT_EQ(doubles.desktop().opened[0].toString(), "mailto:vantor@example.org");
    EXPECT_EQ(doubles.desktop().opened[1].toString(), "https://vantor.example.org/");
    EXPECT_EQ(doubles.desktop().beeps, 0);
    EXPECT_TRUE(doubles.prompts().asked().empty());
}

TEST_F(AboutBox, AHelpFileThatCannotBeShownIsSaidUnderTheLinksAndInThePane) {
    testing_support::RecordingSink pane;
    const netenum::ScopedMessageTarget target(&pane);
    QTest::mouseClick(box.Label4, Qt::LeftButton);
    const QString why = "The help file /opt/vantor/faq.fil cannot be shown: No such file or directory";
    EXPECT_EQ(box.Label3->text(), why);
    EXPECT_EQ(QString::fromStdU16String(pane.text), why + "\r\n");
    EXPECT_EQ(about::OpenHelpWindow(), nullptr);
    EXPECT_TRUE(doubles.desktop().opened.empty());
}

TEST_F(AboutBox, NoHandlerOrAFailedStartBeepsAndSaysSo) {
    doubles.desktop().hasHandler = false;
    QTest::mouseClick(box.Label1, Qt::LeftButton);
    EXPECT_TRUE(doubles.desktop().opened.empty());
    doubles.desktop().hasHandler = true;
    doubles.desktop().openSucceeds = false;
    QTest::mouseClick(box.Label2, Qt::LeftButton);
    EXPECT_EQ(doubles.desktop().beeps, 2);
    const auto& asked = doubles.prompts().asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Could not find associated browser.");
    EXPECT_EQ(asked[1].text, "Web page not opened.");
    for (const auto& box : asked) {
        EXPECT_EQ(box.title, "Vantor");
        EXPECT_EQ(box.icon, common::Prompts::Icon::Exclamation);
    }
}

TEST_F(AboutBox, HoverTurnsALinkRedAndTheBackgroundTurnsAllBlue) {
    const auto becomes = [](const QLabel* link, const QColor& colour) {
        return QTest::qWaitFor([&] { return Colour(link) == colour; }, 2000);
    };
    for (const QLabel* link : {box.Label1, box.Label2, box.Label4}) EXPECT_EQ(Colour(link), kBlue);
    QTest::mouseMove(box.Label2, box.Label2->rect().center());
    EXPECT_TRUE(becomes(box.Label2, kRed));
    QTest::mouseMove(box.Label1, box.Label1->rect().center());
    EXPECT_TRUE(becomes(box.Label1, kRed));
    QTest::mouseMove(&box, QPoint(box.width() / 2, box.Text1->y() - 6));  // between links and text
    EXPECT_TRUE(becomes(box.Label1, kBlue));
    EXPECT_EQ(Colour(box.Label2), kBlue);
}

TEST_F(AboutBox, OkAndEscapeClose) {
    QTest::keyClick(box.Text1, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
    box.show();
    box.Command1->click();
    EXPECT_FALSE(box.isVisible());
}

}  // namespace
