// Decoding a GIF from memory with our reader against giflib, both delivering RGB rows. Prints
// ours/giflib (CPU time, as the machine is shared) for each picture size at the end.
#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/codecs/GifReader.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

int AppendOutput(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// A deterministic 256-colour picture with smooth areas and fine detail, as scenes' pictures have.
Bytes MakeGif(int width, int height)
{
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendOutput, &error);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i]
            = { static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), static_cast<GifByteType>(i * 7) };
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[static_cast<std::size_t>(x)]
                = static_cast<GifPixelType>(((x * x + y * y) / 97 + (((x ^ y) * 2654435761u) >> 29)) & 255);
        EGifPutLine(gif, row.data(), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

struct Cursor {
    const Bytes* data;
    std::size_t pos;
};

int ReadInput(GifFileType* gif, GifByteType* dst, int length)
{
    auto* c = static_cast<Cursor*>(gif->UserData);
    const std::size_t n = std::min(static_cast<std::size_t>(length), c->data->size() - c->pos);
    std::memcpy(dst, c->data->data() + c->pos, n);
    c->pos += n;
    return static_cast<int>(n);
}

// giflib's own record loop for the first image, mapping each row into a 24-bit block as our reader does.
bool GiflibDecode(const Bytes& file, std::vector<std::uint8_t>& block)
{
    Cursor cursor { &file, 0 };
    int error = 0;
    GifFileType* gif = DGifOpen(&cursor, ReadInput, &error);
    if (!gif)
        return false;
    bool ok = false;
    GifRecordType type;
    while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type != IMAGE_DESC_RECORD_TYPE) {
            int code;
            GifByteType* ext;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK)
                break;
            while (ext && DGifGetExtensionNext(gif, &ext) == GIF_OK && ext) { }
            continue;
        }
        if (DGifGetImageDesc(gif) != GIF_OK)
            break;
        const int width = gif->Image.Width, height = gif->Image.Height;
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        block = dib::MakeBlock(width, height, 24, 0);
        const std::size_t rowLength = dib::RowLength(width, 24);
        std::vector<GifPixelType> row(static_cast<std::size_t>(width));
        ok = true;
        for (int y = 0; y < height && ok; ++y) {
            ok = DGifGetLine(gif, row.data(), width) == GIF_OK;
            std::uint8_t* dst = block.data() + dib::kHeaderSize + rowLength * static_cast<std::size_t>(height - 1 - y);
            for (int x = 0; x < width; ++x, dst += 3) {
                const GifColorType& c = map->Colors[row[static_cast<std::size_t>(x)] % map->ColorCount];
                dst[0] = c.Blue;
                dst[1] = c.Green;
                dst[2] = c.Red;
            }
        }
        break;
    }
    DGifCloseFile(gif, &error);
    return ok;
}

const Bytes& Picture(int width)
{
    static const Bytes small = MakeGif(320, 240);
    static const Bytes large = MakeGif(1024, 768);
    return width == 320 ? small : large;
}

void BM_Ours(benchmark::State& state)
{
    const Bytes& file = Picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        GifReader reader;
        const PictureRead read = reader.ReadGifMemory(file.data(), file.size());
        if (read.status != PictureStatus::Read)
            state.SkipWithError("our reader failed");
        benchmark::DoNotOptimize(read.block.data());
    }
}

void BM_Giflib(benchmark::State& state)
{
    const Bytes& file = Picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::uint8_t> block;
        if (!GiflibDecode(file, block))
            state.SkipWithError("giflib failed");
        benchmark::DoNotOptimize(block.data());
    }
}

BENCHMARK(BM_Ours)->Arg(320)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Giflib)->Arg(320)->Arg(1024)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const
    {
        for (const char* size : { "320", "1024" }) {
            auto ours = times_.find(std::string("BM_Ours/") + size);
            auto theirs = times_.find(std::string("BM_Giflib/") + size);
            if (ours != times_.end() && theirs != times_.end() && theirs->second > 0)
                std::printf("ours/giflib %s: %.2f\n", size, ours->second / theirs->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    // Both decoders must agree before their speeds mean anything.
    for (int width : { 320, 1024 }) {
        GifReader reader;
        const PictureRead ours = reader.ReadGifMemory(Picture(width).data(), Picture(width).size());
        std::vector<std::uint8_t> theirs;
        if (ours.status != PictureStatus::Read || !GiflibDecode(Picture(width), theirs) || ours.block != theirs) {
            std::fprintf(stderr, "decoders disagree on the %d-wide picture\n", width);
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
