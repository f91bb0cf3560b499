#include "player/imaging/video/MovieFileWriter.h"

#include "player/imaging/codecs/SafeFileWriter.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

std::string FfmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::unique_ptr<MovieFileWriter> MovieFileWriter::Create(const std::string& fileName, const char* muxer,
    const AVCodecParameters& stream, AVRational timeBase, std::string& error)
{
    std::unique_ptr<MovieFileWriter> writer(new MovieFileWriter);
    if (writer->output_.Open(fileName) < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    // "file:" keeps FFmpeg from reading a protocol into a name with a colon in it. The muxer reopens this
    // name to move the index to the front.
    const std::string url = "file:" + writer->output_.WorkingName();
    AVFormatContext* format = nullptr;
    int result = avformat_alloc_output_context2(&format, nullptr, muxer, url.c_str());
    if (result < 0) {
        error = FfmpegError(result);
        return nullptr;
    }
    writer->format_.reset(format);
    AVStream* video = avformat_new_stream(format, nullptr);
    if (!video || avcodec_parameters_copy(video->codecpar, &stream) < 0) {
        error = "out of memory";
        return nullptr;
    }
    video->time_base = timeBase;
    video->avg_frame_rate = av_inv_q(timeBase);
    AVDictionary* options = nullptr;
    if (writer->output_.IsRegular())
        av_dict_set(&options, "movflags", "+faststart", 0); // it reads the file back
    av_dict_set(&options, "loop", "0", 0); // a GIF plays for ever
    result = avio_open2(&format->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr);
    if (result >= 0)
        result = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = FfmpegError(result);
        return nullptr;
    }
    return writer;
}

MovieFileWriter::~MovieFileWriter()
{
    if (format_ && format_->pb) {
        // The GIF muxer frees the frame it holds back only in its trailer; the file goes anyway.
        if (std::strcmp(format_->oformat->name, "gif") == 0)
            av_write_trailer(format_.get());
        avio_closep(&format_->pb);
    }
}

bool MovieFileWriter::WritePacket(AVPacket* packet, AVRational timeBase)
{
    if (!format_ || !format_->pb)
        return false;
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, timeBase, format_->streams[0]->time_base);
    return av_write_frame(format_.get(), packet) >= 0 && !format_->pb->error;
}

bool MovieFileWriter::Finish(std::string& error)
{
    if (!format_ || !format_->pb) {
        error = "the file is not open";
        return false;
    }
    int result = av_write_trailer(format_.get());
    if (result >= 0 && format_->pb->error < 0)
        result = format_->pb->error;
    const int closed = avio_closep(&format_->pb);
    if (result >= 0)
        result = closed;
    if (result < 0) {
        error = FfmpegError(result);
        return false;
    }
    if (!output_.Commit()) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}
