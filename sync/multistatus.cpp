#include "sync/multistatus.h"

#include <expat.h>

#include <cstdlib>
#include <cstring>

namespace quenlark::sync {

namespace {

constexpr char kDavMultistatus[] = "DAV:|multistatus";
constexpr char kDavResponse[] = "DAV:|response";
constexpr char kDavStatus[] = "DAV:|status";
constexpr char kDavPropstat[] = "DAV:|propstat";
constexpr char kDavProp[] = "DAV:|prop";
constexpr std::size_t kShortTextLimit = 8 * 1024;
constexpr std::size_t kDeepest = 64;
// The most the parser may hold of one unfinished piece of markup (a tag, a comment).
constexpr XML_Index kLongestMarkup = 1 << 20;

void appendCapped(std::string& text, std::string_view piece, std::size_t limit, bool& cut) {
    if (cut)
        return;
    if (text.size() + piece.size() > limit) {
        cut = true;
        std::string().swap(text);
        return;
    }
    text.append(piece);
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

const DavProperty* DavResponse::find(const std::string& name) const {
    const auto found = properties.find(name);
    return found == properties.end() ? nullptr : &found->second;
}

bool DavResponse::hasChild(const std::string& property, const std::string& child) const {
    const DavProperty* value = find(property);
    if (!value)
        return false;
    for (const std::string& name : value->children)
        if (name == child)
            return true;
    return false;
}

long StatusCodeOf(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4)
        return 0;
    const std::string code(line.substr(space + 1, 3));
    char* end = nullptr;
    const long value = std::strtol(code.c_str(), &end, 10);
    return end && *end == '\0' && value >= 100 && value <= 599 ? value : 0;
}

struct MultistatusParser::State {
    XML_Parser parser = nullptr;
    Listener each;
    std::size_t cardLimit;
    Result outcome; // success until the first failure
    std::vector<std::string> stack;
    XML_Index fed = 0;
    XML_Index lastEvent = 0;

    DavResponse response;
    std::map<std::string, DavProperty> pending; // the current propstat's properties
    std::string propstatStatus;
    std::string property; // the name of the property being read
    DavProperty value;
    std::string text; // an href, a status or the sync token being read
    bool textCut = false;
    std::string syncToken;

    void fail(Result why) {
        if (outcome)
            outcome = std::move(why);
        XML_StopParser(parser, XML_FALSE);
    }
    void broken(const std::string& what) {
        fail(
            Result::Fail(Failure::BadResponse, "The server's answer is not valid WebDAV: " + what));
    }
    void mark() { lastEvent = XML_GetCurrentByteIndex(parser); }

    void start(const std::string& name) {
        mark();
        stack.push_back(name);
        const std::size_t depth = stack.size();
        if (depth > kDeepest)
            return broken("elements nested too deep");
        if (depth == 1 && name != kDavMultistatus)
            return broken("it is not a multistatus");
        if (depth == 2 && name == kDavResponse)
            response = DavResponse{};
        if (depth == 3 && stack[1] == kDavResponse && name == kDavPropstat) {
            pending.clear();
            propstatStatus.clear();
        }
        if (depth == 5 && isProp()) {
            property = name;
            value = DavProperty{};
        }
        if (depth == 6 && isProp())
            value.children.push_back(name);
        if (collectsText()) {
            text.clear();
            textCut = false;
        }
    }

    bool isProp() const {
        return stack.size() >= 5 && stack[1] == kDavResponse && stack[2] == kDavPropstat &&
               stack[3] == kDavProp;
    }
    // The short texts read on their own: a response's href and status, a propstat's status, the
    // multistatus's sync token, an href inside a property.
    bool collectsText() const {
        const std::size_t depth = stack.size();
        const std::string& name = stack.back();
        if (depth == 2)
            return name == kDavSyncToken;
        if (depth == 3 && stack[1] == kDavResponse)
            return name == kDavHref || name == kDavStatus;
        if (depth == 4 && stack[1] == kDavResponse && stack[2] == kDavPropstat)
            return name == kDavStatus;
        return depth == 6 && isProp() && name == kDavHref;
    }

    void characters(std::string_view piece) {
        mark();
        if (stack.size() >= 5 && isProp()) {
            const std::size_t limit = property == kCardAddressData ? cardLimit : kPropertyLimit;
            appendCapped(value.text, piece, limit, value.cut);
        }
        if (!stack.empty() && collectsText())
            appendCapped(text, piece, kShortTextLimit, textCut);
    }

    void end() {
        mark();
        const std::size_t depth = stack.size();
        const std::string name = stack.back();
        if (collectsText() && textCut)
            return broken("an href or a status is too long");
        if (depth == 6 && isProp() && name == kDavHref) {
            value.hrefs.push_back(trimmed(text));
        } else if (depth == 5 && isProp()) {
            pending[property] = std::move(value);
            value = DavProperty{};
        } else if (depth == 4 && stack[2] == kDavPropstat && name == kDavStatus) {
            propstatStatus = text;
        } else if (depth == 3 && stack[1] == kDavResponse && name == kDavPropstat) {
            const long status = StatusCodeOf(trimmed(propstatStatus));
            if (status >= 200 && status <= 299)
                for (auto& [key, found] : pending)
                    response.properties[key] = std::move(found);
            pending.clear();
        } else if (depth == 3 && stack[1] == kDavResponse && name == kDavHref) {
            if (response.href.empty())
                response.href = trimmed(text);
        } else if (depth == 3 && stack[1] == kDavResponse && name == kDavStatus) {
            response.status = StatusCodeOf(trimmed(text));
        } else if (depth == 2 && name == kDavResponse) {
            if (response.href.empty())
                return broken("a response without an href");
            stack.pop_back();
            each(std::move(response));
            response = DavResponse{};
            return;
        } else if (depth == 2 && name == kDavSyncToken) {
            syncToken = trimmed(text);
        }
        stack.pop_back();
    }

    static void onStart(void* self, const XML_Char* name, const XML_Char**) {
        auto& state = *static_cast<State*>(self);
        state.start(name);
    }
    static void onEnd(void* self, const XML_Char*) { static_cast<State*>(self)->end(); }
    static void onText(void* self, const XML_Char* text, int length) {
        static_cast<State*>(self)->characters(
            std::string_view(text, static_cast<std::size_t>(length)));
    }
    static void onOther(void* self, const XML_Char*) { static_cast<State*>(self)->mark(); }
    static void onInstruction(void* self, const XML_Char*, const XML_Char*) {
        static_cast<State*>(self)->mark();
    }
    static void onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        // No document type, so no entity of the server's own can be declared and expanded.
        static_cast<State*>(self)->broken("a document type declaration is not accepted");
    }
};

MultistatusParser::MultistatusParser(Listener each, std::size_t cardLimit)
    : state_(std::make_unique<State>()) {
    state_->each = std::move(each);
    state_->cardLimit = cardLimit;
    state_->parser = XML_ParserCreateNS(nullptr, '|');
    if (!state_->parser) {
        state_->outcome = Result::Fail(Failure::BadResponse, "The XML parser could not start");
        return;
    }
    XML_SetUserData(state_->parser, state_.get());
    XML_SetElementHandler(state_->parser, &State::onStart, &State::onEnd);
    XML_SetCharacterDataHandler(state_->parser, &State::onText);
    XML_SetCommentHandler(state_->parser, &State::onOther);
    XML_SetProcessingInstructionHandler(state_->parser, &State::onInstruction);
    XML_SetStartDoctypeDeclHandler(state_->parser, &State::onDoctype);
}

MultistatusParser::~MultistatusParser() {
    if (state_->parser)
        XML_ParserFree(state_->parser);
}

Result MultistatusParser::feed(std::string_view bytes) {
    State& state = *state_;
    while (!bytes.empty() && state.outcome) {
        const std::size_t piece = std::min<std::size_t>(bytes.size(), 1 << 20);
        if (XML_Parse(state.parser, bytes.data(), static_cast<int>(piece), XML_FALSE) ==
                XML_STATUS_ERROR &&
            state.outcome) {
            state.outcome =
                Result::Fail(Failure::BadResponse,
                             std::string("The server sent broken XML (line ") +
                                 std::to_string(XML_GetCurrentLineNumber(state.parser)) + ": " +
                                 XML_ErrorString(XML_GetErrorCode(state.parser)) + ")");
        }
        state.fed += static_cast<XML_Index>(piece);
        bytes.remove_prefix(piece);
        if (state.outcome && state.fed - state.lastEvent > kLongestMarkup)
            state.broken("a tag longer than 1 MiB");
    }
    return state.outcome;
}

Result MultistatusParser::finish() {
    State& state = *state_;
    if (state.outcome && XML_Parse(state.parser, "", 0, XML_TRUE) == XML_STATUS_ERROR &&
        state.outcome)
        state.outcome = Result::Fail(Failure::BadResponse,
                                     std::string("The server's answer ended before its XML did (") +
                                         XML_ErrorString(XML_GetErrorCode(state.parser)) + ")");
    return state.outcome;
}

const std::string& MultistatusParser::syncToken() const {
    return state_->syncToken;
}

Result ParseMultistatus(std::string_view body, const MultistatusParser::Listener& each,
                        std::string* syncToken) {
    MultistatusParser parser(each);
    if (Result fed = parser.feed(body); !fed)
        return fed;
    Result done = parser.finish();
    if (done && syncToken)
        *syncToken = parser.syncToken();
    return done;
}

} // namespace quenlark::sync
