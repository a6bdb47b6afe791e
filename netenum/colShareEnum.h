#pragma once
// The resources one server shares, from a single NetShareEnum (level 2).
#include <cstdint>
#include <string>

#include "ItemList.h"

namespace netenum {

class clsShareEnum {
public:
    const std::u16string& ShareName() const { return mShareName; }
    const std::u16string& Remarks() const { return mRemarks; }
    const std::u16string& Path() const { return mPath; }
    std::int32_t NumMaxConnections() const { return mNumMaxConnections; }
    std::int32_t NumCurrConnections() const { return mNumCurrConnections; }
    std::int32_t ShareType() const { return mShareType; }
    std::int32_t Permissions() const { return mPermissions; }

private:
    friend class colShareEnum;

    std::u16string mShareName;
    std::u16string mRemarks;
    std::u16string mPath;
    std::int32_t mNumMaxConnections = 0;
    std::int32_t mNumCurrConnections = 0;
    std::int32_t mShareType = 0;
    std::int32_t mPermissions = 0;
};

class colShareEnum : public ItemList<clsShareEnum> {
public:
    void Init(const std::u16string& ServerName);
    const std::u16string& ServerName() const { return mServerName; }

private:
    std::u16string mServerName;
};

}  // namespace netenum
