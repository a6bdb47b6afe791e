#include "UsageLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>
#include <algorithm>

#include "text/PrivateFile.h"
#include "text/Text.h"
#include "windows/common/Locations.h"

namespace resources {
namespace {

const QString kBlanks = QStringLiteral("   ");
const QString kLineEnd = QStringLiteral("\r\n");

QString TwoDigits(int value) { return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0')); }

// The separator a short format puts between its fields, or `fallback`.
QChar SeparatorOf(const QString& format, QChar fallback) {
    for (const QChar c : format)
        if (!c.isLetter() && c != QLatin1Char('\'')) return c;
    return fallback;
}

// The hash of user and path as the comparison sees them: whole, and folded
// to one case (by hand for ASCII, the common case).
void HashFolded(QStringView text, std::uint64_t& hash) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c >= u'A' && c <= u'Z') {
            c += 32;
        } else if (c >= 0x80) {
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1]))
                c = QChar::surrogateToUcs4(static_cast<char16_t>(c), p[++i]);
            c = QChar::toCaseFolded(c);
        }
        hash = (hash ^ c) * kPrime;
    }
}

std::uint64_t EntryHash(QStringView user, QStringView path) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    HashFolded(user, hash);
    hash = (hash ^ 0xFFFFFFFFu) * 0x100000001b3ULL;  // where the user ends
    HashFolded(path, hash);
    return hash;
}

// Each part of a line goes in with its controls escaped: a name from a server can
// neither end its line early nor add a forged one.
void Append(QString& record, std::initializer_list<QStringView> parts) {
    for (QStringView part : parts) {
        const std::u16string_view view(part.utf16(), static_cast<std::size_t>(part.size()));
        if (text::NeedsEscape(view)) {
            const std::u16string escaped = text::EscapeControls(view);
            record.append(QStringView(escaped.data(), static_cast<qsizetype>(escaped.size())));
        } else {
            record.append(part);
        }
    }
}

bool SameText(QStringView a, QStringView b) {
    return a.size() == b.size() && (a == b || a.compare(b, Qt::CaseInsensitive) == 0);
}

}  // namespace

UsageLog::Formats UsageLog::Formats::UsEnglish() {
    return {QLocale(QLocale::English, QLocale::UnitedStates), QStringLiteral("dddd, MMMM dd, yyyy"),
            QLatin1Char('/'), QLatin1Char(':')};
}

UsageLog::Formats UsageLog::Formats::System() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) return UsEnglish();
    return {system, system.dateFormat(QLocale::LongFormat),
            SeparatorOf(system.dateFormat(QLocale::ShortFormat), QLatin1Char('/')),
            SeparatorOf(system.timeFormat(QLocale::ShortFormat), QLatin1Char(':'))};
}

UsageLog::UsageLog()
    : mFileName(common::UsageLogFileName(QCoreApplication::applicationDirPath())),
      mClock([] { return QDateTime::currentDateTime(); }),
      mFormats(Formats::System()) {}

bool UsageLog::FileExists(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.exists() && !info.isDir();
}

QString UsageLog::LongDate(const QDateTime& when) const {
    return mFormats.names.toString(when.date(), mFormats.longDate);
}

QString UsageLog::Time(const QDateTime& when) const {
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return TwoDigits(hour12) + mFormats.timeSeparator + TwoDigits(t.minute()) +
           mFormats.timeSeparator + TwoDigits(t.second()) +
           (t.hour() < 12 ? QStringLiteral(" am") : QStringLiteral(" pm"));
}

QString UsageLog::ShortDate(const QDateTime& when) const {
    const QDate d = when.date();
    return TwoDigits(d.month()) + mFormats.dateSeparator + TwoDigits(d.day()) +
           mFormats.dateSeparator + TwoDigits(d.year());
}

QString UsageLog::Stamp() const {
    // The clock is read for every line; the text is made again only when the
    // second has changed.
    const QDateTime now = mClock();
    const qint64 second = now.toSecsSinceEpoch();
    if (mStamp.isEmpty() || second != mStampSecond) {
        mStampSecond = second;
        mStamp = kBlanks + ShortDate(now) + kBlanks + Time(now);
    }
    return mStamp;
}

bool UsageLog::Write(const std::vector<Row>& rows, QString& error) {
    const bool existed = FileExists(mFileName);

    // The whole record is composed first and written at once; the snapshot is
    // replaced only when it reached the file.
    QString record;
    if (!existed) {
        const QDateTime now = mClock();
        record += QStringLiteral("TIMESTAMP: ") + LongDate(now) + kBlanks + Time(now) + kLineEnd;
    }

    // The new snapshot is packed while the rows are read, so every text is
    // folded and copied once; old and new entries then meet through hashes.
    Snapshot next;
    std::size_t textSize = 0;
    for (const Row& row : rows) textSize += static_cast<std::size_t>(row.user.size() + row.path.size());
    next.text.reserve(textSize);
    next.entries.reserve(rows.size());
    for (const Row& row : rows) {
        const std::uint64_t hash = EntryHash(row.user, row.path);
        // A row is new only when no snapshot entry has both its user and its path.
        if (!mSnapshot.Holds(hash, row.user, row.path)) {
            Append(record, {u"IN: ", row.user, kBlanks, u"FOR: ", row.access, kBlanks, u"LOCKS: ",
                            row.locks, kBlanks, row.path, Stamp()});
            record += kLineEnd;
        }
        next.Add(hash, row.user, row.path);
    }
    next.Index();
    for (std::size_t i = 0; i < mSnapshot.entries.size(); ++i) {
        if (!next.Holds(mSnapshot.entries[i].hash, mSnapshot.User(i), mSnapshot.Path(i))) {
            Append(record,
                   {u"OUT: ", mSnapshot.User(i), kBlanks, mSnapshot.Path(i), Stamp()});
            record += kLineEnd;
        }
    }

    // The state folder may not exist yet; the log is the user's own business.
    if (!common::MakePrivateFolder(QFileInfo(mFileName).absolutePath(), error)) return false;
    std::string openError;
    const int fd = text::OpenPrivateForAppend(QFile::encodeName(mFileName).toStdString(), openError);
    if (fd < 0) {
        error = QString::fromStdString(openError);
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::Append | QIODevice::Unbuffered, QFile::AutoCloseHandle)) {
        ::close(fd);
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = record.toUtf8();
    if (!bytes.isEmpty() && file.write(bytes) != bytes.size()) {
        error = file.errorString();
        return false;
    }
    file.close();

    mSnapshot = std::move(next);
    return true;
}

QStringList UsageLog::List1() const {
    QStringList users;
    for (std::size_t i = 0; i < mSnapshot.entries.size(); ++i) users << mSnapshot.User(i).toString();
    return users;
}

QStringList UsageLog::List2() const {
    QStringList paths;
    for (std::size_t i = 0; i < mSnapshot.entries.size(); ++i) paths << mSnapshot.Path(i).toString();
    return paths;
}

QStringView UsageLog::Snapshot::User(std::size_t i) const {
    const Entry& e = entries[i];
    return QStringView(text.data() + e.user, static_cast<qsizetype>(e.userLength));
}

QStringView UsageLog::Snapshot::Path(std::size_t i) const {
    const Entry& e = entries[i];
    return QStringView(text.data() + e.path, static_cast<qsizetype>(e.pathLength));
}

void UsageLog::Snapshot::Add(std::uint64_t hash, QStringView user, QStringView path) {
    const auto userAt = static_cast<std::uint32_t>(text.size());
    text.append(user.utf16(), static_cast<std::size_t>(user.size()));
    const auto pathAt = static_cast<std::uint32_t>(text.size());
    text.append(path.utf16(), static_cast<std::size_t>(path.size()));
    entries.push_back({hash, userAt, static_cast<std::uint32_t>(user.size()), pathAt,
                       static_cast<std::uint32_t>(path.size())});
}

void UsageLog::Snapshot::Index() {
    // At most half full, so a probe run stays short.
    std::size_t size = 16;
    while (size < entries.size() * 2) size *= 2;
    buckets.assign(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::size_t slot = static_cast<std::size_t>(entries[i].hash) & mask;
        while (buckets[slot] != 0) slot = (slot + 1) & mask;
        buckets[slot] = static_cast<std::int32_t>(i + 1);
    }
}

bool UsageLog::Snapshot::Holds(std::uint64_t hash, QStringView user, QStringView path) const {
    if (buckets.empty()) return false;
    const std::size_t mask = buckets.size() - 1;
    for (std::size_t slot = static_cast<std::size_t>(hash) & mask; buckets[slot] != 0;
         slot = (slot + 1) & mask) {
        const auto i = static_cast<std::size_t>(buckets[slot] - 1);
        if (entries[i].hash == hash && SameText(User(i), user) && SameText(Path(i), path)) return true;
    }
    return false;
}

}  // namespace resources
