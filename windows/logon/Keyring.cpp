#include "Keyring.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace logon {
namespace {

const QString kService = QStringLiteral("Vantor");

// Runs one job to its end; the job is ours, not deleted behind our back.
void Run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

bool Missing(QKeychain::Error error) {
    return error == QKeychain::NoBackendAvailable || error == QKeychain::NotImplemented ||
           error == QKeychain::OtherError;
}

void WipeBytes(QByteArray& bytes) {
    bytes.fill('\0');
    bytes.clear();
}

}  // namespace

QByteArray PackAccount(const Account& account) {
    QByteArray packed;
    packed.append(account.user.data(), static_cast<qsizetype>(account.user.size()));
    packed.append('\0');
    packed.append(account.domain.data(), static_cast<qsizetype>(account.domain.size()));
    packed.append('\0');
    packed.append(account.password.data(), static_cast<qsizetype>(account.password.size()));
    return packed;
}

std::optional<Account> UnpackAccount(const QByteArray& packed) {
    const qsizetype first = packed.indexOf('\0');
    const qsizetype second = first < 0 ? -1 : packed.indexOf('\0', first + 1);
    if (second < 0 || first == 0) return std::nullopt;  // damaged, or no user
    Account account;
    account.user.assign(packed.constData(), static_cast<std::size_t>(first));
    account.domain.assign(packed.constData() + first + 1,
                          static_cast<std::size_t>(second - first - 1));
    account.password.assign(packed.constData() + second + 1,
                            static_cast<std::size_t>(packed.size() - second - 1));
    return account;
}

std::optional<Account> QtKeyring::Read(const QString& key) {
    if (!mAvailable) return std::nullopt;
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(key);
    Run(job);
    if (job.error() != QKeychain::NoError) {
        if (Missing(job.error())) mAvailable = false;
        return std::nullopt;
    }
    QByteArray packed = job.binaryData();
    std::optional<Account> account = UnpackAccount(packed);
    WipeBytes(packed);
    return account;
}

bool QtKeyring::Write(const QString& key, const Account& account) {
    if (!mAvailable) return false;
    QKeychain::WritePasswordJob job(kService);
    job.setKey(key);
    QByteArray packed = PackAccount(account);
    job.setBinaryData(packed);
    WipeBytes(packed);
    Run(job);
    if (Missing(job.error())) mAvailable = false;
    return job.error() == QKeychain::NoError;
}

bool QtKeyring::Remove(const QString& key) {
    if (!mAvailable) return false;
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(key);
    Run(job);
    return job.error() == QKeychain::NoError;
}

}  // namespace logon
