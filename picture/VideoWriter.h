#pragma once
// Videos of rendered pictures, through FFmpeg's libraries (libavformat for
// the container, libavcodec for the encoder, libswscale for the colour
// conversion); nothing of FFmpeg shows here.
//
// The container comes from the file's extension and the encoder from what
// the system's libavcodec has:
//   .mp4   H.264 (libx264), else MPEG-4 part 2 (FFmpeg's own encoder)
//   .webm  VP9 (libvpx-vp9), else VP8 (libvpx)
// Pictures are 8-bit RGB, stored as 4:2:0 YUV, so both sides must be even.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "canvas/Image.h"

namespace picture {

enum class VideoContainer { Mp4, WebM };

// The container a file name asks for by its extension (any case); nullopt
// for any other extension.
std::optional<VideoContainer> videoContainerFor(std::string_view path);

// What a video in the container is made with ("H.264 (libx264) in MP4"), or
// why none can be made (no encoder for it in this libavcodec).
base::Result<std::string> videoEncoderFor(VideoContainer container);

// The largest video frame: a 4K (3840 by 2160) frame's pixels, and no side
// longer than 4096. The encoders keep a few dozen frames in flight (look-
// ahead, reference frames, one set per thread), so their memory grows with
// the frame: at this size the encoder takes some 0.75 GB (H.264) to 1 GB
// (VP9) (bench/video_memory_bench; docs/pictures.md has the figures), where
// an 8192 by 8192 canvas took 8 GB.
inline constexpr int kMaxVideoSide = 4096;
inline constexpr long kMaxVideoPixels = 3840L * 2160L;
// Encoder threads at most: each keeps frames of its own.
inline constexpr int kMaxEncoderThreads = 4;

// Whether a canvas can be a video's frame size, and why not.
base::Status checkVideoSize(int width, int height);

class VideoWriter {
  public:
    VideoWriter();
    // Closes an unfinished file without its ending: the caller removes it.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Creates (or truncates) the file at `path` and writes the container's
    // header. `path`'s own name does not choose the container.
    base::Status open(const std::string& path, VideoContainer container, int width, int height,
                      int fps);
    // The next frame, of the size given to open().
    base::Status addFrame(const canvas::Image& image);
    // Encodes the frames the encoder still holds, writes the container's
    // ending and closes the file. The video is whole only if this succeeds.
    base::Status finish();
    std::size_t frames() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace picture
