// mirrim-cli convert: read any picture the player reads and write it in the format its name asks for.
#include "CliCommand.h"

#include "player/imaging/CDib.h"
#include "player/imaging/PictureFormats.h"

#include <cerrno>

namespace {

int runConvert(const std::vector<std::string>& args)
{
    if (args.size() != 2 || args[0].empty() || args[1].empty())
        return cliFail("convert", "needs an INPUT and an OUTPUT file (see --help)", 2);
    const std::string& input = args[0];
    const std::string& output = args[1];
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

extern const CliCommand kConvertCommand = { "convert", "convert a picture to BMP, JPEG or PNG",
    "Usage: mirrim-cli convert INPUT OUTPUT\n\n"
    "Reads INPUT as the player reads pictures: BMP, GIF (first image), JPEG or PNG,\n"
    "told apart by content, whatever the extension. Writes OUTPUT in the format its\n"
    "extension names, in any letter case: .bmp, .jpg or .jpeg (quality 100), .png.\n"
    "A BMP keeps the picture's own depth and colour table; a JPEG or PNG holds its\n"
    "colours as shown. Saving through a symbolic link replaces the file it points to;\n"
    "a pipe, device or /dev/stdout is written directly.\n\n"
    "Exit status: 0 written, 1 INPUT unreadable or OUTPUT not written, 2 bad usage\n"
    "(an OUTPUT name without one of those extensions).\n\n"
    "Example: mirrim-cli convert sprite.gif sprite.png\n",
    runConvert };
