#include "picture/VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

namespace picture {
namespace {

// Constant quality rather than a bit rate: a clip of a dial is mostly flat
// colour, and a rate that suits 720p wastes bits at 360p. Each encoder is
// also asked for its quicker settings, as a render of a long flight already
// takes its time drawing.
struct Encoder {
    const char* name;  // libavcodec's
    const char* description;
    std::array<std::pair<const char*, const char*>, 4> options;
};

constexpr Encoder kH264{
    "libx264", "H.264 (libx264)", {{{"preset", "veryfast"}, {"crf", "20"}, {}, {}}}};
// Its quality is set on the context (a fixed quantiser), not as an option.
constexpr Encoder kMpeg4{"mpeg4", "MPEG-4 part 2", {}};
constexpr Encoder kVp9{"libvpx-vp9",
                       "VP9 (libvpx)",
                       {{{"deadline", "realtime"}, {"cpu-used", "8"}, {"crf", "32"}, {"b", "0"}}}};
constexpr Encoder kVp8{"libvpx",
                       "VP8 (libvpx)",
                       {{{"deadline", "realtime"}, {"cpu-used", "8"}, {"crf", "10"}, {"b", "2M"}}}};

const Encoder* encoderFor(VideoContainer container, const AVCodec** codec) {
    const auto choices =
        container == VideoContainer::Mp4 ? std::array{&kH264, &kMpeg4} : std::array{&kVp9, &kVp8};
    for (const Encoder* choice : choices) {
        if (const AVCodec* found = avcodec_find_encoder_by_name(choice->name)) {
            *codec = found;
            return choice;
        }
    }
    return nullptr;
}

const char* containerName(VideoContainer container) {
    return container == VideoContainer::Mp4 ? "mp4" : "webm";
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

base::Failure avFailure(const std::string& step, int code) {
    return {step + ": " + errorText(code)};
}

}  // namespace

std::optional<VideoContainer> videoContainerFor(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return std::nullopt;
    std::string extension(path.substr(dot + 1));
    for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (extension == "mp4") return VideoContainer::Mp4;
    if (extension == "webm") return VideoContainer::WebM;
    return std::nullopt;
}

base::Result<std::string> videoEncoderFor(VideoContainer container) {
    const AVCodec* codec = nullptr;
    const Encoder* encoder = encoderFor(container, &codec);
    const std::string in = container == VideoContainer::Mp4 ? " in MP4" : " in WebM";
    if (encoder == nullptr)
        return base::Failure{container == VideoContainer::Mp4
                                 ? "this libavcodec has no H.264 or MPEG-4 encoder for MP4"
                                 : "this libavcodec has no VP9 or VP8 encoder (libvpx) for WebM"};
    return encoder->description + in;
}

base::Status checkVideoSize(int width, int height) {
    if (width < 2 || height < 2 || width % 2 != 0 || height % 2 != 0)
        return base::Failure{
            "a video's frames need an even width and height of at least 2 (4:2:0 colour), not " +
            std::to_string(width) + " by " + std::to_string(height)};
    if (width > kMaxVideoSide || height > kMaxVideoSide ||
        static_cast<long>(width) * height > kMaxVideoPixels)
        return base::Failure{
            "a video's frames are at most 3840 by 2160 pixels in all (no side above " +
            std::to_string(kMaxVideoSide) + "), not " + std::to_string(width) + " by " +
            std::to_string(height)};
    return {};
}

struct VideoWriter::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int width = 0;
    int height = 0;
    int64_t frames = 0;
    bool headerWritten = false;
    bool finished = false;

    ~State() {
        if (format != nullptr && format->pb != nullptr) avio_closep(&format->pb);
        avformat_free_context(format);
        avcodec_free_context(&codec);
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    base::Status openEncoder(VideoContainer container, int fps);
    base::Status openFile(const std::string& path);
    // Sends `input` (null: the end) and writes every packet the encoder gives.
    base::Status encode(const AVFrame* input);
};

base::Status VideoWriter::State::openEncoder(VideoContainer container, int fps) {
    const AVCodec* found = nullptr;
    const Encoder* encoder = encoderFor(container, &found);
    if (encoder == nullptr) return videoEncoderFor(container).failure();
    codec = avcodec_alloc_context3(found);
    if (codec == nullptr) return base::Failure{"out of memory for the encoder"};
    codec->width = width;
    codec->height = height;
    codec->time_base = AVRational{1, fps};
    codec->framerate = AVRational{fps, 1};
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->gop_size = 2 * fps;  // a key frame every two seconds, for seeking
    codec->thread_count =
        std::min<int>(kMaxEncoderThreads, std::max(1u, std::thread::hardware_concurrency()));
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    for (const auto& [key, value] : encoder->options)
        if (key != nullptr) av_dict_set(&options, key, value, 0);
    if (encoder == &kMpeg4) {
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = FF_QP2LAMBDA * 3;
    }
    const int opened = avcodec_open2(codec, found, &options);
    av_dict_free(&options);
    if (opened == AVERROR(ENOMEM))
        return base::Failure{std::string("cannot open the encoder ") + encoder->name +
                             ": out of memory for frames of " + std::to_string(width) + " by " +
                             std::to_string(height)};
    if (opened < 0)
        return avFailure(std::string("cannot open the encoder ") + encoder->name +
                             " for frames of " + std::to_string(width) + " by " +
                             std::to_string(height) + " (too little memory, perhaps)",
                         opened);
    stream = avformat_new_stream(format, nullptr);
    if (stream == nullptr) return base::Failure{"out of memory for the video stream"};
    stream->time_base = codec->time_base;
    const int copied = avcodec_parameters_from_context(stream->codecpar, codec);
    if (copied < 0) return avFailure("cannot set up the video stream", copied);
    return {};
}

base::Status VideoWriter::State::openFile(const std::string& path) {
    // A path is a file, whatever it looks like: "pipe:x.webm" or "12:30.mp4"
    // would otherwise name one of FFmpeg's protocols. Given as "file:" and
    // the absolute path, with no protocol but the file allowed, it is the
    // file the caller made.
    std::string url = "file:";
    if (path.empty() || path.front() != '/') {
        char here[PATH_MAX];
        if (::getcwd(here, sizeof here) == nullptr)
            return base::Failure{std::string("cannot open the file: getcwd: ") +
                                 std::strerror(errno)};
        url.append(here).append("/");
    }
    url += path;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = avio_open2(&format->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return avFailure("cannot open the file", opened);
    if (const int written = avformat_write_header(format, nullptr); written < 0)
        return avFailure("cannot write the video's header", written);
    headerWritten = true;
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (frame == nullptr || packet == nullptr) return base::Failure{"out of memory for a frame"};
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    if (const int made = av_frame_get_buffer(frame, 0); made < 0)
        return avFailure("cannot make a frame", made);
    scaler = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUV420P,
                            SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (scaler == nullptr) return base::Failure{"cannot set up the colour conversion"};
    return {};
}

base::Status VideoWriter::State::encode(const AVFrame* input) {
    if (const int sent = avcodec_send_frame(codec, input); sent < 0)
        return avFailure("encoding failed", sent);
    for (;;) {
        const int received = avcodec_receive_packet(codec, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return {};
        if (received < 0) return avFailure("encoding failed", received);
        // Every frame lasts one frame's time. Without a duration the MP4
        // muxer's edit list ends where the last frame begins, and players
        // drop that frame.
        if (packet->duration == 0) packet->duration = 1;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        const int written = av_interleaved_write_frame(format, packet);  // takes the packet
        if (written < 0) return avFailure("write", written);
        // A write error is kept in the file's context until it is flushed.
        if (format->pb->error < 0) return avFailure("write", format->pb->error);
    }
}

VideoWriter::VideoWriter() = default;
VideoWriter::~VideoWriter() = default;

base::Status VideoWriter::open(const std::string& path, VideoContainer container, int width,
                               int height, int fps) {
    if (base::Status size = checkVideoSize(width, height); !size) return size;
    if (fps < 1) return base::Failure{"a video needs a frame rate of at least 1"};
    // The libraries' own notes (the encoder's settings, statistics) would
    // mix with the program's messages; their errors still show.
    av_log_set_level(AV_LOG_ERROR);
    state_ = std::make_unique<State>();
    state_->width = width;
    state_->height = height;
    const int made =
        avformat_alloc_output_context2(&state_->format, nullptr, containerName(container), nullptr);
    if (made < 0 || state_->format == nullptr)
        return avFailure(std::string("no ") + containerName(container) + " container", made);
    if (base::Status opened = state_->openEncoder(container, fps); !opened) return opened;
    return state_->openFile(path);
}

base::Status VideoWriter::addFrame(const canvas::Image& image) {
    if (!state_ || !state_->headerWritten || state_->finished)
        return base::Failure{"the video is not open"};
    State& s = *state_;
    if (image.width != s.width || image.height != s.height)
        return base::Failure{"a frame of " + std::to_string(image.width) + " by " +
                             std::to_string(image.height) + " in a video of " +
                             std::to_string(s.width) + " by " + std::to_string(s.height)};
    if (const int writable = av_frame_make_writable(s.frame); writable < 0)
        return avFailure("cannot reuse the frame", writable);
    const uint8_t* const source[1] = {image.rgb.data()};
    const int sourceStride[1] = {3 * image.width};
    sws_scale(s.scaler, source, sourceStride, 0, s.height, s.frame->data, s.frame->linesize);
    s.frame->pts = s.frames++;
    return s.encode(s.frame);
}

base::Status VideoWriter::finish() {
    if (!state_ || !state_->headerWritten || state_->finished)
        return base::Failure{"the video is not open"};
    State& s = *state_;
    s.finished = true;
    if (base::Status drained = s.encode(nullptr); !drained) return drained;
    if (const int ended = av_write_trailer(s.format); ended < 0)
        return avFailure("cannot write the video's ending", ended);
    if (s.format->pb->error < 0) return avFailure("write", s.format->pb->error);
    if (const int closed = avio_closep(&s.format->pb); closed < 0)
        return avFailure("close", closed);
    return {};
}

std::size_t VideoWriter::frames() const {
    return state_ ? static_cast<std::size_t>(state_->frames) : 0;
}

}  // namespace picture
