// Reading WS-Discovery messages. Every byte comes from some host on the
// LAN: the XML goes through expat with namespaces on (a "Types" element
// counts only in the WS-Discovery namespace, whatever its prefix), no
// document type declarations (so no entities of the sender's), bounded
// depth and text.
#include <expat.h>

#include <cstring>

#include "WsdParse.h"

namespace discovery {
namespace {

constexpr XML_Char kSeparator = ' ';  // local names never hold one; URIs are split at the last
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxText = 4096;

struct Name {
    std::string_view ns;
    std::string_view local;
    bool Is(std::string_view wantNs, std::string_view wantLocal) const {
        return ns == wantNs && local == wantLocal;
    }
};

Name Split(const XML_Char* expanded) {
    const std::string_view s(expanded);
    const auto at = s.rfind(kSeparator);
    if (at == std::string_view::npos) return {{}, s};
    return {s.substr(0, at), s.substr(at + 1)};
}

std::string Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

std::vector<std::string> Words(std::string_view s) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < s.size()) {
        const std::size_t start = s.find_first_not_of(" \t\r\n", at);
        if (start == std::string_view::npos) break;
        std::size_t end = s.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos) end = s.size();
        words.emplace_back(s.substr(start, end - start));
        at = end;
    }
    return words;
}

// A namespace-aware walk over one document. Subclasses see elements by
// depth (the root is 1) and ask for the text of the ones they care about.
class Reader {
public:
    Reader() = default;
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    virtual ~Reader() = default;

    // False for malformed XML, a document type declaration, or too deep a tree.
    bool Parse(std::string_view xml) {
        if (xml.size() > kMaxMessageBytes) return false;
        XML_Parser parser = XML_ParserCreateNS(nullptr, kSeparator);
        if (parser == nullptr) return false;
        mParser = parser;
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Reader::OnStart, &Reader::OnEnd);
        XML_SetCharacterDataHandler(parser, &Reader::OnText);
        XML_SetNamespaceDeclHandler(parser, &Reader::OnPrefix, &Reader::OnPrefixEnd);
        XML_SetStartDoctypeDeclHandler(parser, &Reader::OnDoctype);
        XML_SetEntityDeclHandler(parser, &Reader::OnEntity);
        const XML_Status status = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1);
        // Stopped on purpose: what was read is the answer, the rest is not looked at.
        const bool parsed = status == XML_STATUS_OK || mDone;
        XML_ParserFree(parser);
        mParser = nullptr;
        return parsed && !mFailed;
    }

protected:
    virtual void Start(int depth, Name name) = 0;
    // `text`: the element's own text when Capture() was asked for it at its
    // start and it stayed within bounds.
    virtual void End(int depth, Name name, const std::optional<std::string>& text) = 0;

    void Capture() { mFrames.back().capture = true; }
    // Stops the walk: what was read so far stands.
    void Done() {
        mDone = true;
        XML_StopParser(mParser, XML_FALSE);
    }
    // The namespace a prefix stands for where the walk is; nothing when unbound.
    std::optional<std::string_view> Namespace(std::string_view prefix) const {
        for (auto it = mPrefixes.rbegin(); it != mPrefixes.rend(); ++it)
            if (it->first == prefix) return std::string_view(it->second);
        if (prefix.empty()) return std::string_view();
        return std::nullopt;
    }

private:
    struct Frame {
        bool capture = false;
        bool tooLong = false;
        std::string text;
    };

    void Fail() {
        mFailed = true;
        XML_StopParser(mParser, XML_FALSE);
    }

    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char**) {
        auto& r = *static_cast<Reader*>(self);
        if (r.mDone || r.mFailed) return;
        if (r.mFrames.size() >= kMaxDepth) return r.Fail();
        r.mFrames.emplace_back();
        r.Start(static_cast<int>(r.mFrames.size()), Split(name));
    }
    static void XMLCALL OnEnd(void* self, const XML_Char* name) {
        auto& r = *static_cast<Reader*>(self);
        if (r.mDone || r.mFailed || r.mFrames.empty()) return;
        Frame frame = std::move(r.mFrames.back());
        std::optional<std::string> text;
        if (frame.capture && !frame.tooLong) text = std::move(frame.text);
        r.End(static_cast<int>(r.mFrames.size()), Split(name), text);
        r.mFrames.pop_back();
    }
    static void XMLCALL OnText(void* self, const XML_Char* s, int length) {
        auto& r = *static_cast<Reader*>(self);
        if (r.mFrames.empty() || !r.mFrames.back().capture) return;
        Frame& frame = r.mFrames.back();
        if (frame.text.size() + static_cast<std::size_t>(length) > kMaxText) {
            frame.tooLong = true;
            frame.text.clear();
            return;
        }
        if (!frame.tooLong) frame.text.append(s, static_cast<std::size_t>(length));
    }
    static void XMLCALL OnPrefix(void* self, const XML_Char* prefix, const XML_Char* uri) {
        auto& r = *static_cast<Reader*>(self);
        if (r.mPrefixes.size() >= 256) return r.Fail();
        r.mPrefixes.emplace_back(prefix ? prefix : "", uri ? uri : "");
    }
    static void XMLCALL OnPrefixEnd(void* self, const XML_Char* prefix) {
        auto& r = *static_cast<Reader*>(self);
        const std::string_view p = prefix ? prefix : "";
        for (auto it = r.mPrefixes.rbegin(); it != r.mPrefixes.rend(); ++it) {
            if (it->first == p) {
                r.mPrefixes.erase(std::next(it).base());
                return;
            }
        }
    }
    static void XMLCALL OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<Reader*>(self)->Fail();
    }
    static void XMLCALL OnEntity(void* self, const XML_Char*, int, const XML_Char*, int,
                                 const XML_Char*, const XML_Char*, const XML_Char*,
                                 const XML_Char*) {
        static_cast<Reader*>(self)->Fail();
    }

    XML_Parser mParser = nullptr;
    std::vector<Frame> mFrames;
    std::vector<std::pair<std::string, std::string>> mPrefixes;
    bool mFailed = false;
    bool mDone = false;
};

// ProbeMatches, ResolveMatches and Hello in a SOAP 1.2 envelope.
class MatchesReader final : public Reader {
public:
    Matches result;

private:
    enum class Kind { Other, Envelope, Header, Body, Container, Match, Reference, Field };
    enum class Field { None, Address, Types, XAddrs, RelatesTo };

    void Start(int depth, Name name) override {
        const Kind parent = mKinds.empty() ? Kind::Other : mKinds.back();
        Kind kind = Kind::Other;
        mField = Field::None;
        if (depth == 1) {
            if (!name.Is(kSoapNs, "Envelope")) return Done();
            kind = Kind::Envelope;
        } else if (parent == Kind::Envelope) {
            if (name.Is(kSoapNs, "Header")) kind = Kind::Header;
            if (name.Is(kSoapNs, "Body")) kind = Kind::Body;
        } else if (parent == Kind::Header && name.Is(kAddressingNs, "RelatesTo")) {
            kind = Kind::Field;
            mField = Field::RelatesTo;
        } else if (parent == Kind::Body && name.ns == kDiscoveryNs) {
            if (name.local == "ProbeMatches" || name.local == "ResolveMatches") {
                kind = Kind::Container;
                // Expat's name is gone after this call: a copy.
                mMatchName = std::string(name.local.substr(0, name.local.size() - 2));
            } else if (name.local == "Hello") {
                kind = Kind::Match;
            }
        } else if (parent == Kind::Container && name.Is(kDiscoveryNs, mMatchName)) {
            kind = Kind::Match;
        } else if (parent == Kind::Match) {
            if (name.Is(kAddressingNs, "EndpointReference")) kind = Kind::Reference;
            else if (name.Is(kDiscoveryNs, "Types")) mField = Field::Types;
            else if (name.Is(kDiscoveryNs, "XAddrs")) mField = Field::XAddrs;
            if (mField != Field::None) kind = Kind::Field;
        } else if (parent == Kind::Reference && name.Is(kAddressingNs, "Address")) {
            kind = Kind::Field;
            mField = Field::Address;
        }
        if (kind == Kind::Match) mMatch = Match{};
        if (kind == Kind::Field) Capture();
        mKinds.push_back(kind);
        mFields.push_back(mField);
    }

    void End(int, Name, const std::optional<std::string>& text) override {
        const Kind kind = mKinds.back();
        const Field field = mFields.back();
        mKinds.pop_back();
        mFields.pop_back();
        if (kind == Kind::Field) {
            // A field too long to be honest spoils its match.
            if (!text) {
                mSpoiled = true;
                return;
            }
            switch (field) {
            case Field::RelatesTo: result.relatesTo = Trim(*text); break;
            case Field::Address: mMatch.endpoint = Trim(*text); break;
            case Field::Types:
                for (const std::string& type : Words(*text)) {
                    const auto colon = type.find(':');
                    const std::string_view prefix =
                        colon == std::string::npos ? std::string_view() : std::string_view(type).substr(0, colon);
                    const std::string_view local =
                        colon == std::string::npos ? std::string_view(type) : std::string_view(type).substr(colon + 1);
                    const auto ns = Namespace(prefix);
                    mMatch.isComputer = mMatch.isComputer || (ns && *ns == kPubNs && local == "Computer");
                }
                break;
            case Field::XAddrs:
                for (std::string& url : Words(*text))
                    if (url.size() <= 512 && mMatch.xaddrs.size() < kMaxXAddrs)
                        mMatch.xaddrs.push_back(std::move(url));
                break;
            case Field::None: break;
            }
        } else if (kind == Kind::Match) {
            if (!mSpoiled && !mMatch.endpoint.empty() && mMatch.endpoint.size() <= 256 &&
                result.matches.size() < kMaxEndpoints)
                result.matches.push_back(std::move(mMatch));
            mSpoiled = false;
        }
    }

    std::vector<Kind> mKinds;
    std::vector<Field> mFields;
    Field mField = Field::None;
    std::string mMatchName;  // ProbeMatch or ResolveMatch
    Match mMatch;
    bool mSpoiled = false;
};

// The first {pub}Computer inside a SOAP body.
class ComputerReader final : public Reader {
public:
    std::optional<std::string> value;

private:
    void Start(int depth, Name name) override {
        if (depth == 1 && !name.Is(kSoapNs, "Envelope")) return Done();
        if (depth == 2) mInBody = name.Is(kSoapNs, "Body");
        if (depth > 2 && mInBody && name.Is(kPubNs, "Computer")) Capture();
    }
    void End(int depth, Name name, const std::optional<std::string>& text) override {
        if (depth > 2 && mInBody && name.Is(kPubNs, "Computer")) {
            value = text;
            Done();
        }
    }
    bool mInBody = false;
};

class ElementReader final : public Reader {
public:
    ElementReader(std::string_view ns, std::string_view local) : mNs(ns), mLocal(local) {}
    std::optional<std::string> value;

private:
    void Start(int, Name name) override {
        if (name.Is(mNs, mLocal)) Capture();
    }
    void End(int, Name name, const std::optional<std::string>& text) override {
        if (!name.Is(mNs, mLocal)) return;
        if (text) value = Trim(*text);
        Done();
    }
    std::string_view mNs, mLocal;
};

}  // namespace

Matches ReadMatches(std::string_view xml) {
    MatchesReader reader;
    if (!reader.Parse(xml)) return {};
    return std::move(reader.result);
}

std::vector<Match> ParseMatches(std::string_view xml) { return ReadMatches(xml).matches; }

bool ParseComputer(std::string_view xml, std::string& name, std::string& group) {
    ComputerReader reader;
    if (!reader.Parse(xml) || !reader.value) return false;
    const std::string value = Trim(*reader.value);
    const std::size_t slash = value.find('/');
    name = value.substr(0, slash);
    group.clear();
    if (slash != std::string::npos) {
        const std::size_t colon = value.find(':', slash);
        if (colon != std::string::npos) group = value.substr(colon + 1);
    }
    return !name.empty();
}

std::optional<std::string> ElementText(std::string_view xml, std::string_view ns,
                                       std::string_view local) {
    ElementReader reader(ns, local);
    if (!reader.Parse(xml)) return std::nullopt;
    return reader.value;
}

}  // namespace discovery
