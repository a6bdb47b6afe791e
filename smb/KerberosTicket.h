#pragma once
// The user's Kerberos ticket, as the Kerberos library finds it: KRB5CCNAME in
// any of its forms (FILE:, DIR:, KEYRING:, KCM:, a bare path) or, without it,
// krb5.conf's default cache. Nothing here guesses file names.
#include <optional>
#include <string>

namespace smb {

struct KerberosTicket {
    std::string principal;  // "Administrator@OFFICE.TEST"
    std::string cacheName;  // the cache's full name, "FILE:/tmp/krb5cc_0"
};

// The default cache's principal when the cache holds a ticket-granting ticket
// that has not expired; nothing without one (no cache, an empty or expired
// one, no Kerberos library).
std::optional<KerberosTicket> CurrentKerberosTicket();

}  // namespace smb
