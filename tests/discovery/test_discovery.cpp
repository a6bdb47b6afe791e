// Reading what WS-Discovery peers and Avahi answer, and what one listing
// keeps of it: every message is untrusted, so odd ones must come out
// harmless and nobody may steer where a request goes.
#include <gtest/gtest.h>
#include <unistd.h>

#include "discovery/DnsSd.h"
#include "discovery/WsDiscovery.h"
#include "discovery/WsdListing.h"

using namespace discovery;

namespace {

const std::string kNamespaces =
    R"(xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07")";

// An answer as wsdd sends it (no XAddrs in a ProbeMatch), relating to `relatesTo`.
std::string Answer(const std::string& relatesTo, const std::string& matches,
                   const std::string& kind = "ProbeMatches") {
    return R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope )" + kNamespaces +
           R"(><soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/)" +
           kind + "</wsa:Action><wsa:MessageID>urn:uuid:1</wsa:MessageID><wsa:RelatesTo>" + relatesTo +
           R"(</wsa:RelatesTo><wsd:AppSequence InstanceId="1" SequenceId="urn:uuid:2" MessageNumber="1" /></soap:Header><soap:Body><wsd:)" +
           kind + ">" + matches + "</wsd:" + kind + "></soap:Body></soap:Envelope>";
}

std::string Match(const std::string& endpoint, const std::string& xaddrs = "",
                  const std::string& types = "wsdp:Device pub:Computer",
                  const std::string& kind = "ProbeMatch") {
    return "<wsd:" + kind + "><wsa:EndpointReference><wsa:Address>" + endpoint +
           "</wsa:Address></wsa:EndpointReference><wsd:Types>" + types + "</wsd:Types>" +
           (xaddrs.empty() ? "" : "<wsd:XAddrs>" + xaddrs + "</wsd:XAddrs>") +
           "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:" + kind + ">";
}

// A WS-Transfer Get reply as wsdd sends it, in an HTTP reply.
std::string Metadata(const std::string& computer) {
    const std::string body =
        R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope )" + kNamespaces +
        R"( xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex"><soap:Header/><soap:Body><wsx:Metadata><wsx:MetadataSection Dialect="http://schemas.xmlsoap.org/ws/2006/02/devprof/Relationship"><wsdp:Relationship Type="http://schemas.xmlsoap.org/ws/2006/02/devprof/host"><wsdp:Host><wsa:EndpointReference><wsa:Address>urn:uuid:x</wsa:Address></wsa:EndpointReference><wsdp:Types>pub:Computer</wsdp:Types><wsdp:ServiceId>urn:uuid:x</wsdp:ServiceId><pub:Computer>)" +
        computer + "</pub:Computer></wsdp:Host></wsdp:Relationship></wsx:MetadataSection></wsx:Metadata></soap:Body></soap:Envelope>";
    return "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One line per match or computer, so that a test compares all of what was read.
std::string Show(const std::vector<discovery::Match>& matches) {
    std::string out;
    for (const auto& m : matches) {
        out += m.endpoint + (m.isComputer ? " computer" : "");
        for (const auto& x : m.xaddrs) out += " " + x;
        out += "\n";
    }
    return out;
}
std::string Show(const std::vector<FoundComputer>& found) {
    std::string out;
    for (const auto& f : found) out += f.name + "/" + f.group + "@" + f.address + "\n";
    return out;
}

TEST(WsDiscovery, MatchesAreReadByNamespaceNotByPrefix) {
    const auto read = ReadMatches(Answer("urn:uuid:probe", Match("urn:uuid:a") +
                                                         Match("urn:uuid:b", " http://192.0.2.9:5357/b  http://[fe80::1]:5357/b ")));
    EXPECT_EQ(read.relatesTo, "urn:uuid:probe");
    EXPECT_EQ(Show(read.matches),
              "urn:uuid:a computer\nurn:uuid:b computer http://192.0.2.9:5357/b http://[fe80::1]:5357/b\n");

    // Any prefix bound to the right namespaces, comments and CDATA included.
    const std::string renamed =
        R"(<e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope" xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"><e:Header><a:RelatesTo>urn:uuid:p</a:RelatesTo></e:Header><e:Body><!-- hi --><d:ResolveMatches><d:ResolveMatch><a:EndpointReference><a:Address><![CDATA[urn:uuid:c]]></a:Address></a:EndpointReference><d:Types xmlns:x="http://schemas.microsoft.com/windows/pub/2005/07">x:Computer</d:Types><d:XAddrs>http://192.0.2.3/<!-- --></d:XAddrs></d:ResolveMatch></d:ResolveMatches></e:Body></e:Envelope>)";
    EXPECT_EQ(Show(ParseMatches(renamed)), "urn:uuid:c computer http://192.0.2.3/\n");

    // "pub:Computer" whose prefix names another namespace is no computer, nor
    // one whose prefix is bound nowhere; a Types element of another namespace
    // is no Types at all.
    const std::string otherTypes =
        "<wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>urn:uuid:e</wsa:Address></wsa:EndpointReference><x:Types xmlns:x=\"urn:other\">pub:Computer</x:Types></wsd:ProbeMatch>";
    EXPECT_EQ(Show(ParseMatches(Answer("p", Match("urn:uuid:d", "", "pub:Computer") + Match("urn:uuid:f", "", "q:Computer") +
                                                otherTypes))),
              "urn:uuid:d computer\nurn:uuid:f\nurn:uuid:e\n");

    // A Probe of another client is no answer; garbage, a document type (and
    // with it entities of the sender's) and a SOAP 1.1 envelope give nothing.
    std::string withEntity = Answer("p", Match("&e;"));
    withEntity.insert(withEntity.find("<soap:Envelope"), "<!DOCTYPE soap:Envelope [<!ENTITY e \"urn:uuid:z\">]>");
    for (const std::string& xml :
         {ProbeMessage("urn:uuid:x"), std::string("<a><b>"), std::string(100, '<'), withEntity,
          std::string(R"(<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"><s:Body><d:ProbeMatches/></s:Body></s:Envelope>)")})
        EXPECT_TRUE(ParseMatches(xml).empty()) << xml;
    // One oversized field spoils its own match only.
    EXPECT_EQ(Show(ParseMatches(Answer("p", Match(std::string(5000, 'u')) + Match("urn:uuid:ok")))),
              "urn:uuid:ok computer\n");
}

TEST(WsDiscovery, OurMessagesCarryWhatPeersCheck) {
    // wsdd answers only a Probe whose Types are exactly "wsdp:Device".
    const std::string probe = ProbeMessage("urn:uuid:1");
    EXPECT_EQ(ElementText(probe, kDiscoveryNs, "Types"), "wsdp:Device");
    EXPECT_EQ(ElementText(probe, kAddressingNs, "MessageID"), "urn:uuid:1");
    const std::string resolve = ResolveMessage("urn:uuid:2", "urn:uuid:<&>");
    EXPECT_EQ(ElementText(resolve, kAddressingNs, "Address"), "urn:uuid:<&>");
    const std::string get = GetMessage("urn:uuid:3", "urn:uuid:dev");
    EXPECT_EQ(ElementText(get, kAddressingNs, "To"), "urn:uuid:dev");
    EXPECT_EQ(ElementText(get, kAddressingNs, "Action"), "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get");
}

TEST(WsDiscovery, TheComputerMetadataGivesNameAndWorkgroupOrDomain) {
    const auto computer = [](const std::string& reply) {
        std::string name, group;
        return ParseComputer(HttpBody(reply).value_or(reply), name, group) ? name + "/" + group : "none";
    };
    EXPECT_EQ(computer(Metadata("FILES01/Workgroup:OFFICE")), "FILES01/OFFICE");
    EXPECT_EQ(computer(Metadata("files/Domain:corp.example")), "files/corp.example");
    EXPECT_EQ(computer(Metadata(" A&amp;B ")), "A&B/");  // decoded; whether it is usable is decided later
    EXPECT_EQ(computer(Metadata("/Workgroup:X")), "none");
    // Outside a SOAP body, or unbound prefixes: nothing.
    EXPECT_EQ(computer("<pub:Computer>FILES</pub:Computer>"), "none");
    EXPECT_EQ(computer(R"(<x:Computer xmlns:x="urn:other">FILES</x:Computer>)"), "none");
}

TEST(WsDiscovery, AnHttpReplyGivesItsBodyOnlyWhenWhole) {
    EXPECT_EQ(HttpBody("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef"), "abc");
    EXPECT_FALSE(HttpBody("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"));
    EXPECT_TRUE(HttpComplete("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc"));
    EXPECT_FALSE(HttpComplete("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nabc"));
    EXPECT_EQ(HttpBody("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2;x=y\r\nde\r\n0\r\n\r\n"), "abcde");
    EXPECT_FALSE(HttpBody("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n"));
    EXPECT_FALSE(HttpBody("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"));
    EXPECT_TRUE(HttpComplete("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"));  // never will be
    EXPECT_EQ(HttpBody("HTTP/1.0 200 OK\r\n\r\nto the end"), "to the end");
    EXPECT_FALSE(HttpBody("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
    EXPECT_FALSE(HttpBody("HTTP/1.1 2000 OK\r\n\r\n"));
    EXPECT_FALSE(HttpBody("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab"));
    EXPECT_FALSE(HttpBody("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nab"));
    EXPECT_FALSE(HttpBody("HTTP/1.1 200 OK\r\nno colon\r\n\r\n"));
}

TEST(WsDiscovery, UrlsAreHttpWithAHostAndAPort) {
    const auto url = SplitUrl("http://[fe80::1]:5357/x").value_or(Url{});
    EXPECT_EQ(url.host + " " + url.port + " " + url.path, "fe80::1 5357 /x");
    EXPECT_EQ(SplitUrl("http://192.0.2.1")->path, "/");
    for (const char* bad : {"https://192.0.2.1/", "http://192.0.2.1:0/", "http://192.0.2.1:99999/",
                            "http://192.0.2.1:x/", "http://a b/", "http:///p", "http://[::1/",
                            "http://u@192.0.2.1/", "http://192.0.2.1/a\r\nX: y"})
        EXPECT_FALSE(SplitUrl(bad)) << bad;
}

class Listing : public ::testing::Test {
protected:
    WsdListing listing{"urn:uuid:probe", {"192.0.2.100", "fe80::100"}};
};

TEST_F(Listing, OnlyAnswersToUsAndOnlyComputersCount) {
    EXPECT_TRUE(listing.Add(Answer("urn:uuid:someone-else", Match("urn:uuid:a")), "192.0.2.1", "").empty());
    EXPECT_TRUE(listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:printer", "", "wsdp:Device")), "192.0.2.2", "").empty());
    // A Hello relates to nothing of ours.
    listing.Add(Answer("", Match("urn:uuid:h", "http://192.0.2.3/", "pub:Computer", "Hello"), "Hello"), "192.0.2.3", "");
    EXPECT_TRUE(listing.Found().empty());

    // A computer without an address is resolved once; the answer to that Resolve counts.
    EXPECT_EQ(listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:a")), "192.0.2.1", ""),
              std::vector<std::string>{"urn:uuid:a"});
    EXPECT_TRUE(listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:a")), "192.0.2.1", "").empty());
    const std::string resolved =
        Answer("urn:uuid:resolve", Match("urn:uuid:a", "http://192.0.2.1:5357/a", "pub:Computer", "ResolveMatch"),
               "ResolveMatches");
    listing.Add(resolved, "192.0.2.1", "");
    EXPECT_TRUE(listing.Requests().empty());  // that Resolve was not ours
    listing.Resolving("urn:uuid:resolve");
    listing.Add(resolved, "192.0.2.1", "");
    ASSERT_EQ(listing.Requests().size(), 1u);
    EXPECT_EQ(listing.Requests()[0].url.port, "5357");
}

TEST_F(Listing, MetadataIsAskedOnlyOfTheAddressThatAnsweredAndAtMostTwice) {
    const std::string xaddrs =
        "http://198.51.100.7/elsewhere http://127.0.0.1/loop http://192.0.2.100/me "
        "http://[::ffff:192.0.2.1]:1/a http://192.0.2.1:2/b http://192.0.2.1:3/c";
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:a", xaddrs)), "192.0.2.1", "");
    // This machine and loopback are never neighbours, whatever they answer.
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:self", "http://192.0.2.100/")), "192.0.2.100", "");
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:lo", "http://127.0.0.1/")), "127.0.0.1", "");
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:lo6", "http://[::ffff:127.0.0.1]/")), "::ffff:127.0.0.1", "");
    const auto requests = listing.Requests();
    ASSERT_EQ(requests.size(), kXAddrsTried);
    EXPECT_EQ(requests[0].url.port, "1");
    EXPECT_EQ(requests[1].url.port, "2");
    // A later answer cannot move the endpoint somewhere else.
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:a", "http://192.0.2.1:9/z")), "192.0.2.1", "");
    EXPECT_EQ(listing.Requests()[0].url.port, "1");

    // The best ranked usable name wins; a name that is no host name is none.
    listing.Answer(requests[1], Metadata("SECOND/Workgroup:LAB"));
    listing.Answer(requests[0], Metadata("bad name/Workgroup:LAB"));
    EXPECT_EQ(Show(listing.Found()), "SECOND/LAB@192.0.2.1\n");
}

TEST_F(Listing, AFloodIsBoundedAcrossDatagramsAndCannotCrowdOthersOut) {
    // One host sends hundreds of computers in many datagrams; one other
    // answers after it.
    for (int datagram = 0; datagram < 40; ++datagram) {
        std::string matches;
        for (int i = 0; i < 20; ++i)
            matches += Match("urn:uuid:" + std::to_string(datagram) + "-" + std::to_string(i), "http://10.1.1.1/");
        listing.Add(Answer("urn:uuid:probe", matches), "10.1.1.1", "");
    }
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:late", "http://10.1.1.2/")), "10.1.1.2", "");
    EXPECT_EQ(listing.EndpointCount(), kMaxEndpointsPerAddress + 1);
    ASSERT_EQ(listing.Found().size(), 2u);
    EXPECT_EQ(listing.Requests().size(), kXAddrsTried + 1);

    // Many hosts: the listing as a whole stops at its cap.
    for (int host = 0; host < 200; ++host) {
        std::string matches;
        for (int i = 0; i < 3; ++i) matches += Match("urn:uuid:h" + std::to_string(host) + "-" + std::to_string(i));
        listing.Add(Answer("urn:uuid:probe", matches), "10.2." + std::to_string(host) + ".1", "");
    }
    EXPECT_EQ(listing.EndpointCount(), kMaxEndpoints);
    EXPECT_LE(listing.Found().size(), kMaxEndpoints);
}

TEST_F(Listing, TwoComputersClaimingOneNameAreBothKeptWithTheirAddresses) {
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:real", "http://192.0.2.5/")), "192.0.2.5", "");
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:real", "http://192.0.2.66/")), "192.0.2.66", "");
    for (const auto& r : listing.Requests()) listing.Answer(r, Metadata("FILES2/Workgroup:LAB"));
    EXPECT_EQ(Show(listing.Found()), "FILES2/LAB@192.0.2.5\nFILES2/LAB@192.0.2.66\n");

    // A dual-stack computer's IPv6 answer of the same endpoint and name is the same computer.
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:real", "http://[fe80::5]/")), "fe80::5", "eth0");
    for (const auto& r : listing.Requests())
        if (r.url.host == "fe80::5") listing.Answer(r, Metadata("FILES2"));
    listing.Add(Answer("urn:uuid:probe", Match("urn:uuid:other", "http://[fe80::6]/")), "fe80::6", "eth0");
    EXPECT_EQ(Show(listing.Found()), "FILES2/LAB@192.0.2.5\nFILES2/LAB@192.0.2.66\n/@fe80::6%eth0\n");
}

TEST(DnsSd, AResolvedServiceIsNamedByItsHostAndKeepsTheLinkOfALinkLocalAddress) {
    EXPECT_EQ(Show({FromDnsSd("Files on Ann's Mac", "anns-mac.local", "192.0.2.4", "eth0"),
                    FromDnsSd("NAS", "odd host!.local", "fe80::2", "eth1")}),
              "anns-mac/@192.0.2.4\nNAS/@fe80::2%eth1\n");

    std::vector<FoundComputer> found;
    AddDnsSd(found, "Mine", "me.local", "192.0.2.9", "eth0", true);  // this machine's own
    AddDnsSd(found, "Lo", "lo.local", "127.0.0.1", "lo", false);
    AddDnsSd(found, "Junk", "junk.local", "not an address", "eth0", false);
    AddDnsSd(found, "Files", "files.local", "192.0.2.4", "eth0", false);
    AddDnsSd(found, "Files", "files.local", "fe80::4", "eth0", false);   // the same host by IPv6
    AddDnsSd(found, "Files", "files.local", "192.0.2.40", "eth0", false);  // a second claimant
    EXPECT_EQ(Show(found), "files/@192.0.2.4\nfiles/@192.0.2.40\n");
    for (int i = 0; i < 1000; ++i) AddDnsSd(found, "S", "s" + std::to_string(i), "10.9." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1), "eth0", false);
    EXPECT_EQ(found.size(), kMaxFound);
}

TEST(Discovery, MergingKeepsOneComputerPerAddress) {
    std::vector<FoundComputer> all;
    Merge(all, {"", "", "192.0.2.1"});
    Merge(all, {"FILES", "OFFICE", "192.0.2.1"});  // lends the name the first lacked
    Merge(all, {"OTHER", "", "192.0.2.1"});
    Merge(all, {"FILES", "", "192.0.2.2"});
    EXPECT_EQ(Show(all), "FILES/OFFICE@192.0.2.1\nFILES/@192.0.2.2\n");
    EXPECT_FALSE(IsPlainHostName("a.b"));
    EXPECT_FALSE(IsPlainHostName(std::string(64, 'a')));
    EXPECT_TRUE(IsPlainHostName("srv-01_b"));
}

TEST(DnsSd, WithoutADaemonTheAnswerIsEmptyAtOnce) {
    if (access("/run/avahi-daemon/socket", F_OK) == 0 || std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
        GTEST_SKIP() << "an Avahi daemon may run here";
    EXPECT_TRUE(discovery::DiscoverDnsSd(std::chrono::milliseconds(100)).empty());
}

}  // namespace
