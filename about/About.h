#pragma once
// The About box: product and version, copyright, what the program does, and
// three links (e-mail, web page, help text). Opened modally by the main window.
#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace about {

inline constexpr const char* kMakerEmail = "vantor@example.org";
inline constexpr const char* kMakerWeb = "https://vantor.example.org/";
inline constexpr const char* kMakerWebCaption = "vantor.example.org";

// The product text, one line per entry of the classic box.
QString ProductText(int major, int minor);

class About final : public QDialog {
    Q_OBJECT

public:
    // `appPath`: the program's folder with a trailing separator, for the help text.
    explicit About(const QString& appPath, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label4;
    QPlainTextEdit* Text1;
    QLabel* Label3;
    QPushButton* Command1;
    QLabel* Image1;

    // Hands `address` (a web address or "mailto:" and an e-mail address) to the
    // desktop; failures beep and say so in a box.
    void OpenInBrowser(const QString& address);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Label1_Click();
    void Label2_Click();
    void Label4_Click();
    void SetLinkColour(QLabel* link, const QColor& colour);

    QString mAppPath;
};

}  // namespace about
