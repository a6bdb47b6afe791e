// The share commands against the chosen network: accounts looked up first,
// the share read before it is changed, one line on the output for what was
// done and one on the error stream for each failure.
#include <cerrno>
#include <cstring>
#include <ostream>

#include "CommandLine.h"
#include "ShareMode.h"
#include "app/NetworkChoice.h"
#include "listformat/Escape.h"
#include "listformat/Formats.h"
#include "netenum/AccountNames.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "text/Text.h"

namespace app {
namespace {

using netapi::PermissionChange;

std::string Quoted(std::u16string_view s) { return "\"" + text::ToUtf8(text::EscapeControls(s)) + "\""; }

class Run {
public:
    Run(const ShareCommand& c, std::ostream& out, std::ostream& err)
        : c(c), out(out), err(err), server(text::ToUtf8(text::EscapeControls(c.server))) {}

    // One failure line, and what the log-on was made with when one was refused.
    int Fail(const std::string& what) {
        err << "vantor: " << server << ": " << listformat::EscapeControls(what) << '\n';
        if (const std::string tried = RefusedLogon(c.server); !tried.empty())
            err << "vantor: " << server << ": logged on with " << tried << "; the server refused it\n";
        err.flush();
        return kExitFailed;
    }
    int Fail(std::u16string_view call, netapi::NET_API_STATUS status, const std::string& before = "") {
        return Fail(before + text::ToUtf8(text::JoinLineParts(netenum::FailureLine(call, status))));
    }
    int Done(const std::string& what) {
        out << server << ": " << what << '\n';
        out.flush();
        return out.good() ? kExitOk : Fail("the result could not be written to standard output");
    }

    // Every account named gets its SID: SIDs as typed, names from the server.
    std::optional<int> LookUp(std::vector<PermissionChange>& changes) {
        std::vector<std::u16string> names;
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (auto sid = netapi::Sid::FromString(changes[i].account)) {
                changes[i].sid = std::move(*sid);
            } else {
                names.push_back(changes[i].account);
                at.push_back(i);
            }
        }
        if (!names.empty()) {
            std::vector<netapi::AccountLookup> found;
            const auto status = netapi::NetLookupAccountNames(Host(), names, found);
            if (status != 0 && status != netapi::ERROR_SOME_NOT_MAPPED && status != netapi::ERROR_NONE_MAPPED)
                return Fail(u"LsarLookupNames", status);
            for (std::size_t k = 0; k < names.size(); ++k) {
                if (k >= found.size() || !found[k].resolved)
                    return Fail("the account " + Quoted(names[k]) + " is not known there; nothing was changed");
                changes[at[k]].sid = found[k].sid;
            }
        }
        if (const auto contradiction = netapi::ContradictionIn(changes, true))
            return Fail(*contradiction + "; nothing was changed");
        return std::nullopt;
    }

    int Add(std::vector<PermissionChange> changes) {
        if (const auto failed = LookUp(changes)) return *failed;
        std::u16string name = c.name, path = c.path, remark = c.remark.value_or(u"");
        netapi::SHARE_INFO_502 info{};
        info.shi502_netname = name.data();
        info.shi502_type = netapi::STYPE_DISKTREE;
        info.shi502_remark = remark.data();
        info.shi502_max_uses = c.maxUses.value_or(netapi::SHI_USES_UNLIMITED);
        info.shi502_path = path.data();
        std::vector<std::uint8_t> sd;
        if (!changes.empty()) {
            sd = netapi::BuildSecurityDescriptor(netapi::ApplyPermissionChanges({}, changes));
            info.shi502_security_descriptor = sd.data();
        }
        netapi::DWORD parm = 0;
        // Level 2 where there is no descriptor: the server's default permissions.
        const auto status = netapi::NetShareAdd(Host(), changes.empty() ? 2 : 502,
                                                reinterpret_cast<netapi::LPBYTE>(&info), &parm);
        if (status != 0) return Fail(u"NetShareAdd", status);
        return Done("shared " + Quoted(c.path) + " as " + Quoted(c.name));
    }

    int Remove() {
        const auto status = netapi::NetShareDel(Host(), c.name.c_str(), 0);
        if (status != 0) return Fail(u"NetShareDel", status);
        return Done(Quoted(c.name) + " is no longer shared");
    }

    int Set(std::vector<PermissionChange> changes) {
        if (const auto failed = LookUp(changes)) return *failed;
        netapi::ShareState state;
        std::string why;
        if (const auto status = netapi::ReadShareState(Host(), c.name.c_str(), state, &why); status != 0)
            return Fail(u"NetShareGetInfo", status, why.empty() ? "" : why + ": ");
        netapi::ShareUpdate update;
        update.remark = c.remark;
        update.maxUses = c.maxUses;
        if (!changes.empty())
            update.descriptor = netapi::ApplyPermissionChanges(netapi::EffectiveDescriptor(state), changes);
        const auto outcome = netapi::WriteShareUpdate(Host(), c.name.c_str(), state, update);
        const std::string written = Joined(outcome.changed);
        if (outcome.status != 0)
            return Fail(u"NetShareSetInfo", outcome.status,
                        "share " + Quoted(c.name) + ": the " + outcome.failed + " could not be changed" +
                            (written.empty() ? "" : " (" + written + " changed)") + ": ");
        if (written.empty()) return Done("share " + Quoted(c.name) + ": nothing to change");
        return Done("share " + Quoted(c.name) + ": " + written + " changed");
    }

    int ListPermissions(OutputKind output) {
        netapi::ShareState state;
        std::string why;
        if (const auto status = netapi::ReadShareState(Host(), c.name.c_str(), state, &why); status != 0)
            return Fail(u"NetShareGetInfo", status, why.empty() ? "" : why + ": ");
        const netapi::SecurityDescriptor sd = netapi::EffectiveDescriptor(state);
        std::vector<netapi::Sid> sids;
        for (const auto& ace : sd.dacl)
            if (ace.IsAllowOrDeny()) sids.push_back(ace.sid);
        std::vector<netapi::AccountLookup> names;
        bool failed = false;
        if (!sids.empty()) {
            const auto status = netapi::NetLookupAccountSids(Host(), sids, names);
            // Without names the list still stands, by SID.
            if (status != 0 && status != netapi::ERROR_SOME_NOT_MAPPED && status != netapi::ERROR_NONE_MAPPED) {
                Fail(u"LsarLookupSids", status);
                failed = true;
            }
        }
        listformat::Table table({{"server"}, {"share"}, {"account"}, {"sid"}, {"type"}, {"access"}});
        std::size_t k = 0;
        for (const auto& ace : sd.dacl) {
            if (!ace.IsAllowOrDeny()) {
                table.AddRow({text::ToUtf8(c.server), text::ToUtf8(c.name), "", "", "other", "special"});
                continue;
            }
            const std::u16string account = k < names.size() ? netapi::DisplayName(names[k]) : ace.sid.ToString();
            ++k;
            table.AddRow({text::ToUtf8(c.server), text::ToUtf8(c.name), text::ToUtf8(account),
                          text::ToUtf8(ace.sid.ToString()),
                          ace.type == netapi::ACCESS_DENIED_ACE_TYPE ? "deny" : "allow",
                          netapi::RightName(ace.Right())});
        }
        errno = 0;
        switch (c.format.value_or(output == OutputKind::Terminal ? ListFormat::Table : ListFormat::Csv)) {
            case ListFormat::Table: out << listformat::ToTextTable(table); break;
            case ListFormat::Csv: out << listformat::ToCsv(table, output == OutputKind::File); break;
            case ListFormat::Json: out << listformat::ToJson(table); break;
        }
        out.flush();
        if (!out.good())
            return Fail(std::string("the list could not be written to standard output") +
                        (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()));
        return failed ? kExitFailed : kExitOk;
    }

private:
    const char16_t* Host() const { return c.server.c_str(); }

    static std::string Joined(const std::vector<std::string>& parts) {
        std::string s;
        for (std::size_t i = 0; i < parts.size(); ++i)
            s += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
        return s;
    }

    const ShareCommand& c;
    std::ostream& out;
    std::ostream& err;
    std::string server;
};

}  // namespace

int RunShareCommand(const ShareCommand& command, OutputKind output, std::ostream& out, std::ostream& err) {
    Run run(command, out, err);
    switch (command.action) {
        case ShareCommand::Action::Add: return run.Add(command.changes);
        case ShareCommand::Action::Set: return run.Set(command.changes);
        case ShareCommand::Action::Remove: return run.Remove();
        case ShareCommand::Action::ListPermissions: return run.ListPermissions(output);
    }
    return kExitMalformed;
}

}  // namespace app
