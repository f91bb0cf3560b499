// The scene checker on any bytes, as `mirrim-cli check` reads a file: told to be a scene or definition
// text by its content, blocks and tags looked at, includes and pictures followed, findings written as
// text and as JSON.
#include "FuzzTarget.h"
#include "player/app/SceneChecker.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    const SceneCheck check = SceneChecker().CheckBytes("fuzz/input.vq", bytes);
    FindingsText(check.findings);
    FindingsJson(check.findings);
    return 0;
}
