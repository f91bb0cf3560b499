#pragma once

#include <optional>
#include <string>
#include <vector>

// The known name nearest to one that was not found, for "did you mean ...?" hints: a class identifier, a
// tag or a command-line option. Letter case and stray blanks are told apart from misspellings, because
// names are matched exactly and those two are the mistakes that are hardest to see.
struct NameSuggestion {
    enum class Reason { LetterCase, Blanks, Spelling };
    std::string name;
    Reason reason = Reason::Spelling;

    // "did you mean NAME?", with the reason when it is not plain spelling.
    std::string Hint() const;
};

// Nothing when no known name is close enough to be a likely fix.
std::optional<NameSuggestion> SuggestName(const std::string& wrong, const std::vector<std::string>& known);
