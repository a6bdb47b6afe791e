#include "KerberosTicket.h"

#include <krb5.h>

#include <ctime>

namespace smb {
namespace {

// Whether `creds` is a ticket-granting ticket (krbtgt/REALM@REALM) still valid now.
bool IsLiveTgt(krb5_context context, const krb5_creds& creds) {
    // Cache configuration entries (realm "X-CACHECONF:") are not tickets.
    if (creds.server == nullptr || krb5_is_config_principal(context, creds.server)) return false;
    if (creds.server->length != 2) return false;
    const krb5_data* first = &creds.server->data[0];
    const std::string service(first->data, first->length);
    return service == "krbtgt" &&
           static_cast<std::time_t>(creds.times.endtime) > std::time(nullptr);
}

}  // namespace

std::optional<KerberosTicket> CurrentKerberosTicket() {
    krb5_context context = nullptr;
    if (krb5_init_context(&context) != 0) return std::nullopt;
    std::optional<KerberosTicket> result;
    krb5_ccache cache = nullptr;
    krb5_principal principal = nullptr;
    char* name = nullptr;
    char* fullName = nullptr;
    krb5_cc_cursor cursor = nullptr;
    bool live = false;
    if (krb5_cc_default(context, &cache) == 0 &&
        krb5_cc_get_principal(context, cache, &principal) == 0 &&
        krb5_unparse_name(context, principal, &name) == 0 &&
        krb5_cc_get_full_name(context, cache, &fullName) == 0 &&
        krb5_cc_start_seq_get(context, cache, &cursor) == 0) {
        krb5_creds creds;
        while (!live && krb5_cc_next_cred(context, cache, &cursor, &creds) == 0) {
            live = IsLiveTgt(context, creds);
            krb5_free_cred_contents(context, &creds);
        }
        krb5_cc_end_seq_get(context, cache, &cursor);
        if (live) result = KerberosTicket{name, fullName};
    }
    if (fullName != nullptr) krb5_free_string(context, fullName);
    if (name != nullptr) krb5_free_unparsed_name(context, name);
    if (principal != nullptr) krb5_free_principal(context, principal);
    if (cache != nullptr) krb5_cc_close(context, cache);
    krb5_free_context(context);
    return result;
}

}  // namespace smb
