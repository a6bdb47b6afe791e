#include "DesktopLogon.h"

#include <QApplication>
#include <QWidget>
#include <arpa/inet.h>

#include "netenum/MessageTarget.h"
#include "netenum/modAPI_Error.h"
#include "text/Text.h"
#include "windows/common/Prompts.h"
#include "windows/common/Settings.h"

namespace logon {
namespace {

const QString kSection = QStringLiteral("Network");
// Not secret: which domains have an account in the keyring, and whether the
// "Remember" box was checked last time.
const QString kDomainsKey = QStringLiteral("LogonDomains");
const QString kRememberKey = QStringLiteral("RememberLogon");

QString App() { return common::ProductName(); }

std::string Upper(const std::string& s) { return text::ToUtf8(text::ToUpper(text::FromUtf8(s))); }

QString FromUtf8(const std::string& s) { return QString::fromStdString(s); }

std::string ToUtf8(const QString& s) { return s.toStdString(); }

QStringList KeptDomains() {
    return common::GetSetting(App(), kSection, kDomainsKey)
        .split(QLatin1Char(','), Qt::SkipEmptyParts);
}

bool IsAddress(const std::string& server) {
    std::string bare = server.substr(0, server.find('%'));
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
    in6_addr address{};
    return inet_pton(AF_INET, bare.c_str(), &address) == 1 ||
           inet_pton(AF_INET6, bare.c_str(), &address) == 1;
}

// The DNS domain an account shared with "all servers in DOMAIN" serves: the
// domain typed, when it is a DNS name; otherwise the one of the server it
// was given for, when that was named by a DNS name. Empty: none can be told.
std::string DnsDomainFor(const std::string& domain, const std::string& server) {
    std::string dns;
    if (domain.find('.') != std::string::npos) dns = domain;
    else if (const auto dot = server.find('.'); dot != std::string::npos && !IsAddress(server))
        dns = server.substr(dot + 1);
    while (!dns.empty() && dns.back() == '.') dns.pop_back();
    return dns.find('.') == std::string::npos ? std::string() : Upper(dns);
}

// Whether `server` is named by a DNS name inside `dnsDomain` (upper case).
bool InDnsDomain(const std::string& server, const std::string& dnsDomain) {
    if (dnsDomain.find('.') == std::string::npos || IsAddress(server)) return false;
    std::string name = Upper(server);
    while (!name.empty() && name.back() == '.') name.pop_back();
    return name.size() > dnsDomain.size() + 1 && name.ends_with("." + dnsDomain);
}

QWidget* DialogParent(QWidget* fallback) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return fallback;
}

QString Reason(const std::string& server, std::uint32_t status, int attempt) {
    const QString name = FromUtf8(server);
    const QString why = QString::fromStdU16String(netenum::GetErrorText(status)).trimmed();
    // An address says nothing about who answers there: the box says where
    // the password goes.
    const QString whereTo = IsAddress(server) && !server.starts_with("127.") && server != "::1"
                                ? QStringLiteral(" The password goes to the computer at ") + name +
                                      QLatin1Char('.')
                                : QString();
    if (attempt > 0) return why + QStringLiteral(" Try again.") + whereTo;
    if (status == kAskedByAdministrator)
        return QStringLiteral("The account to use for ") + name + QLatin1Char('.') + whereTo;
    if (status == 5)
        return name + QStringLiteral(" refused: ") + why +
               QStringLiteral(" Log on as an administrator of ") + name + QLatin1Char('.') + whereTo;
    return name + QStringLiteral(" refused the logon: ") + why + whereTo;
}

}  // namespace

DesktopLogon::DesktopLogon(std::shared_ptr<Keyring> keyring, bool mayAsk)
    : mKeyring(std::move(keyring)), mMayAsk(mayAsk) {}

QString DesktopLogon::ServerKey(const std::string& server) {
    return QStringLiteral("server/") + FromUtf8(Upper(server));
}

QString DesktopLogon::DomainKey(const std::string& domain) {
    return QStringLiteral("domain/") + FromUtf8(Upper(domain));
}

std::optional<Account> DesktopLogon::FromKeyring(const std::string& server) {
    if (!mKeyring) return std::nullopt;
    const std::string key = Upper(server);
    if (mKeyringRead.insert(key).second) {
        if (std::optional<Account> stored = mKeyring->Read(ServerKey(server))) {
            ProtectSecrets();
            mAccounts[key] = *stored;
            return stored;
        }
    }
    if (!mDomainsRead) {
        mDomainsRead = true;
        for (const QString& domain : KeptDomains()) {
            // Kept by DNS domain; an older entry kept under a NetBIOS name
            // names no DNS domain, so it serves no server.
            if (!domain.contains(QLatin1Char('.'))) continue;
            if (std::optional<Account> stored = mKeyring->Read(DomainKey(ToUtf8(domain)))) {
                ProtectSecrets();
                mDomainAccounts.emplace(Upper(ToUtf8(domain)), *stored);
            }
        }
    }
    return std::nullopt;
}

std::optional<Account> DesktopLogon::Known(const std::string& server) {
    const std::string key = Upper(server);
    if (mRefused.count(key) != 0) return std::nullopt;
    if (const auto it = mAccounts.find(key); it != mAccounts.end()) return it->second;
    if (std::optional<Account> stored = FromKeyring(server)) return stored;
    // An account shared with a domain serves only servers named by a DNS
    // name inside that domain (the closest domain first), never an address
    // or a bare name whose domain nobody can tell.
    const Account* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [dnsDomain, account] : mDomainAccounts) {
        if (InDnsDomain(server, dnsDomain) && dnsDomain.size() > bestLength) {
            best = &account;
            bestLength = dnsDomain.size();
        }
    }
    if (best != nullptr) return *best;
    return std::nullopt;
}

std::optional<Account> DesktopLogon::Ask(const std::string& server, std::uint32_t status,
                                         int attempt) {
    const std::string key = Upper(server);
    if (!mMayAsk || mHeld > 0 || mDeclined.count(key) != 0) return std::nullopt;

    // What is typed into the box is a password held from now on.
    ProtectSecrets();
    common::LogonRequest request;
    request.server = FromUtf8(server);
    request.message = Reason(server, status, attempt);
    if (const auto it = mWishes.find(key); it != mWishes.end()) {
        request.user = FromUtf8(it->second.user);
        request.domain = FromUtf8(it->second.domain);
    } else if (const auto known = mAccounts.find(key); known != mAccounts.end()) {
        request.user = FromUtf8(known->second.user);
        request.domain = FromUtf8(known->second.domain);
    }
    request.remember = common::GetSetting(App(), kSection, kRememberKey) == QLatin1String("1");
    request.keyringAvailable = mKeyring && mKeyring->Available();

    std::optional<common::LogonAnswer> answer =
        common::CurrentPrompts().LogOn(DialogParent(mFallbackParent), request);
    if (!answer || answer->user.isEmpty()) {
        mDeclined.insert(key);
        return std::nullopt;
    }
    common::SaveSetting(App(), kSection, kRememberKey,
                        answer->remember ? QStringLiteral("1") : QStringLiteral("0"));
    Account account;
    account.user = ToUtf8(answer->user);
    account.password = ToUtf8(answer->password);
    account.domain = ToUtf8(answer->domain);
    answer->password.fill(QLatin1Char('\0'));
    // "DOMAIN\user" as Windows writes it.
    if (const auto sep = account.user.find('\\'); sep != std::string::npos && account.domain.empty()) {
        account.domain = account.user.substr(0, sep);
        account.user.erase(0, sep + 1);
    }
    mWishes[key] = {account.user, account.domain, answer->remember,
                    answer->allInDomain && !account.domain.empty()};
    // "All servers in DOMAIN" needs a DNS domain to stay inside; without
    // one the account serves this server only.
    if (mWishes[key].allInDomain && DnsDomainFor(account.domain, server).empty())
        mWishes[key].allInDomain = false;
    mRefused.erase(key);
    return account;
}

void DesktopLogon::Accepted(const std::string& server, const Account& account) {
    const std::string key = Upper(server);
    mAccounts[key] = account;
    const Wish wish = mWishes[key];
    mWishes.erase(key);
    const std::string dnsDomain = wish.allInDomain ? DnsDomainFor(account.domain, server) : std::string();
    if (!dnsDomain.empty()) mDomainAccounts[dnsDomain] = account;
    if (!wish.remember || !mKeyring) return;
    if (!dnsDomain.empty()) {
        if (mKeyring->Write(DomainKey(dnsDomain), account)) {
            QStringList domains = KeptDomains();
            const QString domain = FromUtf8(dnsDomain);
            if (!domains.contains(domain)) {
                domains << domain;
                common::SaveSetting(App(), kSection, kDomainsKey, domains.join(QLatin1Char(',')));
            }
        }
    } else {
        mKeyring->Write(ServerKey(server), account);
    }
}

void DesktopLogon::Forget(const std::string& server) {
    const std::string key = Upper(server);
    mAccounts.erase(key);
    mWishes.erase(key);
    // An account shared with the server's domain is not offered to it again
    // this run either; the domain's other servers keep it.
    mRefused.insert(key);
    mKeyringRead.insert(key);
    if (mKeyring) mKeyring->Remove(ServerKey(server));
}

void DesktopLogon::LacksRight(const std::string& server, std::uint32_t status) {
    if (!mMayAsk || status != 5) return;
    const std::string key = Upper(server);
    QString who = QStringLiteral("The account");
    if (const auto it = mAccounts.find(key); it != mAccounts.end() && !it->second.user.empty())
        who += QLatin1Char(' ') +
               QString::fromStdU16String(text::EscapeControls(text::FromUtf8(it->second.user)));
    const std::u16string line =
        (who + QStringLiteral(" is logged on to ") +
         QString::fromStdU16String(text::EscapeControls(text::FromUtf8(server))) +
         QStringLiteral(" but lacks the right to do this. To use another account, choose "
                        "Computers > Log On As...\r\n"))
            .toStdU16String();
    netenum::AppendToCurrentForm(line);
}

void DesktopLogon::Refused(const std::string& server) {
    const std::string key = Upper(server);
    mRefused.insert(key);
    mAccounts.erase(key);
}

std::shared_ptr<DesktopLogon> InstallDesktopLogon(bool mayAsk) {
    auto logon = std::make_shared<DesktopLogon>(std::make_shared<QtKeyring>(), mayAsk);
    SetLookup(logon);
    return logon;
}

}  // namespace logon
