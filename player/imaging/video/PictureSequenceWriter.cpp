#include "player/imaging/video/PictureSequenceWriter.h"

#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/PngCodec.h"
#include "player/imaging/store/EnlargePixels.h"

#include <cctype>
#include <new>
#include <utility>

bool PictureSequenceWriter::Available()
{
    return FormatNamed("PNG") != nullptr;
}

std::string PictureSequenceWriter::FrameFileName(const std::string& pattern, long long number)
{
    // Read by hand rather than handed to printf: the name is the user's, and any other conversion in it
    // would read arguments that are not there.
    std::string name;
    int fields = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            name += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        const bool zeros = j < pattern.size() && pattern[j] == '0';
        j += zeros;
        int width = 0;
        if (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])))
            width = pattern[j++] - '0';
        if (j >= pattern.size() || pattern[j] != 'd' || (zeros && width == 0) || ++fields > 1)
            return std::string();
        std::string digits = std::to_string(number);
        if (static_cast<int>(digits.size()) < width)
            digits.insert(number < 0 && zeros ? 1 : 0, width - digits.size(), zeros ? '0' : ' ');
        name += digits;
        i = j;
    }
    return fields == 1 ? name : std::string();
}

std::unique_ptr<PictureSequenceWriter> PictureSequenceWriter::Create(const Request& request, std::string& error)
{
    std::unique_ptr<PictureSequenceWriter> writer(new PictureSequenceWriter);
    writer->png_ = FormatNamed("PNG");
    if (!writer->png_) {
        error = "this build cannot write PNG pictures";
        return nullptr;
    }
    if (FrameFileName(request.fileName, 1).empty()) {
        error = "one picture is written per frame, so the name needs one frame number in it, such as "
                "frame%04d.png";
        return nullptr;
    }
    writer->request_ = request;
    writer->bytesPerPixel_ = request.alpha ? 4 : 3;
    writer->rowLength_ = (8 * writer->bytesPerPixel_ * static_cast<std::size_t>(request.width) + 31) / 32 * 4;
    try {
        writer->rgb_.resize(static_cast<std::size_t>(request.width) * request.scale * writer->bytesPerPixel_
            * static_cast<std::size_t>(request.height) * request.scale);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for a frame";
        return nullptr;
    }
    return writer;
}

bool PictureSequenceWriter::WriteFrame(const std::uint8_t* rows, std::size_t length)
{
    ++offered_;
    if (!rows || length != rowLength_ * static_cast<std::size_t>(request_.height))
        return false;
    const int width = request_.width * request_.scale;
    const int height = request_.height * request_.scale;
    const std::size_t stride = static_cast<std::size_t>(width) * bytesPerPixel_;
    EnlargePixels(
        rows, rowLength_, request_.width, request_.height, bytesPerPixel_, request_.scale, true, rgb_.data(), stride);
    for (std::size_t i = 0; i < rgb_.size(); i += bytesPerPixel_)
        std::swap(rgb_[i], rgb_[i + 2]);
    // The number is the frame's place in the recording, so a frame that could not be written leaves a
    // gap rather than shifting the ones after it.
    const std::string name = FrameFileName(request_.fileName, offered_);
    if (request_.alpha ? !WritePngWithAlpha(name.c_str(), rgb_.data(), width, height)
                       : !SavePicture(name.c_str(), *png_, RgbRows(rgb_.data(), width, height, stride), 0))
        return false;
    ++frames_;
    return true;
}

bool PictureSequenceWriter::Finish(std::string& error)
{
    if (frames_ == 0) {
        error = "no frame was recorded";
        return false;
    }
    return true;
}
