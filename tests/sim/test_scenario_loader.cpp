#include <gtest/gtest.h>

#include <set>

#include "sim/ScenarioLoader.h"

namespace {

using namespace netapi;

// Each kind of mistake names the file, the place and the fault, on one line
// whatever the names hold.
TEST(ScenarioLoader, EveryMistakeNamesFilePlaceAndFault) {
    const struct {
        const char *json, *place, *fault;  // fault: a part of the fault text
    } cases[] = {
        {"{\"computers\": [\n  {\"name\": \"A\",}\n]}", "line 2, column 16", "bad JSON"},
        {R"({"computers": [{"type": 1}]})", "/computers/0", "missing field \"name\""},
        {R"({"computers": [{"name": "A", "files": [{"id": "7", "path": "x"}]}]})", "/computers/0/files/0/id",
         "expected an integer, found a string"},
        {R"({"computers": [{"name": "FS"}, {"name": "fs"}]})", "/computers/1/name",
         "duplicate computer name \"fs\" (also at /computers/0)"},
        {R"({"computers": [{"name": "A\nB"}, {"name": "a\nb"}]})", "/computers/1/name", "\"a\\x0Ab\""},
        {R"({"computers": [{"name": "A", "files": [{"id": 7, "path": "x"}, {"id": 7, "path": "y"}]}]})",
         "/computers/0/files/1/id", "duplicate file id 7 (also at /computers/0/files/0/id)"},
        {R"({"computers": [{"name": "A", "local": true}, {"name": "B", "local": true}]})",
         "/computers/1/local", "second local computer"},
        {R"({"computers": [{"name": "A", "faults": [{"call": "NetFooEnum", "status": 5}]}]})",
         "/computers/0/faults/0/call", "unknown fault call \"NetFooEnum\""},
        {R"({"computers": [{"name": "A", "files": [{"id": 1, "path": "x", "locks": 4294967296}]}]})",
         "/computers/0/files/0/locks", "out of range: 4294967296"},
        {R"({"computers": [{"name": "A", "timezone": 5000}]})", "/computers/0/timezone", "out of range"},
        {R"({"computers": [{"nmae": "A"}]})", "/computers/0", "unknown field \"nmae\""},
        {R"({"computers": [{"name": "A", "faults": [{"call": "NetRemoteTOD", "partial": 2}]}]})",
         "/computers/0/faults/0/partial", "only to enumerations"},
        {R"({"computers": [{"name": "A", "files": [{"id": 1, "path": "x", "user": "u", "client": "PC9"}]}]})",
         "/computers/0/files/0/client", "no session from client \"PC9\""},
        {R"({"computers": 7})", "/computers", "expected an array, found an integer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        try {
            sim::LoadScenario(c.json, "office.json");
            ADD_FAILURE() << "loaded";
        } catch (const sim::ScenarioError& e) {
            const std::string what = e.what();
            EXPECT_EQ(e.Place(), c.place);
            EXPECT_EQ(what.rfind(std::string("office.json: ") + c.place + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(c.fault), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

TEST(ScenarioLoader, UnreadableFileAndProgrammaticScenarioAreReportedToo) {
    try {
        sim::LoadScenarioFile("/nonexistent/office.json");
        FAIL();
    } catch (const sim::ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/nonexistent/office.json: cannot open the file", 0), 0u)
            << e.what();
    }
    sim::Scenario s;
    s.computers.resize(1);
    s.computers[0].name = u"FS";
    s.computers[0].files = {{1, 1, 0, u"a", std::nullopt, std::nullopt, std::nullopt},
                            {1, 1, 0, u"b", std::nullopt, std::nullopt, std::nullopt}};
    EXPECT_THROW(sim::SimulatedNetwork(std::move(s), "bench"), sim::ScenarioError);
}

// The bundled office: what the demo and the README promise.
TEST(DemoScenario, LoadsWithThePromisedShape) {
    auto net = sim::LoadDemoScenario();
    net->SetSleeper([](std::chrono::milliseconds) {});
    std::u16string name;
    ASSERT_EQ(net->LocalComputerName(name), 0u);
    EXPECT_EQ(name, u"ADMIN-PC");

    std::set<std::u16string> names;
    DWORD types = 0;
    for (const auto& server : net->ServerEnum(SV_TYPE_ALL, std::nullopt).records) {
        names.insert(*server.name);
        types |= server.type;
    }
    EXPECT_TRUE(names.count(u"FILESRV01") && names.count(u"BACKUP01") && names.count(u"HRSRV02"));
    EXPECT_NE(types & SV_TYPE_DOMAIN_CTRL, 0u);
    EXPECT_NE(types & SV_TYPE_PRINTQ_SERVER, 0u);

    const auto files = net->FileEnum(u"FILESRV01", {}, {});
    ASSERT_EQ(files.status, 0u);
    EXPECT_GE(files.records.size(), 50u);
    EXPECT_LE(files.records.size(), 70u);
    std::set<std::u16string> users;
    int pipes = 0, adminShare = 0;
    for (const auto& file : files.records) {
        users.insert(file.username.value_or(u""));
        pipes += file.pathname->starts_with(u"\\PIPE\\");
        adminShare += file.pathname->starts_with(u"C:\\");
    }
    EXPECT_GE(users.size(), 8u);
    EXPECT_GE(pipes, 3);
    EXPECT_GE(adminShare, 1);

    bool guest = false;
    for (const auto& session : net->SessionEnum(u"FILESRV01", {}, {}, 502).records)
        guest = guest || session.user_flags == SESS_GUEST;
    EXPECT_TRUE(guest);
    EXPECT_FALSE(net->ConnectionEnum(u"FILESRV01", u"Finance").records.empty());

    EXPECT_EQ(net->FileEnum(u"HRSRV02", {}, {}).status, ERROR_ACCESS_DENIED);
}

}  // namespace
