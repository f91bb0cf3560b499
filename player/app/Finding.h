#pragma once

#include <string>
#include <vector>

// One thing the scene checker found in a file: something the loader skips or reads otherwise than it
// was probably meant. Errors lose part of the scene (a block, an include, the rest of a scene file);
// warnings load, with a default or a value other than the one written.
struct Finding {
    enum class Severity { Warning, Error };

    std::string file;
    int line = 0; // 1-based; 0 when it concerns the file as a whole or a field of a scene file
    Severity severity = Severity::Warning;
    std::string kind; // a stable short name: "unknown-class", "unknown-tag", ...
    std::string message;
    std::string suggestion; // the name probably meant, when there is one

    // "file:line: warning: message", as compilers write it.
    std::string Text() const;
};

bool HasErrors(const std::vector<Finding>& findings);
// The findings one per line, each as Text() gives it.
std::string FindingsText(const std::vector<Finding>& findings);
// A JSON array of objects with the members file, line, severity, kind, message and suggestion.
std::string FindingsJson(const std::vector<Finding>& findings);
// Text from a file, fit to stand in a message: quoted, control characters escaped, cut when long.
std::string Quoted(const std::string& text);
