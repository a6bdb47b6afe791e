// The directory's computers in the computer list: with the administrator's
// ticket, "All Servers" lists the domain's controller and member server
// without anyone naming them, each once, even when one was also named by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "DomainBed.h"
#include "netenum/NetCalls.h"
#include "netenum/netapi.h"
#include "smb/Directory.h"
#include "smb/SmbProvider.h"

namespace {

class DomainDirectoryLive : public domain_test::DomainTest {};

TEST_F(DomainDirectoryLive, TheDomainsComputersAppearInTheListOnce) {
    setenv("KRB5CCNAME", adminTicket.c_str(), 1);

    // What the directory holds, as samba-tool made it.
    std::vector<std::string> hosts;
    for (const auto& c : smb::DirectoryComputers("office.test", std::chrono::seconds(5)))
        hosts.push_back(c.dnsHostName + " / " + c.operatingSystem);
    std::sort(hosts.begin(), hosts.end());
    EXPECT_EQ(hosts, (std::vector<std::string>{"dc1.office.test / Samba", "files1.office.test / ",
                                               "printsrv.office.test / Windows Server 2022 Standard"}));

    netapi::SetProvider(smb::MakeSmbProvider());
    smb::SetKnownServers({u"FILES1"});  // named by hand under its short name
    const netenum::ServerListing listing = netenum::EnumServerNames(netapi::SV_TYPE_ALL);
    smb::SetKnownServers({});
    netapi::SetProvider(nullptr);

    EXPECT_EQ(listing.status, netapi::NERR_Success);
    const auto& names = listing.names;
    auto count = [&](std::u16string_view n) { return std::count(names.begin(), names.end(), n); };
    EXPECT_EQ(count(u"FILES1"), 1);
    EXPECT_EQ(count(u"files1.office.test"), 0);
    EXPECT_EQ(count(u"dc1.office.test"), 1);
    // A computer the directory knows that does not answer is not listed.
    EXPECT_EQ(count(u"printsrv.office.test"), 0);
}

}  // namespace
