// Reading what WS-Discovery peers and Avahi answer, and merging found
// computers: the messages are untrusted, so odd ones must come out harmless.
#include <gtest/gtest.h>
#include <unistd.h>

#include "discovery/DnsSd.h"
#include "discovery/WsDiscovery.h"

using namespace discovery;

namespace {

// As wsdd sends it: no XAddrs in a ProbeMatch.
const char* const kProbeMatches =
    R"(<?xml version="1.0" encoding="utf-8"?>
<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action><wsa:MessageID>urn:uuid:1</wsa:MessageID><wsd:AppSequence InstanceId="1" SequenceId="urn:uuid:2" MessageNumber="1" /></soap:Header><soap:Body><wsd:ProbeMatches><wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>urn:uuid:5c0ef2a1-0000-4000-8000-000000000001</wsa:Address></wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types><wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:ProbeMatch></wsd:ProbeMatches></soap:Body></soap:Envelope>)";

const char* const kResolveMatches =
    R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"><s:Body><d:ResolveMatches><d:ResolveMatch><a:EndpointReference><a:Address>urn:uuid:abc</a:Address></a:EndpointReference><d:Types>wsdp:Device pub:Computer</d:Types><d:XAddrs> http://192.0.2.9:5357/abc http://[fe80::1]:5357/abc </d:XAddrs></d:ResolveMatch></d:ResolveMatches></s:Body></s:Envelope>)";

TEST(WsDiscovery, MatchesGiveEndpointTypesAndAddresses) {
    auto matches = ParseMatches(kProbeMatches);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].endpoint, "urn:uuid:5c0ef2a1-0000-4000-8000-000000000001");
    EXPECT_TRUE(matches[0].isComputer);
    EXPECT_TRUE(matches[0].xaddrs.empty());

    matches = ParseMatches(kResolveMatches);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].xaddrs,
              (std::vector<std::string>{"http://192.0.2.9:5357/abc", "http://[fe80::1]:5357/abc"}));

    // A Probe of another client on the group is not an answer; nor is garbage.
    EXPECT_TRUE(ParseMatches(ProbeMessage("urn:uuid:x")).empty());
    EXPECT_TRUE(ParseMatches("<a><b>").empty());
    EXPECT_TRUE(ParseMatches(std::string(100, '<')).empty());
}

TEST(WsDiscovery, OurMessagesCarryWhatPeersCheck) {
    // wsdd answers only a Probe whose Types are exactly "wsdp:Device".
    const std::string probe = ProbeMessage("urn:uuid:1");
    EXPECT_EQ(ElementText(probe, "Types"), "wsdp:Device");
    EXPECT_EQ(ElementText(probe, "MessageID"), "urn:uuid:1");
    const std::string resolve = ResolveMessage("urn:uuid:2", "urn:uuid:<&>");
    EXPECT_EQ(ElementText(ElementText(resolve, "EndpointReference"), "Address"), "urn:uuid:<&>");
    const std::string get = GetMessage("urn:uuid:3", "urn:uuid:dev");
    EXPECT_EQ(ElementText(get, "To"), "urn:uuid:dev");
    EXPECT_EQ(ElementText(get, "Action"), "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get");
}

TEST(WsDiscovery, TheComputerMetadataGivesNameAndWorkgroupOrDomain) {
    std::string name, group;
    ASSERT_TRUE(ParseComputer(
        "<wsx:Metadata><wsdp:Relationship><wsdp:Host><wsdp:Types>pub:Computer</wsdp:Types>"
        "<pub:Computer>FILES01/Workgroup:OFFICE</pub:Computer></wsdp:Host></wsdp:Relationship>"
        "</wsx:Metadata>",
        name, group));
    EXPECT_EQ(name, "FILES01");
    EXPECT_EQ(group, "OFFICE");
    ASSERT_TRUE(ParseComputer("<pub:Computer>files/Domain:corp.example</pub:Computer>", name, group));
    EXPECT_EQ(group, "corp.example");
    ASSERT_TRUE(ParseComputer("<Computer> A&amp;B </Computer>", name, group));
    EXPECT_EQ(name, "A&B");  // decoded; whether it is usable is decided later
    EXPECT_EQ(group, "");
    EXPECT_FALSE(ParseComputer("<pub:Computer>/Workgroup:X</pub:Computer>", name, group));
    EXPECT_FALSE(ParseComputer("<pub:Computer>unterminated", name, group));
}

TEST(DnsSd, AResolvedServiceIsNamedByItsHostAndKeepsTheLinkOfALinkLocalAddress) {
    FoundComputer f = FromDnsSd("Files on Ann's Mac", "anns-mac.local", "192.0.2.4", "eth0");
    EXPECT_EQ(f.name, "anns-mac");
    EXPECT_EQ(f.address, "192.0.2.4");
    f = FromDnsSd("NAS", "odd host!.local", "fe80::2", "eth1");
    EXPECT_EQ(f.name, "NAS");
    EXPECT_EQ(f.address, "fe80::2%eth1");
    f = FromDnsSd("x y", "", "2001:db8::5", "eth1");
    EXPECT_EQ(f.name, "");
    EXPECT_EQ(f.address, "2001:db8::5");
}

TEST(Discovery, MergingDropsTheSameNameOrTheSameAddress) {
    std::vector<FoundComputer> all;
    Merge(all, {"FILES", "OFFICE", "192.0.2.1"});
    Merge(all, {"files", "", "192.0.2.2"});
    Merge(all, {"OTHER", "", "192.0.2.1"});
    Merge(all, {"", "", "192.0.2.3"});
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].address, "192.0.2.3");
    EXPECT_FALSE(IsPlainHostName("a.b"));
    EXPECT_FALSE(IsPlainHostName(std::string(64, 'a')));
    EXPECT_TRUE(IsPlainHostName("srv-01_b"));
}

}  // namespace

namespace {

// Against the system's Avahi daemon when one runs; nothing to look at otherwise.
TEST(DnsSdLive, ABrowseEndsInItsWindowAndGivesAddresses) {
    if (access("/run/avahi-daemon/socket", F_OK) != 0) GTEST_SKIP() << "no Avahi daemon runs here";
    for (const auto& found : discovery::DiscoverDnsSd(std::chrono::milliseconds(500)))
        EXPECT_FALSE(found.address.empty());
}

TEST(DnsSd, WithoutADaemonTheAnswerIsEmptyAtOnce) {
    if (access("/run/avahi-daemon/socket", F_OK) == 0) GTEST_SKIP() << "an Avahi daemon runs here";
    EXPECT_TRUE(discovery::DiscoverDnsSd(std::chrono::milliseconds(100)).empty());
}

}  // namespace
