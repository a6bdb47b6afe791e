#pragma once
// The resources one server shares, from a single NetShareEnum at level 2, or
// at level 1 when the server refuses 2 to this caller: uses and permissions
// are then unknown (nullopt) and the path empty.
#include <cstdint>
#include <optional>
#include <string>

#include "ItemList.h"

namespace netenum {

class clsShareEnum {
public:
    const std::u16string& ShareName() const { return mShareName; }
    const std::u16string& Remarks() const { return mRemarks; }
    const std::u16string& Path() const { return mPath; }
    std::optional<std::int32_t> NumMaxConnections() const { return mNumMaxConnections; }
    std::optional<std::int32_t> NumCurrConnections() const { return mNumCurrConnections; }
    std::int32_t ShareType() const { return mShareType; }
    std::optional<std::int32_t> Permissions() const { return mPermissions; }

private:
    friend class colShareEnum;

    std::u16string mShareName;
    std::u16string mRemarks;
    std::u16string mPath;
    std::optional<std::int32_t> mNumMaxConnections;
    std::optional<std::int32_t> mNumCurrConnections;
    std::int32_t mShareType = 0;
    std::optional<std::int32_t> mPermissions;
};

class colShareEnum : public ItemList<clsShareEnum> {
public:
    void Init(const std::u16string& ServerName);
    const std::u16string& ServerName() const { return mServerName; }

private:
    std::u16string mServerName;
};

}  // namespace netenum
