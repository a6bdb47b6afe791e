#pragma once
// The sessions clients hold on one server, from a single NetSessionEnum at
// level 502, or at level 10 when the server refuses 502 to this caller: the
// open count and the flags are then unknown (nullopt), not zero.
#include <cstdint>
#include <optional>
#include <string>

#include "ItemList.h"

namespace netenum {

class clsSessionEnum {
public:
    const std::u16string& ComputerName() const { return mComputerName; }
    const std::u16string& UserName() const { return mUserName; }
    const std::u16string& Transport() const { return mTransport; }
    std::optional<std::int32_t> NumOpens() const { return mNumOpens; }
    std::int32_t ActiveTime() const { return mActiveTime; }
    std::int32_t IdleTime() const { return mIdleTime; }
    const std::u16string& ActiveTimeFormatted() const { return mActiveTimeFormatted; }
    const std::u16string& IdleTimeFormatted() const { return mIdleTimeFormatted; }
    std::optional<std::int32_t> UserFlags() const { return mUserFlags; }

private:
    friend class colSessionEnum;

    std::u16string mComputerName;
    std::u16string mUserName;
    std::u16string mTransport;
    std::optional<std::int32_t> mNumOpens;
    std::int32_t mActiveTime = 0;
    std::int32_t mIdleTime = 0;
    std::u16string mActiveTimeFormatted;
    std::u16string mIdleTimeFormatted;
    std::optional<std::int32_t> mUserFlags;
};

class colSessionEnum : public ItemList<clsSessionEnum> {
public:
    void Init(const std::u16string& ServerName);

    // Ends the sessions of `UserName` from the client `UncClientName` (a bare
    // name; "\\" is put in front) on the server given to Init.
    void DeleteItem(const std::u16string& UncClientName, const std::u16string& UserName) const;

    const std::u16string& ServerName() const { return mServerName; }

private:
    std::u16string mServerName;
};

}  // namespace netenum
