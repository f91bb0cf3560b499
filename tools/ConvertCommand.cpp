// mirrim-cli convert: read any picture the player reads and write it in the format its name asks for.
#include "CliCommand.h"

#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/store/CDib.h"

#include <CLI/CLI.hpp>

#include <cerrno>

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
    const PictureFormat* format = FormatOfExtension(output.c_str());
    if (!format)
        return cliFail("convert", "cannot tell a format from '" + output + "': name it " + WritableExtensions(), 2);

    CDib picture;
    if (!picture.Load(input.c_str()))
        return cliFail("convert", "cannot read '" + input + "': " + DescribeReadFailure(picture.LastLoad()));
    if (!picture.SaveAs(output.c_str(), *format, 100))
        return cliFail("convert", "cannot write '" + output + "': " + DescribeSaveFailure(errno));
    return 0;
}

} // namespace

CliRun AddConvertCommand(CLI::App& program)
{
    CLI::App* command = program.add_subcommand("convert", "convert a picture to BMP, JPEG or PNG");
    auto files = std::make_shared<Files>();
    command->add_option("INPUT", files->input, "the picture to read")->required();
    command->add_option("OUTPUT", files->output, "the file to write")->required();
    command->footer("Reads INPUT as the player reads pictures: BMP, GIF (first image), JPEG or PNG,\n"
                    "told apart by content, whatever the extension. Writes OUTPUT in the format its\n"
                    "extension names, in any letter case: .bmp, .jpg or .jpeg (quality 100), .png.\n"
                    "A BMP keeps the picture's own depth and colour table; a JPEG or PNG holds its\n"
                    "colours as shown. Saving through a symbolic link replaces the file it points to;\n"
                    "a pipe, device or /dev/stdout is written directly.\n\n"
                    "Exit status: 0 written, 1 INPUT unreadable or OUTPUT not written, 2 bad usage\n"
                    "(an OUTPUT name without one of those extensions).\n\n"
                    "Example: mirrim-cli convert sprite.gif sprite.png\n");
    return [files] { return runConvert(*files); };
}
