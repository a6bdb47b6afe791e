// A network step that throws is skipped, and what was skipped can be read in
// the "vantor.skipped" logging category instead of vanishing.
#include <gtest/gtest.h>

#include <QStringList>
#include <memory>
#include <stdexcept>

#include "windows/common/WindowParts.h"

namespace {

QStringList gLogged;

void Record(QtMsgType, const QMessageLogContext& context, const QString& message) {
    gLogged << QString::fromLatin1(context.category) + QStringLiteral(" | ") + message;
}

struct Throwing {
    void Init(int) { throw std::runtime_error("server answered nonsense"); }
    bool Cancelled() const { return false; }
};

TEST(SkipOnError, TheCommandGoesOnAndTheSkipIsLogged) {
    gLogged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    int ran = 0;
    common::SkipOnError("closing a file", [&] { throw std::runtime_error("no such file id"); });
    common::SkipOnError("ending a session", [&] { ++ran; });
    // A list that cannot be read leaves the one on show in place.
    auto list = std::make_unique<Throwing>();
    const Throwing* shown = list.get();
    EXPECT_FALSE(common::ReadCollection(list, 7));
    qInstallMessageHandler(previous);

    EXPECT_EQ(ran, 1);
    EXPECT_EQ(list.get(), shown);
    EXPECT_EQ(gLogged, (QStringList{
                           "vantor.skipped | skipped closing a file: no such file id",
                           "vantor.skipped | skipped reading a list: server answered nonsense"}));
}

}  // namespace
