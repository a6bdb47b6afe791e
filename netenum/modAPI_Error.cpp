#include "modAPI_Error.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "CallControl.h"
#include "text/Text.h"

namespace netenum {
namespace {

using Table = std::map<std::uint32_t, std::u16string_view>;

// The platform's own wording: the system's and that of the two message
// modules, each code in one of them (MessageModuleFor tells which). Every
// message ends in CR LF as the message tables deliver it; GetErrorText
// removes one such pair.
const Table& Messages() {
    static const Table table = {
        {0, u"The operation completed successfully.\r\n"},
        {1, u"Incorrect function.\r\n"},
        {2, u"The system cannot find the file specified.\r\n"},
        {3, u"The system cannot find the path specified.\r\n"},
        {5, u"Access is denied.\r\n"},
        {6, u"The handle is invalid.\r\n"},
        {8, u"Not enough memory resources are available to process this command.\r\n"},
        {13, u"The data is invalid.\r\n"},
        {32, u"The process cannot access the file because it is being used by another process.\r\n"},
        {50, u"The request is not supported.\r\n"},
        {51, u"Windows cannot find the network path. Verify that the network path is correct and the destination computer is not busy or turned off. If Windows still cannot find the network path, contact your network administrator.\r\n"},
        {53, u"The network path was not found.\r\n"},
        {54, u"The network is busy.\r\n"},
        {58, u"The specified server cannot perform the requested operation.\r\n"},
        {59, u"An unexpected network error occurred.\r\n"},
        {64, u"The specified network name is no longer available.\r\n"},
        {65, u"Network access is denied.\r\n"},
        {67, u"The network name cannot be found.\r\n"},
        {71, u"No more connections can be made to this remote computer at this time because there are already as many connections as the computer can accept.\r\n"},
        {86, u"The specified network password is not correct.\r\n"},
        {87, u"The parameter is incorrect.\r\n"},
        {111, u"The file name is too long.\r\n"},
        {121, u"The semaphore timeout period has expired.\r\n"},
        {122, u"The data area passed to a system call is too small.\r\n"},
        {123, u"The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {124, u"The system call level is not correct.\r\n"},
        {170, u"The requested resource is in use.\r\n"},
        {234, u"More data is available.\r\n"},
        {1203, u"The network path was either typed incorrectly, does not exist, or the network provider is not currently available. Please try retyping the path or contact your network administrator.\r\n"},
        // A wait the person gave up with Esc, in the program's own short wording.
        {1223, u"Cancelled\r\n"},
        {1219, u"Multiple connections to a server or shared resource by the same user, using more than one user name, are not allowed. Disconnect all previous connections to the server or shared resource and try again.\r\n"},
        {1231, u"The network location cannot be reached. For information about network troubleshooting, see Windows Help.\r\n"},
        {1240, u"The account is not authorized to log in from this station.\r\n"},
        {1326, u"The user name or password is incorrect.\r\n"},
        {1327, u"Account restrictions are preventing this user from signing in. For example: blank passwords aren't allowed, sign-in times are limited, or a policy restriction has been enforced.\r\n"},
        {1330, u"The password for this account has expired.\r\n"},
        {1331, u"This user can't sign in because this account is currently disabled.\r\n"},
        {1301, u"Some mapping between account names and security IDs was not done.\r\n"},
        {1332, u"No mapping between account names and security IDs was done.\r\n"},
        {1338, u"The security descriptor structure is invalid.\r\n"},
        {1355, u"The specified domain either does not exist or could not be contacted.\r\n"},
        {1460, u"This operation returned because the timeout period expired.\r\n"},
        {1722, u"The RPC server is unavailable.\r\n"},
        {1726, u"The remote procedure call failed.\r\n"},
        {1727, u"The remote procedure call failed and did not execute.\r\n"},
        {1728, u"A remote procedure call (RPC) protocol error occurred.\r\n"},
        {1745, u"The procedure number is out of range.\r\n"},
        {1753, u"There are no more endpoints available from the endpoint mapper.\r\n"},
        {1783, u"The stub received bad data.\r\n"},
        {1909, u"The referenced account is currently locked out and may not be logged on to.\r\n"},
        {6118, u"The list of servers for this workgroup is not currently available\r\n"},
        {11001, u"No such host is known.\r\n"},
        // The program's own code (bit 29): a change given up after its request left.
        {0x20000001u, u"result unknown\r\n"},
        // netmsg.dll's, 2100 to 2999.
        {2102, u"The workstation driver is not installed.\r\n"},
        {2103, u"The server could not be located.\r\n"},
        {2104, u"An internal error occurred. The network cannot access a shared memory segment.\r\n"},
        {2105, u"A network resource shortage occurred .\r\n"},
        {2106, u"This operation is not supported on workstations.\r\n"},
        {2107, u"The device is not connected.\r\n"},
        {2114, u"The Server service is not started.\r\n"},
        {2115, u"The queue is empty.\r\n"},
        {2116, u"The device or directory does not exist.\r\n"},
        {2117, u"The operation is invalid on a redirected resource.\r\n"},
        {2118, u"The name has already been shared.\r\n"},
        {2119, u"The server is currently out of the requested resource.\r\n"},
        {2121, u"Requested addition of items exceeds the maximum allowed.\r\n"},
        {2123, u"The API return buffer is too small.\r\n"},
        {2127, u"A remote API error occurred.\r\n"},
        {2138, u"The Workstation service has not been started.\r\n"},
        {2220, u"The group name could not be found.\r\n"},
        {2221, u"The user name could not be found.\r\n"},
        {2222, u"The resource name could not be found.\r\n"},
        {2223, u"The group already exists.\r\n"},
        {2224, u"The account already exists.\r\n"},
        {2226, u"This operation is only allowed on the primary domain controller of the domain.\r\n"},
        {2250, u"The network connection could not be found.\r\n"},
        {2270, u"The computer name could not be added as a message alias. The name may already exist on the network.\r\n"},
        {2271, u"The Messenger service is already started.\r\n"},
        {2272, u"The Messenger service failed to start.\r\n"},
        {2273, u"The message alias could not be found on the network.\r\n"},
        {2284, u"The Messenger service has not been started.\r\n"},
        {2310, u"This shared resource does not exist.\r\n"},
        {2311, u"This device is not shared.\r\n"},
        {2312, u"A session does not exist with that computer name.\r\n"},
        {2314, u"There is not an open file with that identification number.\r\n"},
        {2351, u"This computer name is invalid.\r\n"},
        {2453, u"Could not find the domain controller for this domain.\r\n"},
        // Wininet.dll's, 12000 to 12171.
        {12001, u"No more handles could be generated at this time.\r\n"},
        {12002, u"The operation timed out\r\n"},
        {12004, u"An internal error occurred in the Microsoft Internet extensions.\r\n"},
        {12005, u"The URL is invalid.\r\n"},
        {12006, u"The URL does not use a recognized protocol\r\n"},
        {12007, u"The server name or address could not be resolved\r\n"},
        {12029, u"A connection with the server could not be established\r\n"},
        {12030, u"The connection with the server was terminated abnormally\r\n"},
        {12031, u"The connection with the server was reset\r\n"},
        {12152, u"The server returned an invalid or unrecognized response\r\n"},
    };
    return table;
}

class BuiltIn final : public MessageSource {
public:
    bool Loaded(std::string_view) const override { return true; }
    std::optional<std::u16string_view> Find(std::string_view module,
                                            std::uint32_t code) const override {
        const auto it = Messages().find(code);
        if (it == Messages().end() || MessageModuleFor(code) != module) return std::nullopt;
        return it->second;
    }
};

const MessageSource* gSource = nullptr;

constexpr std::size_t kBufferChars = 256;  // the message buffer of the original call

}  // namespace

std::string_view MessageModuleFor(std::uint32_t code) {
    if (code >= 2100 && code <= 2999) return "netmsg.dll";
    if (code >= 12000 && code <= 12171) return "Wininet.dll";
    return {};
}

const MessageSource& BuiltInMessages() {
    static const BuiltIn builtIn;
    return builtIn;
}

void SetMessageSource(const MessageSource* source) { gSource = source; }

std::u16string GetErrorText(std::uint32_t code) {
    const MessageSource& source = gSource != nullptr ? *gSource : BuiltInMessages();
    const std::string_view module = MessageModuleFor(code);
    std::optional<std::u16string_view> message;
    if (!module.empty()) {
        if (!source.Loaded(module)) return {};
        message = source.Find(module, code);
    }
    // A module source falls back to the system table for codes it lacks.
    if (!message) message = source.Find("", code);
    if (!message) return {};

    std::u16string text(message->substr(0, kBufferChars - 1));
    const auto nul = text.find(u'\0');
    if (nul != std::u16string::npos) text.resize(nul);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0)
        text.resize(text.size() - 2);
    return text;
}

std::u16string PointerToString(const char16_t* const* field) {
    if (field == nullptr || *field == nullptr) return {};
    const char16_t* s = *field;
    std::size_t length = 0;
    while (s[length] != 0) ++length;
    return std::u16string(s, length);
}

std::u16string IncompleteListLine(std::size_t got, std::uint32_t total,
                                  std::u16string_view things) {
    std::u16string line = u"list incomplete: ";
    line += text::Number(static_cast<long long>(got));
    line += u" of ";
    line += text::Number(std::max<long long>(static_cast<long long>(got), total));
    line += u' ';
    line += things;
    line += kCrLf;
    return line;
}

std::u16string CodeText(std::uint32_t code) {
    // An NTSTATUS that no platform code stands for comes on as it was sent:
    // it reads as the server's documents write it (0xC0000190).
    if (code < 0x80000000u) return text::Number(code);
    std::u16string hex = u"0x";
    for (int shift = 28; shift >= 0; shift -= 4) hex += u"0123456789ABCDEF"[(code >> shift) & 0xF];
    return hex;
}

std::u16string FailureLine(std::u16string_view call, std::uint32_t code) {
    // Giving a wait up is the person's own act, not the call's failure.
    if (code == kCancelled) return std::u16string(u"Cancelled") + std::u16string(kCrLf);
    std::u16string line(call);
    line += u" error ";
    line += CodeText(code);
    line += u" : ";
    line += GetErrorText(code);
    line += kCrLf;
    return line;
}

std::u16string FailureLineWithAdvice(std::u16string_view call, std::uint32_t code,
                                     std::u16string_view advice) {
    std::u16string line = FailureLine(call, code);
    if (code == kCancelled) return line;
    if (code == 5) line += advice;
    line += kCrLf;
    return line;
}

std::u16string FailureLineWithAdvice(std::u16string_view call, std::uint32_t code,
                                     std::u16string_view advice, std::u16string_view server) {
    if (code == kTimedOut) return FailureLine(call, code) + TimeoutWords(server, code);
    return FailureLineWithAdvice(call, code, advice);
}

std::u16string TimeoutWords(std::u16string_view server, std::uint32_t code) {
    if (code != kTimedOut) return {};
    const std::chrono::milliseconds deadline = netapi::GetCallLimits().deadline;
    while (!server.empty() && (server.front() == u'\\' || server.front() == u' '))
        server.remove_prefix(1);
    std::u16string line = server.empty() ? std::u16string(u"This computer")
                                         : text::EscapeControls(server);
    line += u" did not answer within ";
    const auto tenths = (deadline.count() + 50) / 100;
    line += text::Number(tenths / 10);
    if (tenths % 10 != 0) {
        line += u'.';
        line += static_cast<char16_t>(u'0' + tenths % 10);
    }
    line += tenths == 10 ? u" second." : u" seconds.";
    line += kCrLf;
    return line;
}

}  // namespace netenum
