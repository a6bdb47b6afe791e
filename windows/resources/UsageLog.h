#pragma once
// The usage log "usage.txt": each logged refresh appends which files appeared
// ("IN") and which disappeared ("OUT") since the previous logged refresh, and
// a "TIMESTAMP" header when it creates the file. The snapshot of the previous
// refresh (List1 user names, List2 paths, entry i with entry i) lives here.
// The clock and the date and time formats can be replaced, so the exact text
// can be checked.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace resources {

class UsageLog final {
public:
    // One row of the list as the log reads it; the texts stay the list's own.
    struct Row {
        QStringView user;    // "Opened By"
        QStringView access;  // "For"
        QStringView locks;   // "Locks"
        QStringView path;    // "Path"
    };

    struct Formats {
        QLocale names;         // day and month names of the long date
        QString longDate;      // QLocale pattern, e.g. "dddd, MMMM dd, yyyy"
        QChar dateSeparator;   // the "/" of "mm/dd/yy"
        QChar timeSeparator;   // the ":" of "hh:mm:ss"

        static Formats UsEnglish();
        // The user's locale; a bare C or POSIX locale has no formats of its
        // own and gets the US-English ones.
        static Formats System();
    };

    using Clock = std::function<QDateTime()>;

    // "usage.txt" in the program's folder, or in the state folder when that
    // folder is read-only or installed; the real clock and the user's formats.
    UsageLog();

    const QString& FileName() const { return mFileName; }
    void SetFileName(const QString& fileName) { mFileName = fileName; }
    void SetClock(Clock clock) { mClock = std::move(clock); }
    void SetFormats(Formats formats) {
        mFormats = std::move(formats);
        mStamp.clear();
    }

    // The usage-log step of one refresh, `rows` in the list's order. Returns
    // true when the record was written; otherwise `error` says why and the
    // snapshot is left as it was, so the next refresh reports the same changes.
    bool Write(const std::vector<Row>& rows, QString& error);

    // The snapshot: user names and paths of the last logged refresh.
    QStringList List1() const;
    QStringList List2() const;

    // True when the file system can tell the file's length (an empty file counts).
    static bool FileExists(const QString& fileName);

    // The formatted parts, for the lines and for tests.
    QString LongDate(const QDateTime& when) const;
    QString Time(const QDateTime& when) const;      // "hh:mm:ss am/pm"
    QString ShortDate(const QDateTime& when) const;  // "mm/dd/yy"

private:
    // The snapshot, packed: every user and path in one buffer, each entry with
    // the hash of its case-folded user and path, and a hash table over them.
    struct Snapshot {
        struct Entry {
            std::uint64_t hash;
            std::uint32_t user, userLength, path, pathLength;  // into text
        };
        std::u16string text;
        std::vector<Entry> entries;  // in row order
        std::vector<std::int32_t> buckets;  // open addressing: entry index + 1, 0 free

        QStringView User(std::size_t i) const;
        QStringView Path(std::size_t i) const;
        void Add(std::uint64_t hash, QStringView user, QStringView path);
        void Index();
        // Whether an entry has this user and path, compared whole and without
        // regard to case.
        bool Holds(std::uint64_t hash, QStringView user, QStringView path) const;
    };

    QString Stamp() const;  // "   mm/dd/yy   hh:mm:ss am/pm", now

    QString mFileName;
    Clock mClock;
    Formats mFormats;
    mutable QString mStamp;  // the last line's date and time, and its second
    mutable qint64 mStampSecond = 0;
    Snapshot mSnapshot;
};

}  // namespace resources
