#include "particle/core/DefinitionText.h"

#include "platform/CStdioFile.h"

#include <algorithm>

namespace {

const char kSeparator[] = "\r\n.\r\n";
const char kLineEnd[] = "\r\n";

} // namespace

std::vector<DefinitionBlock> SplitDefinitionText(const std::string& text)
{
    std::vector<DefinitionBlock> blocks;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t separator = text.find(kSeparator, pos);
        if (separator == std::string::npos)
            break;
        DefinitionBlock block;
        block.begin = pos;
        block.end = separator;
        // The separator's own CR LF does not count as the block's line break.
        const std::size_t lineEnd = text.find(kLineEnd, pos);
        if (lineEnd < separator)
            block.lineEnd = lineEnd;
        blocks.push_back(block);
        pos = separator + sizeof kSeparator - 1;
    }
    return blocks;
}

std::size_t DefinitionTail(const std::string& text, const std::vector<DefinitionBlock>& blocks)
{
    return blocks.empty() ? 0 : std::min(text.size(), blocks.back().end + sizeof kSeparator - 1);
}

std::string DefinitionFileText(std::string bytes)
{
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (bytes.compare(0, sizeof kByteOrderMark - 1, kByteOrderMark) == 0)
        bytes.erase(0, sizeof kByteOrderMark - 1);
    CStdioFile file;
    file.OpenText(std::move(bytes));
    return file.ReadAllLines().str();
}

bool ReadDefinitionFile(const std::string& path, std::string& text)
{
    std::vector<unsigned char> bytes;
    if (!platform::ReadWholeFile(path, CStdioFile::kDefaultMaxBytes, bytes))
        return false;
    text = DefinitionFileText(std::string(bytes.begin(), bytes.end()));
    return true;
}
