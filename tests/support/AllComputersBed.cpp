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

nlohmann::json AllComputersBed::Status(const BedServer& server, const char* what) const {
    const auto status = nlohmann::json::parse(
        RunProgram("/usr/bin/smbstatus", {"-s", server.conf, what, "--json"}, {}).out, nullptr, false);
    return status.is_object() ? status : nlohmann::json::object();
}

std::vector<PathAndUser> AllComputersBed::OpenFiles(const BedServer& server) const {
    std::vector<PathAndUser> files;
    const auto open = Status(server, "-L").value("open_files", nlohmann::json::object());
    for (const auto& [path, file] : open.items())
        for (const auto& [id, by] : file["opens"].items())
            files.emplace_back(ServerPath(file["service_path"], file["filename"]), UserName(by["uid"].dump()));
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<UserAndClient> AllComputersBed::Sessions(const BedServer& server) const {
    std::vector<UserAndClient> sessions;
    const auto all = Status(server, "-b").value("sessions", nlohmann::json::object());
    for (const auto& [id, session] : all.items())
        sessions.emplace_back(UserName(session["uid"].dump()), session["remote_machine"]);
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
