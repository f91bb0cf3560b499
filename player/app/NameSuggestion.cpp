#include "player/app/NameSuggestion.h"

#include <algorithm>
#include <cstdint>

namespace {

// Names are ASCII; the C library's tolower goes through the locale for every letter.
char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string trimmed(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Edits (insert, delete, replace, swap two neighbours) from a to b, ignoring letter case; past `limit`
// the count stops and limit + 1 is returned. Three rows are all the swap needs to look back on.
std::size_t editDistance(const std::string& a, const std::string& b, std::size_t limit)
{
    std::vector<std::size_t> rows(3 * (b.size() + 1));
    std::size_t* older = rows.data();
    std::size_t* previous = older + b.size() + 1;
    std::size_t* current = previous + b.size() + 1;
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        std::size_t rowLeast = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            current[j] = std::min({ previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost });
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
                current[j] = std::min(current[j], older[j - 2] + 1);
            rowLeast = std::min(rowLeast, current[j]);
        }
        // No row's least is below the one before it (a swap costs at least what the diagonal did), so
        // once a row is past the limit the distance is too.
        if (rowLeast > limit)
            return limit + 1;
        std::swap(older, previous);
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], limit + 1);
}

// "MaxAge" in "MaximumAge": the letters of a short form, in order.
bool isShortFormOf(const std::string& shortForm, const std::string& name)
{
    std::size_t at = 0;
    for (char c : name) {
        if (at < shortForm.size() && lower(shortForm[at]) == lower(c))
            ++at;
    }
    return shortForm.size() >= 3 && at == shortForm.size();
}

// Names are short; anything longer is not a name someone meant to type.
constexpr std::size_t kLongestName = 256;

} // namespace

std::string NameSuggestion::Hint() const
{
    std::string hint = "did you mean " + name + "?";
    if (reason == Reason::LetterCase)
        hint += " (letter case counts)";
    else if (reason == Reason::Blanks)
        hint += " (without the blanks)";
    return hint;
}

std::optional<NameSuggestion> SuggestName(const std::string& wrong, const std::vector<std::string>& known)
{
    if (wrong.empty() || wrong.size() > kLongestName)
        return std::nullopt;
    const std::string bare = trimmed(wrong);
    for (const std::string& name : known) {
        if (bare != wrong && bare == name)
            return NameSuggestion { name, NameSuggestion::Reason::Blanks };
    }
    for (const std::string& name : known) {
        if (equalIgnoringCase(wrong, name))
            return NameSuggestion { name, NameSuggestion::Reason::LetterCase };
    }
    // A short form ("MaxAge" for "MaximumAge", "constraint.Vortex") is the likelier meaning; otherwise a
    // slip of a few letters ("Amout"). "frobnicate" finds nothing among the option names.
    const std::size_t allowed = std::max<std::size_t>(2, bare.size() / 3);
    std::optional<NameSuggestion> best;
    std::pair<bool, std::size_t> bestRank { true, SIZE_MAX };
    for (const std::string& name : known) {
        const bool shortForm = isShortFormOf(bare, name);
        // A short form is its name less some letters, so its distance is the difference in length; a
        // name whose length is further off than allowed cannot be close enough to be worth measuring.
        const std::size_t apart = name.size() > bare.size() ? name.size() - bare.size() : bare.size() - name.size();
        if (!shortForm && apart > allowed)
            continue;
        const std::size_t distance = shortForm ? apart : editDistance(bare, name, allowed);
        const std::pair<bool, std::size_t> rank { !shortForm, distance };
        if ((shortForm || distance <= allowed) && rank < bestRank) {
            bestRank = rank;
            best = NameSuggestion { name, NameSuggestion::Reason::Spelling };
        }
    }
    return best;
}
