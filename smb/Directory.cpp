#include "Directory.h"

#include <ldap.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "DcLocator.h"
#include "KerberosTicket.h"
#include "SmbCredentials.h"
#include "netenum/CallControl.h"

namespace smb {
namespace {

// GSSAPI needs nothing from the user: the ticket is in the cache.
int NoInteraction(LDAP*, unsigned, void*, void*) { return LDAP_SUCCESS; }

// Only names a DNS server could hold; anything else a directory says is dropped.
bool PlainHostName(const std::string& name) {
    return !name.empty() && name.size() <= 253 &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) {
               return std::isalnum(c) || c == '-' || c == '.';
           });
}

std::string FirstValue(LDAP* ld, LDAPMessage* entry, const char* attribute) {
    std::string out;
    berval** values = ldap_get_values_len(ld, entry, attribute);
    if (values != nullptr && values[0] != nullptr && values[0]->bv_len <= 1024)
        out.assign(values[0]->bv_val, values[0]->bv_len);
    if (values != nullptr) ldap_value_free_len(values);
    return out;
}

std::vector<DirectoryComputer> Search(const std::string& controller, const std::string& base,
                                      std::chrono::milliseconds timeout) {
    std::vector<DirectoryComputer> out;
    LDAP* ld = nullptr;
    const std::string uri = "ldap://" + controller;
    if (ldap_initialize(&ld, uri.c_str()) != LDAP_SUCCESS || ld == nullptr) return out;
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    // The service ticket is for the name DNS gave, not one found by a reverse lookup.
    ldap_set_option(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
    timeval limit{};
    limit.tv_sec = static_cast<long>(timeout.count() / 1000);
    limit.tv_usec = static_cast<long>(timeout.count() % 1000) * 1000;
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &limit);
    ldap_set_option(ld, LDAP_OPT_TIMEOUT, &limit);
    const int sizeLimit = static_cast<int>(kMaxDirectoryComputers);
    ldap_set_option(ld, LDAP_OPT_SIZELIMIT, &sizeLimit);

    if (ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                     NoInteraction, nullptr) == LDAP_SUCCESS) {
        char dnsHostName[] = "dNSHostName";
        char operatingSystem[] = "operatingSystem";
        char* attributes[] = {dnsHostName, operatingSystem, nullptr};
        LDAPMessage* result = nullptr;
        const int rc = ldap_search_ext_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE,
                                         "(objectCategory=computer)", attributes, 0, nullptr,
                                         nullptr, &limit, sizeLimit, &result);
        // A list cut at the size limit is still worth its part.
        if (result != nullptr && (rc == LDAP_SUCCESS || rc == LDAP_SIZELIMIT_EXCEEDED)) {
            for (LDAPMessage* e = ldap_first_entry(ld, result);
                 e != nullptr && out.size() < kMaxDirectoryComputers; e = ldap_next_entry(ld, e)) {
                AddDirectoryEntry(out, FirstValue(ld, e, "dNSHostName"),
                                  FirstValue(ld, e, "operatingSystem"));
            }
        }
        if (result != nullptr) ldap_msgfree(result);
    }
    ldap_unbind_ext_s(ld, nullptr, nullptr);
    return out;
}

}  // namespace

bool AddDirectoryEntry(std::vector<DirectoryComputer>& out, std::string_view dnsHostName,
                       std::string_view operatingSystem) {
    DirectoryComputer c{std::string(dnsHostName), std::string(operatingSystem)};
    if (out.size() >= kMaxDirectoryComputers || !PlainHostName(c.dnsHostName) ||
        c.operatingSystem.size() > 1024)
        return false;
    out.push_back(std::move(c));
    return true;
}

std::string TicketDomain() {
    const auto ticket = CurrentKerberosTicket();
    if (!ticket || !SmbCredentials::CacheIsOurs(ticket->cacheName, geteuid())) return {};
    const auto at = ticket->principal.rfind('@');
    if (at == std::string::npos) return {};
    std::string realm = ticket->principal.substr(at + 1);
    for (char& c : realm) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return realm;
}

std::string NamingContextOf(const std::string& dnsDomain) {
    std::string out;
    std::size_t at = 0;
    while (at < dnsDomain.size()) {
        std::size_t end = dnsDomain.find('.', at);
        if (end == std::string::npos) end = dnsDomain.size();
        if (end > at) out += (out.empty() ? "DC=" : ",DC=") + dnsDomain.substr(at, end - at);
        at = end + 1;
    }
    return out;
}

std::vector<DirectoryComputer> DirectoryComputers(const std::string& dnsDomain,
                                                  std::chrono::milliseconds timeout) {
    if (!PlainHostName(dnsDomain)) return {};
    auto deadline = std::chrono::steady_clock::now() + timeout;
    if (const netapi::CallControl* call = netapi::CurrentCall())
        deadline = std::min(deadline, call->deadline);
    const auto left = [&deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                     std::chrono::steady_clock::now());
    };
    const std::string base = NamingContextOf(dnsDomain);
    for (const std::string& controller : FindDomainControllers(dnsDomain, left())) {
        const netapi::CallControl* call = netapi::CurrentCall();
        if (left().count() <= 0 || (call != nullptr && call->Over())) break;
        std::vector<DirectoryComputer> found = Search(controller, base, left());
        if (!found.empty()) return found;
    }
    return {};
}

}  // namespace smb
