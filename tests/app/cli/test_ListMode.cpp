// The list mode through the real program on simulated networks, and the
// fan-out to one process per server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/ListMode.h"
#include "app/cli/ServerFanOut.h"
#include "support/ProgramRun.h"
#include "text/Text.h"

using nlohmann::ordered_json;

namespace {

const std::string kHostile = std::string(VANTOR_TEST_DIR) + "/hostile-lists.json";

using Result = testing_support::ProgramRun;

// The real program on a simulated network, without a display or the user's
// settings. Standard output is a pipe unless `outFile` names a file.
Result RunVantor(const std::vector<std::string>& args, const std::string& network,
                 const std::string& outFile = "") {
    return testing_support::RunProgram(
        VANTOR_BINARY, args,
        {{"VANTOR_NETWORK", network}, {"XDG_CONFIG_HOME", "/nonexistent-vantor-config"}},
        {"DISPLAY", "QT_QPA_PLATFORM"}, outFile);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(ListModeCommandLine, MalformedLinesAreRefusedBeforeAnyNetworkIsAsked) {
    // Through the program: exit 2, a usage line, nothing on standard output.
    // The scenario path does not exist: a malformed line never gets that far.
    const Result bad = RunVantor({"--list", "files"}, "/nonexistent.json");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("usage: vantor SERVER,PATTERN,c | vantor --list"), std::string::npos) << bad.err;
    const Result help = RunVantor({"--help"}, "/nonexistent.json");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("vantor SERVER,PATTERN,c"), std::string::npos);
    EXPECT_NE(help.out.find("vantor --list files|sessions|shares|connections"), std::string::npos);
}

TEST(ListModeDemo, EveryListFromSeveralServersOneUnreachable) {
    const std::pair<std::vector<std::string>, std::string> kinds[] = {
        {{"--list", "files"}, "server,id,user,access,locks,path"},
        {{"--list", "sessions"}, "server,user,client,opens,time,idle,guest,transport"},
        {{"--list", "shares"}, "server,share,type,uses,max_uses,path,remark"},
        {{"--list", "connections", "--share", "IPC$"}, "server,share,client,user,opens,users,time"}};
    for (auto [args, header] : kinds) {
        SCOPED_TRACE(args[1]);
        args.insert(args.end(), {"--server", "FILESRV01", "--server", "BACKUP01", "--server", "PRINTSRV01",
                                 "--format", "csv"});
        const Result r = RunVantor(args, "demo");
        EXPECT_EQ(r.status, 1);
        // The unreachable server is one line; the others are listed anyway, in the order asked.
        ASSERT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("vantor: BACKUP01: Net", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(" error 53 : The network path was not found."), std::string::npos);
        const auto lines = Lines(r.out);
        ASSERT_GT(lines.size(), 2u);
        EXPECT_EQ(lines[0], header + "\r");
        // Each server's rows are one answer (ServerFanOut below keeps their order).
        EXPECT_EQ(lines[1].rfind("FILESRV01,", 0), 0u) << lines[1];
        EXPECT_EQ(lines.back().rfind("PRINTSRV01,", 0), 0u) << lines.back();
    }
}

TEST(ListModeHostile, ServerTextRoundTripsAsDataInEveryFormat) {
    const Result json = RunVantor({"--list", "files", "--server", "ODDSRV", "--format", "json"}, kHostile);
    ASSERT_EQ(json.status, 0) << json.err;
    const auto rows = ordered_json::parse(json.out);
    ASSERT_EQ(rows.size(), 4u);  // the cells themselves: the CSV below
    EXPECT_EQ(rows[0]["id"].get<std::uint64_t>(), 4294967295u);
    EXPECT_EQ(rows[2]["path"], "D:\\Odd\\line1\nline2\r\x1b[31mred\xe2\x80\xaetxt.exe");

    // Quoted where a cell needs it, formula-leading cells defused.
    const Result csv = RunVantor({"--list", "files", "--server", "ODDSRV", "--format", "csv"}, kHostile);
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out, "server,id,user,access,locks,path\r\n"
                       "ODDSRV,4294967295,'@evil,Read+Write,2,\"D:\\Odd\\a,b\\\"\"q\"\".txt\"\r\n"
                       "ODDSRV,2,'-2+3,Read,0,D:\\F\\=cmd|' /C calc'!A0\r\n"
                       "ODDSRV,3,<i>x</i>\x1b[2J,Read,0,\"D:\\Odd\\line1\nline2\r\x1b[31mred\u202etxt.exe\"\r\n"
                       "ODDSRV,4,'@evil,Read,0,D:\\Odd\\Ünïcødé 日本 BUDGET.xlsx\r\n");

    const Result table = RunVantor({"--list", "files", "--server", "ODDSRV", "--format", "table"}, kHostile);
    EXPECT_EQ(Lines(table.out).size(), 5u) << "one line per row, whatever the text holds";
    EXPECT_EQ(table.out.find('\x1b'), std::string::npos);
    EXPECT_NE(table.out.find("line1\\nline2\\r\\x1b[31mred\\u202etxt.exe"), std::string::npos);

    const Result shareCsv = RunVantor({"--list", "shares", "--server", "ODDSRV", "--format", "csv"}, kHostile);
    EXPECT_EQ(shareCsv.out, "server,share,type,uses,max_uses,path,remark\r\n"
                            "ODDSRV,IPC$,IPC special,3,-1,,Remote IPC\r\n"
                            "ODDSRV,\"Odd,Share\",Disk,2,-1,D:\\Odd,\"<b>bold</b>, \"\"quoted\"\"\nsecond line\"\r\n"
                            "ODDSRV,'=Formula,Disk,1,-1,D:\\F,'@SUM(A1:A9)\r\n");
}

TEST(ListModeHostile, WhoHasItOpenAcrossEveryServerIgnoringCase) {
    const Result r = RunVantor(
        {"--list", "files", "--server", "all", "--match", "*budget*.XLSX", "--format", "json"}, kHostile);
    EXPECT_EQ(r.status, 1) << "DEADSRV could not be asked, PARTSRV answered only part";
    EXPECT_EQ(r.err, "vantor: PARTSRV: list incomplete: 2 of 3 files\n"
                     "vantor: DEADSRV: NetFileEnum error 53 : The network path was not found.\n");
    const auto rows = ordered_json::parse(r.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["server"], "ODDSRV");
    EXPECT_EQ(rows[0]["id"], 4);
    EXPECT_EQ(rows[1]["server"], "PLAINSRV");
    EXPECT_EQ(rows[1]["user"], "zoe");

    // Letter case folded beyond ASCII.
    const Result folded = RunVantor(
        {"--list", "files", "--server", "ODDSRV", "--match", "*ÜNÏCØDÉ*", "--format", "json"}, kHostile);
    EXPECT_EQ(folded.status, 0);
    EXPECT_EQ(ordered_json::parse(folded.out).size(), 1u);

    // A server name with control characters stays one escaped line.
    const Result odd = RunVantor({"--list", "shares", "--server", "evil\nname\x1b[2J"}, kHostile);
    EXPECT_EQ(odd.status, 1);
    EXPECT_EQ(Lines(odd.err).size(), 1u);
    EXPECT_EQ(odd.err.rfind("vantor: evil\\nname\\x1b[2J: NetShareEnum error 53", 0), 0u) << odd.err;
}

TEST(ListModeHostile, WithoutFormatAPipeGetsCsvAFileCsvWithItsByteOrderMarkAFullDiskAFailure) {
    const Result piped = RunVantor({"--list", "sessions", "--server", "PLAINSRV"}, kHostile);
    EXPECT_EQ(piped.out, "server,user,client,opens,time,idle,guest,transport\r\n"
                         "PLAINSRV,zoe,WS9,1,00:00:10,00:00:00,No,\r\n");
    const std::string file = "/tmp/vantor-list-" + std::to_string(getpid()) + "-sessions.csv";
    const Result toFile = RunVantor({"--list", "sessions", "--server", "PLAINSRV"}, kHostile, file);
    EXPECT_EQ(toFile.status, 0);
    std::ifstream written(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "\xEF\xBB\xBF" + piped.out);
    std::remove(file.c_str());

    // A list that cannot be written is a failure of one line.
    const Result full = RunVantor({"--list", "sessions", "--server", "PLAINSRV"}, kHostile, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "vantor: the list could not be written to standard output: No space left on device\n");
}

TEST(ServerFanOut, AnswersComeInTheOrderAskedAndADyingChildSpoilsOnlyItsOwn) {
    const std::vector<std::u16string> servers = {u"a", u"b", u"crash", u"d", u"e"};
    const std::string big(100000, 'x');
    const auto answers = app::AskEachServer(
        servers,
        [&](const std::u16string& server) {
            if (server == u"crash") std::raise(SIGKILL);
            app::ServerAnswer answer;
            answer.Add(server);
            answer.Add(big);
            if (server == u"d") answer.failures.push_back("d failed");
            return answer;
        },
        2);
    ASSERT_EQ(answers.size(), servers.size());
    for (std::size_t i : {0u, 1u, 3u, 4u}) {
        std::vector<std::string> cells;
        EXPECT_TRUE(answers[i].ForEachCell([&](std::string_view c) { cells.emplace_back(c); }));
        EXPECT_EQ(cells, (std::vector<std::string>{text::ToUtf8(servers[i]), big}));
    }
    EXPECT_EQ(answers[3].failures, (std::vector<std::string>{"d failed"}));
    EXPECT_EQ(answers[2].cellCount, 0u);
    EXPECT_EQ(answers[2].failures, (std::vector<std::string>{"the listing process ended with signal 9"}));

    // A cut or inflated answer is refused rather than read past its end.
    const std::string whole = app::EncodeAnswer(answers[3]);
    app::ServerAnswer decoded;
    EXPECT_TRUE(app::DecodeAnswer(whole, decoded));
    EXPECT_EQ(app::EncodeAnswer(decoded), whole);
    EXPECT_FALSE(app::DecodeAnswer(whole.substr(0, whole.size() - 1), decoded));
    std::string inflated = whole;
    inflated[0] = '\x03';  // three cells claimed, two sent
    EXPECT_FALSE(app::DecodeAnswer(inflated, decoded));
    EXPECT_FALSE(app::DecodeAnswer(std::string("\xff\xff\xff\x7f", 4), decoded));
    // Text leaves as UTF-8, characters beyond the first plane included.
    app::ServerAnswer wide;
    wide.Add(std::u16string(u"\u00e9\u65e5\U0001F600"));
    EXPECT_EQ(wide.cells.substr(4), "\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80");
}
