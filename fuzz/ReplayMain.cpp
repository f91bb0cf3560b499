// Runs a fuzz harness once on every file named on the command line, or in the directories named.
// Missing arguments are fine: a parser may have no crash corpus yet.
#include "FuzzTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

int runFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path p(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(p, ec)) {
                if (entry.is_regular_file())
                    runs += runFile(entry.path());
            }
        } else if (std::filesystem::is_regular_file(p, ec)) {
            runs += runFile(p);
        }
    }
    std::printf("replayed %d inputs\n", runs);
    return 0;
}
