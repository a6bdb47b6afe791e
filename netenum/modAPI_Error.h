#pragma once
// Error codes to text, from three message sources chosen by code range, and
// the string copy out of result buffers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace netenum {

// Text of an error code in the platform's wording, possibly empty; never fails.
std::u16string GetErrorText(std::uint32_t code);

// Copies the NUL-terminated UTF-16 string that `field` points to; a null
// pointer or an empty string gives empty text.
std::u16string PointerToString(const char16_t* const* field);

// The message source that serves `code`: "netmsg.dll", "Wininet.dll" or ""
// for the system table.
std::string_view MessageModuleFor(std::uint32_t code);

// Where GetErrorText finds its texts: the program's own message tables,
// unless something else is put in their place (a test's texts, a module that
// will not load).
class MessageSource {
public:
    virtual ~MessageSource() = default;
    // Whether the module could be loaded; the system table ("") always is.
    virtual bool Loaded(std::string_view module) const = 0;
    // The text `module` ("" for the system table) holds for `code`, with the
    // CR LF the tables end in, or nullopt.
    virtual std::optional<std::u16string_view> Find(std::string_view module,
                                                     std::uint32_t code) const = 0;
};
const MessageSource& BuiltInMessages();
// nullptr puts the built-in tables back.
void SetMessageSource(const MessageSource* source);

// A code as the failure lines write it: decimal, or an NTSTATUS in hex.
std::u16string CodeText(std::uint32_t code);

// The composed failure lines, shared by the collections and the summary.
// "<call> error <code> : <text>" CR LF, then the advice (only for code 5) and
// CR LF when `advice` is given. A wait the person gave up (1223) is the one
// line "Cancelled" CR LF, advice or not.
std::u16string FailureLine(std::u16string_view call, std::uint32_t code);
std::u16string FailureLineWithAdvice(std::u16string_view call, std::uint32_t code,
                                     std::u16string_view advice);
// The same for a call to `server`: a call that ran out of time says so in
// words (TimeoutWords) where the advice line would stand.
std::u16string FailureLineWithAdvice(std::u16string_view call, std::uint32_t code,
                                     std::u16string_view advice, std::u16string_view server);

inline constexpr std::u16string_view kAdviceOperator =
    u"You must be an administrator, server, print, or comm operator.";
inline constexpr std::u16string_view kAdviceAccount =
    u"You must be an administrator or account operator.";
inline constexpr std::u16string_view kCrLf = u"\r\n";
inline constexpr std::uint32_t kCancelled = 1223;  // ERROR_CANCELLED
inline constexpr std::uint32_t kTimedOut = 121;    // ERROR_SEM_TIMEOUT

// What follows the failure line of a call that ran out of time, in words:
// "<server> did not answer within 10 seconds." CR LF, the call deadline in
// seconds ("This computer" for an empty name, backslashes dropped). Empty for
// any other code.
std::u16string TimeoutWords(std::u16string_view server, std::uint32_t code);

// "list incomplete: N of M <things>" CRLF, for a list that came back with 234.
// M is the server's claim as an unsigned count, never less than N.
std::u16string IncompleteListLine(std::size_t got, std::uint32_t total, std::u16string_view things);

}  // namespace netenum
