// The log-on prompt as a person meets it: its title, the order of the fields,
// Enter and Esc, and the state of its check boxes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include "windows/logon/LogonDialog.h"

using common::LogonDialog;
using common::LogonRequest;

namespace {

LogonRequest Request(bool remember = false) {
    LogonRequest request;
    request.server = "FILES";
    request.message = "FILES refused the logon: <b>bad</b>";
    request.remember = remember;
    return request;
}

TEST(LogonDialog, FieldsInOrderAndEnterAcceptsWhatWasTyped) {
    LogonDialog dialog(Request());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Log on to FILES");
    EXPECT_EQ(dialog.lblMessage->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtUser);

    QTest::keyClicks(dialog.txtUser, "ann");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtPassword);
    QTest::keyClicks(dialog.txtPassword, "pa ss");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtDomain);
    QTest::keyClicks(dialog.txtDomain, "OFFICE");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.chkRemember);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.chkAllInDomain);
    EXPECT_EQ(dialog.chkAllInDomain->text(), "Use for all &servers in OFFICE");
    QTest::keyClick(dialog.chkAllInDomain, Qt::Key_Space);

    QTest::keyClick(dialog.txtDomain, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto answer = dialog.Answer();
    EXPECT_EQ(answer.user, "ann");
    EXPECT_EQ(answer.password, "pa ss");  // a password keeps its blanks
    EXPECT_EQ(answer.domain, "OFFICE");
    EXPECT_FALSE(answer.remember);
    EXPECT_TRUE(answer.allInDomain);
}

TEST(LogonDialog, EscCancelsAndTheBoxesStartAsAsked) {
    LogonRequest request = Request(true);
    request.user = "ann";
    LogonDialog dialog(request);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    // A known user: the password is what is missing.
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtPassword);
    EXPECT_TRUE(dialog.chkRemember->isChecked());
    EXPECT_FALSE(dialog.chkAllInDomain->isEnabled());  // no domain typed
    QTest::keyClick(dialog.txtPassword, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());

    request.keyringAvailable = false;
    LogonDialog without(request);
    EXPECT_FALSE(without.chkRemember->isEnabled());
    EXPECT_FALSE(without.Answer().remember);
}

TEST(LogonDialog, CentredOnTheWindowItServesOrElseOnTheScreen) {
    QWidget window;
    window.setGeometry(40, 60, 500, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    LogonDialog over(Request(), &window);
    over.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&over));
    EXPECT_LE((over.frameGeometry().center() - window.frameGeometry().center()).manhattanLength(), 2);

    QWidget hidden;
    LogonDialog alone(Request(), &hidden);
    alone.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&alone));
    const QPoint screenCentre = alone.screen()->availableGeometry().center();
    EXPECT_LE((alone.frameGeometry().center() - screenCentre).manhattanLength(), 2);
}

}  // namespace
