// The usage log of Open Resources: the records a snapshot gives, their clock
// and date, failed writes, and a file that stays the user's own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <vector>

#include "windows/resources/UsageLog.h"

using resources::UsageLog;
using Texts = std::vector<std::array<QString, 4>>;  // user, access, locks, path

namespace {

bool WriteTo(UsageLog& log, const Texts& texts, QString& error) {
    std::vector<UsageLog::Row> rows;
    for (const auto& t : texts) rows.push_back({t[0], t[1], t[2], t[3]});
    return log.Write(rows, error);
}

class UsageLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        log.SetFileName(folder.filePath("usage.txt"));
        log.SetFormats(UsageLog::Formats::UsEnglish());
        log.SetClock([this] { return now; });
    }
    QByteArray Written() {
        QFile file(log.FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Write(const Texts& rows) {
        QString error;
        ASSERT_TRUE(WriteTo(log, rows, error)) << error.toStdString();
    }
    // Only what the last write appended.
    QByteArray WriteAndGet(const Texts& rows) {
        const qsizetype before = Written().size();
        Write(rows);
        return Written().mid(before);
    }

    QTemporaryDir folder;
    UsageLog log;
    QDateTime now{QDate(2026, 12, 5), QTime(9, 30, 15)};
};

TEST_F(UsageLogTest, WorkedExampleWhatCountsAsNewAndTheClockAndDateFormats) {
    Write({{"user1", "Write", "0", "D:\\DATA\\BUDGET.XLS"}, {"user2", "Read", "1", "D:\\DATA\\MEMO.DOC"}});
    EXPECT_EQ(Written(),
              "TIMESTAMP: Saturday, December 05, 2026   09:30:15 am\r\n"
              "IN: user1   FOR: Write   LOCKS: 0   D:\\DATA\\BUDGET.XLS   12/05/26   09:30:15 am\r\n"
              "IN: user2   FOR: Read   LOCKS: 1   D:\\DATA\\MEMO.DOC   12/05/26   09:30:15 am\r\n");

    now = now.addSecs(10);
    EXPECT_EQ(WriteAndGet({{"user2", "Read", "1", "D:\\DATA\\MEMO.DOC"},
                           {"user1", "Write", "0", "D:\\DATA\\REPORT.DOC"}}),
              "IN: user1   FOR: Write   LOCKS: 0   D:\\DATA\\REPORT.DOC   12/05/26   09:30:25 am\r\n"
              "OUT: user1   D:\\DATA\\BUDGET.XLS   12/05/26   09:30:25 am\r\n");
    EXPECT_EQ(log.List1(), QStringList({"user2", "user1"}));
    EXPECT_EQ(log.List2(), QStringList({"D:\\DATA\\MEMO.DOC", "D:\\DATA\\REPORT.DOC"}));

    // A row is new unless the snapshot holds its user and path together.
    Write({{"userA", "Read", "0", "D:\\A.DOC"}, {"userB", "Read", "0", "D:\\B.DOC"},
           {"user10", "Read", "0", "D:\\DATA\\MEMO.DOC.BAK"}});
    // Each user and each path was seen before, but not together; a longer
    // snapshot entry that begins with the row's text is another entry; letter
    // case alone changes nothing.
    EXPECT_EQ(WriteAndGet({{"USERA", "Read", "0", "d:\\a.doc"},
                           {"userB", "Read", "0", "D:\\B.DOC"},
                           {"userA", "Write", "0", "D:\\B.DOC"},
                           {"user10", "Read", "0", "D:\\DATA\\MEMO.DOC.BAK"},
                           {"user1", "Read", "0", "D:\\DATA\\MEMO.DOC"}}),
              "IN: userA   FOR: Write   LOCKS: 0   D:\\B.DOC   12/05/26   09:30:25 am\r\n"
              "IN: user1   FOR: Read   LOCKS: 0   D:\\DATA\\MEMO.DOC   12/05/26   09:30:25 am\r\n");

    // The twelve-hour clock, and the locale's separators.
    const QDateTime midnight(QDate(2031, 1, 2), QTime(0, 5, 9));
    EXPECT_EQ(log.Time(midnight), "12:05:09 am");
    EXPECT_EQ(log.Time(QDateTime(QDate(2031, 1, 2), QTime(12, 0, 0))), "12:00:00 pm");
    log.SetFormats({QLocale(QLocale::German, QLocale::Germany), "dddd, d. MMMM yyyy",
                    QLatin1Char('.'), QLatin1Char('-')});
    EXPECT_EQ(log.ShortDate(midnight), "01.02.31");
    EXPECT_EQ(log.Time(midnight), "12-05-09 am");
    EXPECT_EQ(log.LongDate(midnight), "Donnerstag, 2. Januar 2031");
}

TEST_F(UsageLogTest, HeaderOnlyAllOutAndAFailedWriteLosesNothing) {
    Write({});
    EXPECT_EQ(Written(), "TIMESTAMP: Saturday, December 05, 2026   09:30:15 am\r\n");
    EXPECT_TRUE(log.List1().isEmpty());
    QFile::resize(log.FileName(), 0);  // an empty file counts as existing
    EXPECT_EQ(WriteAndGet({{"u1", "Read", "0", "p1"}, {"u2", "Read", "0", "p2"}}),
              "IN: u1   FOR: Read   LOCKS: 0   p1   12/05/26   09:30:15 am\r\n"
              "IN: u2   FOR: Read   LOCKS: 0   p2   12/05/26   09:30:15 am\r\n");
    EXPECT_EQ(WriteAndGet({}),
              "OUT: u1   p1   12/05/26   09:30:15 am\r\nOUT: u2   p2   12/05/26   09:30:15 am\r\n");
    EXPECT_TRUE(log.List1().isEmpty() && log.List2().isEmpty());
    EXPECT_EQ(WriteAndGet({{"u1", "Read", "0", "p1"}}),
              "IN: u1   FOR: Read   LOCKS: 0   p1   12/05/26   09:30:15 am\r\n");

    // A failed write keeps the snapshot, so nothing is lost.
    const Texts next{{"u2", "Read", "0", "p2"}};

    log.SetFileName("/dev/full");  // a full disk: opening works, writing does not
    QString error;
    EXPECT_FALSE(WriteTo(log, next, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(log.List1(), QStringList({"u1"}));

    const QString blocked = folder.filePath("blocked/usage.txt");
    QDir(folder.path()).mkpath("blocked/usage.txt");  // a folder where the file should be
    log.SetFileName(blocked);
    error.clear();
    EXPECT_FALSE(WriteTo(log, next, error));
    EXPECT_FALSE(error.isEmpty());

    log.SetFileName(folder.filePath("usage.txt"));
    EXPECT_EQ(WriteAndGet(next),
              "IN: u2   FOR: Read   LOCKS: 0   p2   12/05/26   09:30:15 am\r\n"
              "OUT: u1   p1   12/05/26   09:30:15 am\r\n");
}

// The log names users and paths that servers chose: each stays on its own line.
TEST_F(UsageLogTest, ServerTextCannotForgeARecordAndTheFileIsPrivate) {
    const QString forged = "C:\\a.txt   12/05/26   09:30:15 am\r\nOUT: bob   C:\\payroll.xlsx";
    Write({{"eve\x1b[2J", "Read", "0", forged}, {"mallory", "Read", "0", QString::fromUtf16(u"C:\\report\u202Etxt.exe")}});
    now = now.addSecs(1);
    Write({});
    const QList<QByteArray> lines = Written().split('\n');
    ASSERT_EQ(lines.size(), 6);  // TIMESTAMP, two IN, two OUT, and the end
    EXPECT_EQ(lines[1],
              "IN: eve\\x1b[2J   FOR: Read   LOCKS: 0   C:\\a.txt   12/05/26   09:30:15 am\\r\\nOUT: bob"
              "   C:\\payroll.xlsx   12/05/26   09:30:15 am\r");
    EXPECT_EQ(lines[2], "IN: mallory   FOR: Read   LOCKS: 0   C:\\report\\u202etxt.exe   12/05/26   09:30:15 am\r");
    EXPECT_TRUE(lines[3].startsWith("OUT: eve\\x1b[2J   C:\\a.txt   12/05/26   09:30:15 am\\r\\nOUT: bob"));

    // The file is the user's own whatever the umask (where it goes is the locations' test).
    log.SetFileName(folder.filePath("state/vantor/usage.txt"));
    const mode_t previous = umask(0);
    Write({{"u", "Read", "0", "C:\\x"}});
    umask(previous);
    EXPECT_EQ(QFile::permissions(log.FileName()) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);  // 0600
    // A file of ours that others could read is closed to them on the next write.
    QFile::setPermissions(log.FileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    Write({});
    EXPECT_FALSE(QFile::permissions(log.FileName()) & QFile::ReadOther);

    // A link planted where the log goes: nothing is written through it.
    const QString target = folder.filePath("elsewhere");
    QFile(target).open(QIODevice::WriteOnly);
    const QString link = folder.filePath("linked.txt");
    ASSERT_TRUE(QFile::link(target, link));
    log.SetFileName(link);
    QString error;
    EXPECT_FALSE(WriteTo(log, {{"u", "Read", "0", "C:\\y"}}, error));
    EXPECT_FALSE(error.isEmpty());
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.size(), 0);
    // So is a FIFO: the write would wait for a reader for ever.
    const QString fifo = folder.filePath("fifo.txt");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    log.SetFileName(fifo);
    EXPECT_FALSE(WriteTo(log, {{"u", "Read", "0", "C:\\z"}}, error));
}

}  // namespace
