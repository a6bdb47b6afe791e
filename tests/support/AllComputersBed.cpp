#include "AllComputersBed.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "ProgramRun.h"

namespace testing_support {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// "/srv/docs" and "a.doc" as srvsvc gives a Samba path: "C:\srv\docs\a.doc".
std::string ServerPath(const std::string& sharePath, const std::string& name) {
    std::string path = "C:" + sharePath + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace

const AllComputersBed& AllComputersBed::Get() {
    static const AllComputersBed bed = [] {
        AllComputersBed b;
        b.mRun = ReadFixtureRun("VANTOR_ALL_DIR");
        b.skip = b.mRun.skip;
        b.viaRelay = std::getenv("VANTOR_ALL_RELAY") != nullptr;
        if (!b.skip.empty()) return b;
        auto& env = b.mRun.env;
        for (const auto& name : Words(env["servers"]))
            b.servers.push_back({name, env[name + "_addr"], env[name + "_conf"], env[name + "_relay"]});
        b.hole = env["hole"];
        b.adminAuth = env["admin_auth"];
        b.users = Words(env["users"]);
        if (b.servers.size() != 3 || b.hole.empty() || b.users.size() < 2)
            b.skip = b.mRun.dir + "/env does not describe the bed";
        return b;
    }();
    return bed;
}

std::string AllComputersBed::UserName(const std::string& uid) const {
    // smbstatus names owners by uid: the bed's passwd file has the names.
    std::ifstream passwd(mRun.env.count("passwd") ? mRun.env.at("passwd") : "");
    for (std::string line; std::getline(passwd, line);) {
        std::istringstream fields(line);
        std::string name, x, id;
        std::getline(fields, name, ':');
        std::getline(fields, x, ':');
        std::getline(fields, id, ':');
        if (id == uid) return name;
    }
    return uid;
}

std::vector<std::string> AllComputersBed::StatusLines(const BedServer& server, const char* what) const {
    const auto run = RunProgram("/usr/bin/smbstatus", {"-s", server.conf, what}, {});
    std::vector<std::string> rows;
    std::istringstream in(run.out);
    bool body = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("-----", 0) == 0) body = true;
        else if (body && line.empty()) body = false;
        else if (body) rows.push_back(line);
    }
    return rows;
}

std::vector<PathAndUser> AllComputersBed::OpenFiles(const BedServer& server) const {
    std::vector<PathAndUser> files;
    for (const auto& line : StatusLines(server, "-L")) {
        // Pid User(ID) DenyMode Access R/W Oplock, then share path, name and
        // time apart by three spaces (a name may hold single ones).
        const auto words = Words(line);
        if (words.size() < 8) continue;
        std::size_t at = 0;
        for (int i = 0; i < 6; ++i) {
            at = line.find_first_not_of(' ', at);
            at = line.find(' ', at);
        }
        at = line.find_first_not_of(' ', at);
        const auto nameAt = line.find("   ", at);
        const auto timeAt = line.find("   ", nameAt + 3);
        if (nameAt == std::string::npos || timeAt == std::string::npos) continue;
        files.emplace_back(ServerPath(line.substr(at, nameAt - at), line.substr(nameAt + 3, timeAt - nameAt - 3)),
                           UserName(words[1]));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<UserAndClient> AllComputersBed::Sessions(const BedServer& server) const {
    std::vector<UserAndClient> sessions;
    for (const auto& line : StatusLines(server, "-b")) {
        // PID Username Group Machine (ipv4:...) ...
        const auto words = Words(line);
        if (words.size() >= 4) sessions.emplace_back(UserName(words[1]), words[3]);
    }
    std::sort(sessions.begin(), sessions.end());
    return sessions;
}

bool AllComputersBed::WaitUntilIdle() const {
    const auto isBedUser = [this](const std::string& user) {
        return std::find(users.begin(), users.end(), user) != users.end();
    };
    for (int attempt = 0; attempt < 50; ++attempt) {
        bool idle = true;
        for (const auto& s : servers) {
            for (const auto& [path, user] : OpenFiles(s)) idle = idle && !isBedUser(user);
            for (const auto& [user, client] : Sessions(s)) idle = idle && !isBedUser(user);
        }
        if (idle) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::unique_ptr<FileHolder> AllComputersBed::Hold(const std::string& holder, const BedServer& server,
                                                  const std::string& user,
                                                  const std::vector<std::string>& paths) const {
    // The server itself, never its relay: what is held must not depend on the pass.
    return std::make_unique<FileHolder>(holder, server.address, user, mRun.env.at("password"), paths);
}

}  // namespace testing_support
