// Run by wsd-live inside a network namespace whose only neighbour serves
// WSDFILES (workgroup VANTORLAB) through wsdd and smbd.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/NetworkChoice.h"
#include "discovery/Discovery.h"
#include "discovery/WsDiscovery.h"
#include "netenum/NetBuffer.h"
#include "netenum/Provider.h"
#include "netenum/netapi.h"
#include "netenum/providers/smb/SmbProvider.h"
#include "support/ScriptedProvider.h"

namespace {

std::string Address() {
    const char* address = std::getenv("VANTOR_WSD_ADDRESS");
    return address == nullptr ? std::string() : address;
}

TEST(DiscoveryLive, WsddIsFoundWithItsNameWorkgroupAndAddress) {
    if (Address().empty()) GTEST_SKIP() << "run through wsd-live";
    const auto found = discovery::DiscoverWsd(discovery::kWindow);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "WSDFILES");
    EXPECT_EQ(found[0].group, "VANTORLAB");
    EXPECT_EQ(found[0].address, Address());
}

TEST(DiscoveryLive, TheFoundComputerIsListedWithTheTypeItsServerReports) {
    if (Address().empty()) GTEST_SKIP() << "run through wsd-live";
    smb::SetKnownServers({});
    app::SetDiscovery(true);
    netapi::SetProvider(smb::MakeSmbProvider());

    netapi::ServerInfo101 direct;
    ASSERT_EQ(netapi::ActiveProvider()->ServerGetInfo(testing_support::U(Address()), direct), 0u);
    ASSERT_NE(direct.type & netapi::SV_TYPE_SERVER, 0u);

    for (const netapi::DWORD mask : {netapi::SV_TYPE_SERVER, netapi::SV_TYPE_ALL}) {
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        ASSERT_EQ(netapi::NetServerEnum(nullptr, 101, buffer.Out(), netapi::MAX_PREFERRED_LENGTH,
                                        &read, &total, mask, nullptr, nullptr),
                  0u);
        ASSERT_EQ(read, 1u);
        const auto* record = buffer.As<netapi::SERVER_INFO_101>();
        EXPECT_EQ(std::u16string(record->sv101_name), u"WSDFILES");
        EXPECT_EQ(record->sv101_type, direct.type);
    }
    // Not a domain controller: not listed under that type.
    {
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        netapi::NetServerEnum(nullptr, 101, buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &read,
                              &total, netapi::SV_TYPE_DOMAIN_CTRL, nullptr, nullptr);
        EXPECT_EQ(total, 0u);
    }
    // Chosen by the name it gave, it is reached at the address it answered from.
    netapi::ServerInfo101 byName;
    EXPECT_EQ(netapi::ActiveProvider()->ServerGetInfo(u"WSDFILES", byName), 0u);
    app::SetDiscovery(false);
    netapi::SetProvider(nullptr);
    EXPECT_EQ(netapi::LiveBufferCount(), 0u);
}

}  // namespace
