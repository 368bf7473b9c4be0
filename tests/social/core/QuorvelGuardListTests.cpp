// The main-thread guard's list, read from the sources: every public static
// member function of the headers a game includes (those quorvel/quorvel.h
// names, and the cloud store's) opens with QVSessionRole::requireMainThread,
// so a call from another thread is an assertion naming it before it touches
// the store's shared statements. A new public static without the guard fails
// here, named. The death test beside QuorvelStartupTests shows the guard at
// work; this one keeps the list whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The text with comments gone and string and character literals emptied, so
// that braces and semicolons are the code's own.
std::string codeOnly(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += '\n';
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            i = text.find("*/", i + 2);
            if (i == std::string::npos)
                break;
            ++i;
        } else if (c == '"' || c == '\'') {
            out += c;
            for (++i; i < text.size() && text[i] != c; ++i)
                if (text[i] == '\\')
                    ++i;
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

struct PublicStatic {
    std::string owner; // the class
    std::string name;
    std::string inlineBody; // the body written in the header, or none
    bool hasInlineBody { false };
};

// The public static member functions of every class of a header.
std::vector<PublicStatic> publicStatics(const std::string& header)
{
    const std::string code = codeOnly(header);
    struct Scope {
        std::string owner; // "" for a namespace or a block
        bool isPublic { false };
    };
    std::vector<Scope> scopes;
    std::vector<PublicStatic> found;
    std::string statement;
    const std::regex classHead(R"((?:^|[\s;])(class|struct)\s+(\w+)[^;]*$)");
    const std::regex access(R"((public|private|protected)\s*:\s*$)");
    const std::regex staticFunction(R"(^\s*(?:\[\[\w+\]\]\s*)?static\s+(?!constexpr\s[^(]*=)[^=]*?(\w+)\s*\()");
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        const bool inClass = !scopes.empty() && !scopes.back().owner.empty();
        if (c == '{') {
            std::smatch head;
            if (std::regex_search(statement, head, classHead) && statement.find('(') == std::string::npos) {
                scopes.push_back({ head[2].str(), head[1].str() == "struct" });
                statement.clear();
                continue;
            }
            std::smatch function;
            if (inClass && scopes.back().isPublic && std::regex_search(statement, function, staticFunction)) {
                // An inline body: kept whole.
                size_t depth = 1, end = i + 1;
                for (; end < code.size() && depth; ++end)
                    depth += code[end] == '{' ? 1 : code[end] == '}' ? -1 : 0;
                found.push_back({ scopes.back().owner, function[1].str(), code.substr(i + 1, end - i - 2), true });
                i = end - 1;
                statement.clear();
                continue;
            }
            scopes.push_back({ "", false });
            statement.clear();
        } else if (c == '}') {
            if (!scopes.empty())
                scopes.pop_back();
            statement.clear();
        } else if (c == ';') {
            std::smatch function;
            if (inClass && scopes.back().isPublic && std::regex_search(statement, function, staticFunction))
                found.push_back({ scopes.back().owner, function[1].str(), "", false });
            statement.clear();
        } else {
            statement += c;
            std::smatch label;
            if (inClass && c == ':' && (i + 1 >= code.size() || code[i + 1] != ':') && statement.back() == ':'
                && (statement.size() < 2 || statement[statement.size() - 2] != ':')
                && std::regex_search(statement, label, access)) {
                scopes.back().isPublic = label[1].str() == "public";
                statement.clear();
            }
        }
    }
    return found;
}

// Each body of `owner::name` defined out of its class in the client's sources:
// the name at the start of a line after its return type, its parameters, then
// a body (a call or a declaration is no definition).
std::vector<std::string> definitions(const std::map<fs::path, std::string>& sources, const std::string& owner,
                                     const std::string& name)
{
    std::vector<std::string> bodies;
    const std::string qualified = owner + "::" + name;
    auto isTypeChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '<' || c == '>' || c == ','
            || c == '&' || c == '*' || c == ' ';
    };
    for (const auto& [path, code] : sources)
        for (size_t at = code.find(qualified); at != std::string::npos; at = code.find(qualified, at + 1)) {
            const size_t lineStart = code.rfind('\n', at) == std::string::npos ? 0 : code.rfind('\n', at) + 1;
            if (at > 0 && (std::isalnum(static_cast<unsigned char>(code[at - 1])) || code[at - 1] == '_'))
                continue;
            if (!std::all_of(code.begin() + static_cast<std::ptrdiff_t>(lineStart),
                             code.begin() + static_cast<std::ptrdiff_t>(at), isTypeChar)
                || std::isspace(static_cast<unsigned char>(code[lineStart])))
                continue; // not at the start of a line at namespace scope
            size_t i = at + qualified.size();
            while (i < code.size() && std::isspace(static_cast<unsigned char>(code[i])))
                ++i;
            if (i >= code.size() || code[i] != '(')
                continue;
            size_t depth = 1;
            for (++i; i < code.size() && depth; ++i)
                depth += code[i] == '(' ? 1 : code[i] == ')' ? -1 : 0;
            const size_t open = code.find_first_of(";{", i);
            if (open == std::string::npos || code[open] != '{')
                continue;
            size_t end = open + 1;
            for (depth = 1; end < code.size() && depth; ++end)
                depth += code[end] == '{' ? 1 : code[end] == '}' ? -1 : 0;
            bodies.push_back(code.substr(open + 1, end - open - 2));
        }
    return bodies;
}

// Whether a body opens with the guard, does nothing, or only hands its
// arguments to another public static of its class (which is checked itself).
bool opensWithGuard(const std::string& body, const std::set<std::string>& siblings, const std::string& owner)
{
    static const std::regex guard(R"(^\s*(QVSessionRole::)?requireMainThread\s*\()");
    static const std::regex empty(R"(^\s*$)");
    if (std::regex_search(body, guard) || std::regex_match(body, empty))
        return true;
    std::smatch forward;
    static const std::regex oneCall(R"(^\s*(?:return\s+)?(?:(\w+)::)?(\w+)\s*\([^;]*\)\s*;\s*$)");
    return std::regex_match(body, forward, oneCall) && (!forward[1].matched || forward[1].str() == owner)
        && siblings.count(forward[2].str());
}

// Statics that touch no shared state and tell the game nothing: they answer
// from their arguments alone, describe a resource class, or make a record
// from values handed in.
const std::set<std::string> kNeedNoGuard {
    // the callback values' makers
    "chainedWith", "from", "containerWithQuorvelDelegate",
    // the resource classes' descriptions and factories
    "create", "getResourceName", "getResourceDiscoveredNotification", "getDataMap", "getService", "initWithLocalSQL",
    "initWithGkScore", "initWithQvScore", "initForSubmissionWithScore",
    // answers from the arguments alone
    "clampPercent", "buildSetHighScoreQuery", "buildScoreToKeepQuery", "buildDeleteScoresQuery",
    "buildGetHighScoresQuery", "keyIsValid", "charIsAlpha", "charIsNum", "charIsPunctAllowedInKey", "inflateHeaderless",
    "versionNumber", "releaseVersionString", "shouldWarnOnIncompleteDelegates",
};

TEST(QuorvelGuardListTest, EveryPublicStaticAGameReachesOpensWithTheMainThreadGuard)
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    if (!source)
        GTEST_SKIP() << "BRISKO_SOURCE_DIR is not set";
    const fs::path root(source);

    // The headers the game's one include names, and the cloud store's, which a game includes by itself.
    std::vector<std::string> headers { "social/services/QVCloudStorage.h", "social/services/QVCloudStorageService.h" };
    const std::regex include(R"(#include\s+"(social/[^"]+\.h)\")");
    const std::string umbrella = readFile(root / "quorvel/quorvel.h");
    for (auto it = std::sregex_iterator(umbrella.begin(), umbrella.end(), include); it != std::sregex_iterator(); ++it)
        headers.push_back((*it)[1].str());
    ASSERT_GE(headers.size(), 8u);

    std::map<fs::path, std::string> sources;
    for (const auto& entry : fs::recursive_directory_iterator(root / "social"))
        if (entry.path().extension() == ".cpp")
            sources[entry.path()] = codeOnly(readFile(entry.path()));

    size_t checked = 0;
    std::vector<std::string> unguarded;
    for (const std::string& header : headers) {
        const std::vector<PublicStatic> statics = publicStatics(readFile(root / header));
        std::map<std::string, std::set<std::string>> byClass;
        for (const auto& s : statics)
            byClass[s.owner].insert(s.name);
        for (const auto& s : statics) {
            if (kNeedNoGuard.count(s.name))
                continue;
            std::vector<std::string> bodies;
            if (s.hasInlineBody)
                bodies.push_back(s.inlineBody);
            else
                bodies = definitions(sources, s.owner, s.name);
            if (bodies.empty())
                unguarded.push_back(s.owner + "::" + s.name + " (no definition found)");
            for (const std::string& body : bodies) {
                ++checked;
                if (!opensWithGuard(body, byClass[s.owner], s.owner))
                    unguarded.push_back(s.owner + "::" + s.name + " (" + header + ")");
            }
        }
    }
    EXPECT_GT(checked, 100u) << "the headers were read";
    EXPECT_TRUE(unguarded.empty()) << "public statics that do not open with QVSessionRole::requireMainThread: "
                                   << testing::PrintToString(unguarded);
}

} // namespace
