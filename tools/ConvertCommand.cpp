// mirrim-cli convert: read any picture the player reads and write it as a snapshot is saved.
#include "CliCommand.h"

#include "player/imaging/CDib.h"
#include "player/imaging/SnapshotFile.h"

#include <CLI/CLI.hpp>

#include <filesystem>

namespace {

struct Files {
    std::string input;
    std::string output;
};

int runConvert(const Files& files)
{
    const std::string& input = files.input;
    const std::string& output = files.output;
    if (input.empty() || output.empty())
        return cliFail("convert", "needs an INPUT and an OUTPUT file (see --help)", 2);

    CDib picture;
    if (!picture.Load(input.c_str())) {
        std::error_code error;
        if (!std::filesystem::exists(input, error))
            return cliFail("convert", "cannot read '" + input + "': no such file");
        return cliFail("convert", "cannot read '" + input + "': not a JPEG, GIF or BMP picture we can read");
    }

    if (!WantsJpeg(output.c_str())) {
        if (!picture.SaveBmp(output.c_str()))
            return cliFail("convert", "cannot write '" + output + "'");
        return 0;
    }
    // JPEG needs 24-bit rows: a palette picture goes as it is shown.
    CDib shown;
    if (picture.GetBitCount() != 24) {
        if (!picture.GetBitmap() || !shown.Create(picture.GetWidth(), picture.GetHeight()))
            return cliFail("convert", "cannot convert '" + input + "' to 24 bits per pixel");
        shown.GetBitmap()->BitBlt(0, 0, picture.GetWidth(), picture.GetHeight(), picture.GetBitmap(), 0, 0);
        shown.UpdateFromBitmap();
    }
    CDib& source = picture.GetBitCount() == 24 ? picture : shown;
    if (!source.SaveJpeg(output.c_str(), 100))
        return cliFail("convert", "cannot write '" + output + "'");
    return 0;
}

} // namespace

CliRun AddConvertCommand(CLI::App& program)
{
    CLI::App* command = program.add_subcommand("convert", "convert a JPEG, GIF or BMP picture to JPEG or BMP");
    auto files = std::make_shared<Files>();
    command->add_option("INPUT", files->input, "the picture to read")->required();
    command->add_option("OUTPUT", files->output, "the file to write")->required();
    command->footer("Reads INPUT as the player reads pictures: JPEG, then GIF (first image), then BMP\n"
                    "(Windows or OS/2, 1, 4, 8 or 24 bits), whatever its extension. Writes OUTPUT as\n"
                    "the snapshot dialog saves: a JPEG at quality 100 when OUTPUT ends in exactly \".jpg\"\n"
                    "or \".jpeg\" (lower case), a BMP file otherwise. A BMP keeps the picture's own pixel\n"
                    "depth; a JPEG of a palette picture holds its colours as shown.\n\n"
                    "Exit status: 0 written, 1 INPUT unreadable or OUTPUT not written, 2 bad usage.\n\n"
                    "Example: mirrim-cli convert sprite.gif sprite.bmp\n");
    return [files] { return runConvert(*files); };
}
