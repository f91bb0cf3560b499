// Scene files as the Load button reads them: any bytes, either variant.
#include "FuzzTarget.h"
#include "player/app/ScenePlayer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One player for the whole run, as in the program, where every load replaces the scene before it.
    static ScenePlayer player;
    CArchiveReader archive(data, size);
    player.ReadScene(archive);
    // The loaded scene must compose a frame, whatever sizes and flags it set.
    CDC dc(64, 48);
    player.ComposeFrame(dc, CSize(64, 48));
    return 0;
}
