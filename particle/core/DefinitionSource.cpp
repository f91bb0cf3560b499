#include "particle/core/DefinitionSource.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// Directories of the sources being read, outermost first. Text is read on one thread only.
std::vector<std::string>& sourceDirectories()
{
    static std::vector<std::string> directories;
    return directories;
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace

DefinitionSource::DefinitionSource(const std::string& path)
{
    sourceDirectories().push_back(DirectoryOf(path));
}

DefinitionSource::~DefinitionSource()
{
    sourceDirectories().pop_back();
}

std::string DefinitionSource::CurrentDirectory()
{
    const std::vector<std::string>& directories = sourceDirectories();
    return directories.empty() ? std::string() : directories.back();
}

std::string DefinitionSource::CurrentDirectoryOr(const std::string& kept)
{
    const std::string current = CurrentDirectory();
    return current.empty() ? kept : current;
}

std::string ResolveBeside(const std::string& name, const std::string& directory)
{
    if (name.empty() || name[0] == '/' || directory.empty() || exists(name))
        return name;
    const std::string beside = directory + name;
    return exists(beside) ? beside : name;
}

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileIdentity(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}
