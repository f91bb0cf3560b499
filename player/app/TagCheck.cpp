#include "player/app/TagCheck.h"

#include "particle/constraints/FileNamePattern.h"
#include "particle/core/IConstraint.h"
#include "platform/Numbers.h"
#include "player/app/NameSuggestion.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <strings.h>
#include <unordered_set>

namespace {

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits from at on; returns how many.
std::size_t digitsAt(const std::string& s, std::size_t& at)
{
    const std::size_t start = at;
    while (at < s.size() && isDigit(s[at]))
        ++at;
    return at - start;
}

void skipBlanks(const std::string& s, std::size_t& at)
{
    while (at < s.size() && isBlank(s[at]))
        ++at;
}

// Blanks, an optional sign, then the number's own part (read by `body`), then only blanks.
template <typename Body> bool plainNumber(const std::string& s, Body body)
{
    std::size_t at = 0;
    skipBlanks(s, at);
    if (at < s.size() && (s[at] == '+' || s[at] == '-'))
        ++at;
    if (!body(s, at))
        return false;
    skipBlanks(s, at);
    return at == s.size();
}

bool plainWholeNumber(const std::string& s)
{
    return plainNumber(s, [](const std::string& t, std::size_t& at) { return digitsAt(t, at) > 0; });
}

bool plainDecimal(const std::string& s)
{
    return plainNumber(s, [](const std::string& t, std::size_t& at) {
        std::size_t digits = digitsAt(t, at);
        if (at < t.size() && t[at] == '.') {
            ++at;
            digits += digitsAt(t, at);
        }
        if (digits == 0)
            return false;
        if (at < t.size() && (t[at] == 'e' || t[at] == 'E')) {
            ++at;
            if (at < t.size() && (t[at] == '+' || t[at] == '-'))
                ++at;
            return digitsAt(t, at) > 0;
        }
        return true;
    });
}

bool fitsInt(const std::string& s)
{
    errno = 0;
    const long long value = std::strtoll(s.c_str(), nullptr, 10);
    return errno == 0 && value >= INT_MIN && value <= INT_MAX;
}

ClassTag::Type typeOfExample(const std::string& value)
{
    if (value == "true" || value == "false")
        return ClassTag::Type::TrueFalse;
    const bool negative = !value.empty() && value[0] == '-';
    std::size_t at = negative ? 1 : 0;
    if (digitsAt(value, at) == 0)
        return ClassTag::Type::Text;
    if (at == value.size())
        return ClassTag::Type::WholeNumber;
    if (value[at] == '.') {
        ++at;
        if (digitsAt(value, at) > 0 && at == value.size())
            return ClassTag::Type::Number;
    }
    return ClassTag::Type::Text;
}

// "<Name>" or "</Name>" in the text: a bracket pair on one line with no other bracket inside.
struct TagToken {
    std::size_t at;
    std::string name;
    bool closing;
};

std::vector<TagToken> tokensOf(const std::string& text)
{
    std::vector<TagToken> tokens;
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        const std::size_t end = text.find_first_of("<>\r\n", at + 1);
        if (end == std::string::npos || text[end] != '>')
            continue;
        const bool closing = text[at + 1] == '/';
        std::string name = text.substr(at + (closing ? 2 : 1), end - at - (closing ? 2 : 1));
        if (!name.empty())
            tokens.push_back({ at, std::move(name), closing });
    }
    return tokens;
}

// Comment lines start with "//" after any blanks; the reader sees tags in them all the same.
class CommentLines {
public:
    explicit CommentLines(const std::string& text)
    {
        for (std::size_t start = 0; start <= text.size();) {
            std::size_t end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end;
            const std::size_t first = text.find_first_not_of(" \t", start);
            if (first != std::string::npos && first < end && text.compare(first, 2, "//") == 0)
                lines_.emplace_back(start, end);
            start = end + 1;
        }
    }
    bool Holds(std::size_t at) const
    {
        const auto after = std::upper_bound(lines_.begin(), lines_.end(), std::make_pair(at, SIZE_MAX));
        return after != lines_.begin() && at <= std::prev(after)->second;
    }

private:
    std::vector<std::pair<std::size_t, std::size_t>> lines_; // first byte and line end, in order
};

Finding warning(const char* kind, std::string message, std::string suggestion = std::string())
{
    Finding f;
    f.severity = Finding::Severity::Warning;
    f.kind = kind;
    f.message = std::move(message);
    f.suggestion = std::move(suggestion);
    return f;
}

std::string bracketed(const std::string& name)
{
    return "<" + name + ">";
}

// What a value reads as when it is not plainly of its tag's kind; empty when it is.
std::string misreading(const ClassTag& tag, const std::string& value)
{
    switch (tag.type) {
    case ClassTag::Type::WholeNumber:
        if (!plainWholeNumber(value))
            return "is not a whole number; it reads as " + platform::FormatInt(platform::ParseInt(value.c_str()));
        if (!fitsInt(value))
            return "is too large; it reads as " + platform::FormatInt(platform::ParseInt(value.c_str()));
        return std::string();
    case ClassTag::Type::Number:
        if (plainDecimal(value))
            return std::string();
        return "is not a number; it reads as "
            + platform::FormatFixed(static_cast<double>(platform::ToFloat(platform::ParseDouble(value.c_str()))));
    case ClassTag::Type::TrueFalse:
        if (strcasecmp(value.c_str(), "true") == 0 || strcasecmp(value.c_str(), "false") == 0)
            return std::string();
        return "is neither true nor false; it reads as false";
    case ClassTag::Type::Text:
        break;
    }
    return std::string();
}

} // namespace

std::vector<ClassTag> TagsOf(IConstraint& constraint)
{
    const std::string example = constraint.getParameterExample().str();
    std::vector<ClassTag> tags;
    for (const TagToken& open : tokensOf(example)) {
        if (open.closing)
            continue;
        const std::size_t valueStart = open.at + open.name.size() + 2;
        const std::size_t close = example.find("</" + open.name + ">", valueStart);
        if (close == std::string::npos)
            continue;
        ClassTag tag;
        tag.name = open.name;
        tag.value = example.substr(valueStart, close - valueStart);
        tag.type = typeOfExample(tag.value);
        tags.push_back(std::move(tag));
    }
    return tags;
}

std::string TagValue(const std::vector<ClassTag>& tags, const std::string& name)
{
    for (const ClassTag& tag : tags) {
        if (tag.name == name)
            return tag.value;
    }
    return std::string();
}

std::string FirstPictureFile(const std::vector<ClassTag>& tags)
{
    const std::string pattern = TagValue(tags, "Image Filename");
    const bool sequence
        = std::any_of(tags.begin(), tags.end(), [](const ClassTag& t) { return t.name == "Current Index"; });
    if (pattern.empty() || !sequence)
        return pattern;
    return FormatFileNamePattern(pattern.c_str(), platform::ParseInt(TagValue(tags, "Current Index").c_str())).str();
}

void CheckTags(
    const std::string& owner, const std::vector<ClassTag>& tags, const std::string& params, const TagFindingSink& sink)
{
    std::vector<std::string> known;
    for (const ClassTag& tag : tags)
        known.push_back(tag.name);
    const CommentLines comments(params);

    // The tags the class reads, found as its reader finds them: the first opening tag, then the first
    // closing tag after it.
    struct Unclosed {
        std::size_t at;
        std::string name;
        std::string foundInstead;
    };
    std::vector<Unclosed> unclosed;
    for (const ClassTag& tag : tags) {
        const std::string open = bracketed(tag.name);
        const std::size_t at = params.find(open);
        if (at == std::string::npos)
            continue;
        const std::size_t valueStart = at + open.size();
        const std::size_t close = params.find("</" + tag.name + ">", valueStart);
        if (close == std::string::npos) {
            unclosed.push_back({ at, tag.name, std::string() });
            continue;
        }
        if (comments.Holds(at))
            sink(at,
                warning("tag-in-comment",
                    open + " stands on a comment line but is read all the same: delete it or misspell it"));
        const std::string value = params.substr(valueStart, close - valueStart);
        if (value.empty() && tag.type != ClassTag::Type::Text) {
            sink(at, warning("empty-value", open + " is empty, so " + owner + " keeps its current value"));
            continue;
        }
        const std::string wrong = misreading(tag, value);
        if (!wrong.empty())
            sink(at, warning("bad-value", Quoted(value) + " in " + open + " " + wrong));
    }

    // Tags the class does not read. A misspelt closing tag of one that is open is told with that one.
    std::unordered_set<std::string> unknownOpen;
    for (const TagToken& token : tokensOf(params)) {
        if (std::find(known.begin(), known.end(), token.name) != known.end() || comments.Holds(token.at))
            continue;
        if (token.closing) {
            if (unknownOpen.count(token.name) != 0)
                continue;
            std::vector<std::string> open;
            for (const Unclosed& u : unclosed)
                open.push_back(u.name);
            if (std::optional<NameSuggestion> meant = SuggestName(token.name, open)) {
                for (Unclosed& u : unclosed) {
                    if (u.name == meant->name && u.foundInstead.empty())
                        u.foundInstead = token.name;
                }
                continue;
            }
        } else if (!unknownOpen.insert(token.name).second) {
            continue;
        }
        const std::string shown = (token.closing ? "</" : "<") + token.name + ">";
        std::string message = owner + " has no tag " + Quoted(shown) + ", so it is ignored";
        std::string suggestion;
        if (std::optional<NameSuggestion> nearest = SuggestName(token.name, known)) {
            suggestion = nearest->name;
            nearest->name = (token.closing ? "</" : "<") + nearest->name + ">";
            message += ": " + nearest->Hint();
        }
        sink(token.at, warning("unknown-tag", message, suggestion));
    }

    for (const Unclosed& u : unclosed) {
        std::string message
            = bracketed(u.name) + " is not closed by </" + u.name + ">, so " + owner + " does not read it";
        if (!u.foundInstead.empty())
            message += " (found " + Quoted("</" + u.foundInstead + ">") + ")";
        sink(u.at, warning("unclosed-tag", message, u.foundInstead.empty() ? std::string() : u.name));
    }
}
