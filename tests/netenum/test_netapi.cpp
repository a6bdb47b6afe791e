// The buffer layer: one allocation per result, strings behind the records,
// null pointers kept, every buffer accounted for.
#include <gtest/gtest.h>

#include <cstring>

#include "netenum/netapi.h"
#include "support/ScriptedProvider.h"

using namespace netapi;
using testing_support::ScriptedNetwork;

namespace {

std::u16string Str(const char16_t* p) { return p == nullptr ? u"<null>" : std::u16string(p); }

TEST(NetApi, EnumerationsPackRecordsAndStringsIntoOneBufferAndKeepTheTrueTotal) {
    ScriptedNetwork net;
    net.provider().files.records = {{7, PERM_FILE_READ, 2, u"D:\\a.doc", u"anna"},
                                    {0x80010002u, 3, 0, u"", std::nullopt}};
    LPBYTE buf = nullptr;
    DWORD read = 0, total = 0, resume = 99;
    ASSERT_EQ(NetFileEnum(u"SRV", u"", u"", 3, &buf, MAX_PREFERRED_LENGTH, &read, &total, &resume), 0u);
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(total, 2u);
    EXPECT_EQ(resume, 0u);
    const auto* r = reinterpret_cast<FILE_INFO_3*>(buf);
    EXPECT_EQ(r[0].fi3_id, 7u);
    EXPECT_EQ(Str(r[0].fi3_pathname), u"D:\\a.doc");
    EXPECT_EQ(Str(r[0].fi3_username), u"anna");
    EXPECT_EQ(r[1].fi3_id, 0x80010002u);
    EXPECT_EQ(Str(r[1].fi3_pathname), u"");
    EXPECT_EQ(r[1].fi3_username, nullptr);
    // Strings live inside the same allocation, behind the records.
    EXPECT_GT(reinterpret_cast<LPBYTE>(r[0].fi3_pathname), buf + 2 * sizeof(FILE_INFO_3) - 1);
    EXPECT_EQ(LiveBufferCount(), 1u);
    EXPECT_EQ(NetApiBufferFree(buf), 0u);
    EXPECT_EQ(LiveBufferCount(), 0u);
    // The provider saw the names as passed, empty strings as empty (not null).
    EXPECT_EQ(net.provider().CallsNamed("NetFileEnum").at(0).args, (std::vector<OptString>{u"SRV", u"", u""}));

    // A partial list keeps its records and the true total; a null name stays null.
    net.provider().sessions.status = ERROR_MORE_DATA;
    net.provider().sessions.records.resize(3);
    net.provider().sessions.total = 10;
    EXPECT_EQ(NetSessionEnum(nullptr, nullptr, nullptr, 502, &buf, MAX_PREFERRED_LENGTH, &read, &total, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(total, 10u);
    EXPECT_EQ(net.provider().CallsNamed("NetSessionEnum").at(0).args[0], std::nullopt);
    NetApiBufferFree(buf);
}

TEST(NetApi, FailuresLevelsForeignPointersAndMissingProvider) {
    {
        ScriptedNetwork net;
        net.provider().fail["NetShareEnum"] = ERROR_ACCESS_DENIED;
        LPBYTE buf = reinterpret_cast<LPBYTE>(1);
        DWORD read = 5, total = 5;
        EXPECT_EQ(NetShareEnum(u"", 2, &buf, MAX_PREFERRED_LENGTH, &read, &total, nullptr), 5u);
        EXPECT_EQ(buf, nullptr);
        EXPECT_EQ(read, 0u);
        EXPECT_EQ(NetShareEnum(u"", 502, &buf, MAX_PREFERRED_LENGTH, &read, &total, nullptr),
                  ERROR_INVALID_LEVEL);
        EXPECT_EQ(NetFileEnum(u"", u"", u"", 2, &buf, MAX_PREFERRED_LENGTH, &read, &total, nullptr),
                  ERROR_INVALID_LEVEL);
        EXPECT_EQ(NetSessionEnum(u"", u"", u"", 1, &buf, MAX_PREFERRED_LENGTH, &read, &total, nullptr),
                  ERROR_INVALID_LEVEL);
        // Message text is UTF-16: an odd byte count is no text.
        char16_t text[] = u"hi";
        EXPECT_EQ(NetMessageBufferSend(nullptr, u"anna", nullptr, reinterpret_cast<LPBYTE>(text), 3),
                  ERROR_INVALID_PARAMETER);

        int local = 0;
        EXPECT_EQ(NetApiBufferFree(nullptr), 0u);
        EXPECT_EQ(NetApiBufferFree(&local), ERROR_INVALID_PARAMETER);
        ASSERT_EQ(NetServerGetInfo(u"", 101, &buf), 0u);
        EXPECT_EQ(NetApiBufferFree(buf), 0u);
        EXPECT_EQ(NetApiBufferFree(buf), ERROR_INVALID_PARAMETER);  // a double free is caught
    }
    LPBYTE buf = nullptr;
    EXPECT_EQ(NetServerGetInfo(u"", 101, &buf), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(LiveBufferCount(), 0u);
}

TEST(NetApi, UserInfoRoundTripsWholeAndTheLocalNameRespectsTheCallersBuffer) {
    ScriptedNetwork net;
    UserInfo3 anna;
    anna.name = u"anna";
    anna.full_name = u"Anna Berg";
    anna.flags = UF_NORMAL_ACCOUNT | UF_SCRIPT | UF_LOCKOUT | UF_DONT_EXPIRE_PASSWD;
    anna.logon_hours = std::vector<std::uint8_t>(LOGON_HOURS_BYTES, 0xFF);
    net.provider().users[u"anna"] = anna;
    LPBYTE buf = nullptr;
    ASSERT_EQ(NetUserGetInfo(u"", u"anna", 3, &buf), 0u);
    auto* rec = reinterpret_cast<USER_INFO_3*>(buf);
    rec->usri3_flags |= UF_ACCOUNTDISABLE;
    ASSERT_EQ(NetUserSetInfo(u"", u"anna", 3, buf, nullptr), 0u);
    NetApiBufferFree(buf);
    const UserInfo3& stored = net.provider().users[u"anna"];
    EXPECT_EQ(stored.flags, anna.flags | UF_ACCOUNTDISABLE);
    EXPECT_EQ(stored.full_name, anna.full_name);
    EXPECT_EQ(stored.logon_hours, anna.logon_hours);
    EXPECT_EQ(stored.password, std::nullopt);

    char16_t name[4];
    DWORD size = 4;
    net.provider().localName = u"LONGNAME";
    EXPECT_EQ(GetLocalComputerName(name, &size), 111u);
    EXPECT_EQ(size, 9u);
    net.provider().localName = u"PC";
    size = 4;
    ASSERT_EQ(GetLocalComputerName(name, &size), 0u);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(std::u16string(name), u"PC");
}

}  // namespace
