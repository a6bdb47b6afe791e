#include "Help.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "windows/common/Locations.h"
#include "windows/common/Product.h"

namespace about {
namespace {

// A help text is a few pages; anything much larger is not one.
constexpr qint64 kMostHelpBytes = 1 << 20;

QPointer<HelpWindow> gOpen;

}  // namespace

QString HelpFilePath(const QString& appPath) {
    return common::DataFolder(appPath) + QString::fromLatin1(common::kHelpFileName);
}

HelpWindow::HelpWindow(const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(common::ProductName() + QStringLiteral(" Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    txtHelp = new QPlainTextEdit(this);
    txtHelp->setReadOnly(true);
    txtHelp->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtHelp->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtHelp->setPlainText(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    cmdClose = buttons->button(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtHelp);
    layout->addWidget(buttons);
    // Eighty columns of the text, and room for a screenful of it.
    const QFontMetrics metrics(txtHelp->font());
    resize(metrics.horizontalAdvance(QString(82, QLatin1Char('M'))) + 40, metrics.lineSpacing() * 36);
    txtHelp->setFocus();
}

HelpWindow* OpenHelpWindow() { return gOpen.data(); }

QString OpenHelpFile(const QString& appPath, QWidget* parent) {
    const QString path = HelpFilePath(appPath);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostHelpBytes) {
        const QString why = file.isOpen() ? QStringLiteral("it is too large to be the help text")
                                          : file.errorString();
        return QStringLiteral("The help file ") + QDir::toNativeSeparators(path) +
               QStringLiteral(" cannot be shown: ") + why;
    }
    const QString text = QString::fromUtf8(file.read(kMostHelpBytes));
    // A window that belongs to another window than the one asking could be
    // out of reach behind a modal one: it gives way to a new one.
    if (gOpen && gOpen->parentWidget() != parent) {
        gOpen->close();  // deleted later
        gOpen = nullptr;
    }
    if (!gOpen) gOpen = new HelpWindow(text, parent);
    gOpen->show();
    gOpen->raise();
    gOpen->activateWindow();
    return {};
}

}  // namespace about
