#pragma once
// A share's permissions as the Permissions tab edits them: one line per
// account with the strongest right it is allowed and the strongest it is
// denied. Only the accounts the administrator touched are rewritten; every
// other entry, and every entry that is no share right ("Special"), stays as
// the server sent it.
#include <optional>
#include <string>
#include <vector>

#include "netenum/SecurityDescriptor.h"

namespace shares {

// None, then each right with the weaker ones it contains: Full Control holds
// Change, Change holds Read.
enum class Level { None = 0, Read = 1, Change = 2, Full = 3 };

Level LevelOf(netapi::ShareRight right);

struct AccountPermission {
    netapi::Sid sid;
    std::u16string name;  // as shown: "DOMAIN\name", or the SID
    Level allow = Level::None;
    Level deny = Level::None;
    bool allowSpecial = false;  // entries of the account that map to no right
    bool denySpecial = false;
    bool touched = false;
};

class PermissionList {
public:
    // `base` is the descriptor the share's access follows now.
    explicit PermissionList(netapi::SecurityDescriptor base);

    const std::vector<AccountPermission>& Accounts() const { return mAccounts; }
    // Names for the accounts, by SID (from the server's lookup).
    void Name(const netapi::Sid& sid, const std::u16string& name);

    // An account not listed yet comes in allowed Read; a listed one stays as
    // it is. Its position either way.
    int Add(const netapi::Sid& sid, const std::u16string& name);
    // The account and all its entries, Special ones too.
    void Remove(int index);
    // A box of the grid: checking a right checks the rights it holds,
    // clearing one clears the rights that hold it.
    void Set(int index, netapi::ShareRight right, bool deny, bool checked);
    static bool Checked(const AccountPermission& account, netapi::ShareRight right, bool deny);

    // An edited account both allowed and denied: a sentence naming it.
    std::optional<std::string> Contradiction() const;
    const netapi::SecurityDescriptor& Base() const { return mBase; }
    // The descriptor with the edits made.
    netapi::SecurityDescriptor Result() const;
    // Whether Result() is something to write.
    bool Changed() const;

private:
    netapi::SecurityDescriptor mBase;
    std::vector<AccountPermission> mAccounts;
    std::vector<netapi::Sid> mRemoved;
};

}  // namespace shares
