#pragma once
// The connections on one server that match a qualifier (a share name, or "\\"
// and a client computer), from a single NetConnectionEnum (level 1).
#include <cstdint>
#include <string>

#include "ItemList.h"

namespace netenum {

class clsConnectionEnum {
public:
    std::int32_t ConnectionID() const { return mConnectionID; }
    std::int32_t ConnectionType() const { return mConnectionType; }
    std::int32_t NumOpens() const { return mNumOpens; }
    std::int32_t NumUsers() const { return mNumUsers; }
    std::int32_t ConnectionTime() const { return mConnectionTime; }
    const std::u16string& ConnectTimeFormatted() const { return mConnectTimeFormatted; }
    // The user; the net name when the server gave no user.
    const std::u16string& UserName() const { return mUserName; }
    const std::u16string& NetName() const { return mNetName; }

private:
    friend class colConnectionEnum;

    std::int32_t mConnectionID = 0;
    std::int32_t mConnectionType = 0;
    std::int32_t mNumOpens = 0;
    std::int32_t mNumUsers = 0;
    std::int32_t mConnectionTime = 0;
    std::u16string mConnectTimeFormatted;
    std::u16string mUserName;
    std::u16string mNetName;
};

class colConnectionEnum : public ItemList<clsConnectionEnum> {
public:
    // Note the order: qualifier first, then the server.
    void Init(const std::u16string& Qualifier, const std::u16string& ServerName);
    const std::u16string& Qualifier() const { return mQualifier; }
    const std::u16string& ServerName() const { return mServerName; }

private:
    std::u16string mQualifier;
    std::u16string mServerName;
};

}  // namespace netenum
