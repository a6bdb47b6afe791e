#pragma once
// The files held open on one server at one moment, from a single NetFileEnum.
#include <cstdint>
#include <string>

#include "CheckedClose.h"
#include "ItemList.h"

namespace netenum {

class clsFileEnum {
public:
    std::int32_t ID() const { return mID; }
    std::int32_t Permissions() const { return mPermissions; }
    std::int32_t NumberLocks() const { return mNumberLocks; }
    const std::u16string& PathName() const { return mPathName; }
    const std::u16string& UserName() const { return mUserName; }

private:
    friend class colFileEnum;

    std::int32_t mID = 0;
    std::int32_t mPermissions = 0;
    std::int32_t mNumberLocks = 0;
    std::u16string mPathName;
    std::u16string mUserName;
};

class colFileEnum : public ItemList<clsFileEnum> {
public:
    // Stores the server (bare name, empty for the local computer) and fills
    // the collection. Called once per object.
    void Init(const std::u16string& ServerName);

    // Closes one file; reports a failure as "Error closing file <name> : <text>".
    // The collection itself does not change. `FilePtr` is the item's ID and
    // goes back to the server bit for bit, ids at or above 2^31 included.
    void CloseFile(std::int32_t FilePtr, const std::u16string& CloseOnServer,
                   const std::u16string& CloseFileName) const;

    // Closes a file as listed, only while its id still names that path opened
    // by that user (CloseFileIfStillSame); a failure, or a file no longer
    // open, is reported as CloseFile reports it. Returns the outcome.
    netapi::CheckedClose CloseListedFile(const clsFileEnum& file,
                                         const std::u16string& CloseOnServer) const;

    const std::u16string& ServerName() const { return mServerName; }

private:
    std::u16string mServerName;
};

}  // namespace netenum
