#include "player/imaging/video/FfmpegDeleter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

void FfmpegDeleter::operator()(AVCodecContext* p) const
{
    avcodec_free_context(&p);
}
void FfmpegDeleter::operator()(AVCodecParameters* p) const
{
    avcodec_parameters_free(&p);
}
void FfmpegDeleter::operator()(AVFilterGraph* p) const
{
    avfilter_graph_free(&p);
}
void FfmpegDeleter::operator()(AVFormatContext* p) const
{
    avformat_free_context(p);
}
void FfmpegDeleter::operator()(AVFrame* p) const
{
    av_frame_free(&p);
}
void FfmpegDeleter::operator()(AVIOContext* p) const
{
    if (p)
        av_freep(&p->buffer);
    avio_context_free(&p);
}
void FfmpegDeleter::operator()(AVPacket* p) const
{
    av_packet_free(&p);
}
void FfmpegDeleter::operator()(SwsContext* p) const
{
    sws_freeContext(p);
}
