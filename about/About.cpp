#include "About.h"

#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "Desktop.h"
#include "Help.h"
#include "about/Version.h"
#include "netenum/MessageTarget.h"
#include "windows/common/Product.h"
#include "windows/common/Prompts.h"
#include "windows/common/Twips.h"

namespace about {
namespace {

using common::PlaceTwips;

const QColor kLinkBlue(0, 0, 255);
const QColor kLinkHover(255, 0, 0);

}  // namespace

QString ProductText(int major, int minor) {
    const QStringList lines{
        (common::ProductName() + QStringLiteral(" %1.%2")).arg(major).arg(minor),
        QString(),
        QStringLiteral("Copyright (C) 2026 The Vantor developers"),
        QStringLiteral("All rights reserved."),
        QString(),
        QStringLiteral("With Vantor you can easily see who has files open/locked on a Window's NT "
                       "file server, send messages to users, disconnect users, disable/enable "
                       "user accounts, etc."),
        QString(),
        QStringLiteral("Questions and ideas for enhancements are welcome: send us an e-mail."),
    };
    return lines.join(QLatin1Char('\n'));
}

About::About(const QString& appPath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      mAppPath(appPath) {
    setWindowTitle(QStringLiteral("About Vantor"));
    setFixedSize(common::TwipsToPixels(4680), common::TwipsToPixels(3420));
    setMouseTracking(true);

    Image1 = new QLabel(this);
    PlaceTwips(Image1, 120, 45, 480, 480);
    // The program's icon (inherited from the main window) stands for the product.
    Image1->setPixmap(windowIcon().pixmap(32, 32));

    Label1 = new QLabel(QStringLiteral("Email us"), this);
    PlaceTwips(Label1, 720, 120, 585, 195);
    Label2 = new QLabel(QString::fromLatin1(kMakerWebCaption), this);
    PlaceTwips(Label2, 1560, 120, 1635, 195);
    Label4 = new QLabel(QStringLiteral("Open FAQ file"), this);
    PlaceTwips(Label4, 3480, 120, 990, 195);
    for (QLabel* link : {Label1, Label2, Label4}) {
        link->adjustSize();
        link->setCursor(Qt::PointingHandCursor);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        SetLinkColour(link, kLinkBlue);
    }
    // A font wider than the classic one must not push the last link out of the box.
    const int rightmost = width() - common::TwipsToPixels(120) - Label4->width();
    if (Label4->x() > rightmost) Label4->move(std::max(rightmost, Label2->geometry().right() + 4), Label4->y());

    Text1 = new QPlainTextEdit(this);
    Text1->setReadOnly(true);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setFont(QFont(QStringLiteral("Arial")));
    PlaceTwips(Text1, 120, 600, 4455, 2295);
    Text1->setPlainText(ProductText(kVersionMajor, kVersionMinor));

    Label3 = new QLabel(this);
    Label3->setWordWrap(false);
    PlaceTwips(Label3, 120, 3000, 3735, 255);

    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    PlaceTwips(Command1, 3960, 3000, 615, 375);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    // Esc closes the box through QDialog's own key handling.
}

void About::SetLinkColour(QLabel* link, const QColor& colour) {
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, colour);
    link->setPalette(palette);
}

bool About::eventFilter(QObject* watched, QEvent* event) {
    auto* link = qobject_cast<QLabel*>(watched);
    if (link == nullptr || (link != Label1 && link != Label2 && link != Label4))
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        SetLinkColour(link, kLinkHover);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && link->rect().contains(mouse->position().toPoint())) {
            if (link == Label1) Label1_Click();
            else if (link == Label2) Label2_Click();
            else Label4_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void About::mouseMoveEvent(QMouseEvent* event) {
    for (QLabel* link : {Label1, Label2, Label4}) SetLinkColour(link, kLinkBlue);
    QDialog::mouseMoveEvent(event);
}

void About::Label1_Click() {
    const QString address = QString::fromLatin1(kMakerEmail);
    Label3->setText(QStringLiteral("Send e-mail message to: ") + address);
    Label3->repaint();
    OpenInBrowser(QStringLiteral("mailto:") + address);
}

void About::Label2_Click() {
    const QString address = QString::fromLatin1(kMakerWeb);
    Label3->setText(QStringLiteral("Go to page: ") + address);
    Label3->repaint();
    OpenInBrowser(address);
}

void About::Label4_Click() {
    const QString problem = OpenHelpFile(mAppPath, this);
    if (problem.isEmpty()) return;
    Label3->setText(problem);
    Label3->setToolTip(problem);
    netenum::AppendToCurrentForm((problem + QStringLiteral("\r\n")).toStdU16String());
}

void About::OpenInBrowser(const QString& address) {
    Desktop& desktop = CurrentDesktop();
    const QUrl url(address);
    if (!desktop.HasHandler(url)) {
        desktop.Beep();
        common::CurrentPrompts().MessageBox(this, QStringLiteral("Could not find associated browser."),
                                            common::ProductName(),
                                            common::Prompts::Icon::Exclamation);
        return;
    }
    if (!desktop.Open(url)) {
        desktop.Beep();
        common::CurrentPrompts().MessageBox(this, QStringLiteral("Web page not opened."),
                                            common::ProductName(),
                                            common::Prompts::Icon::Exclamation);
    }
}

}  // namespace about
