// The video encoders' memory at the largest video frame (3840 by 2160):
// frames of a moving gradient encoded by picture::VideoWriter into a file in
// a temporary folder, and the process's peak resident memory before and
// after. One container a run, as the peak is the process's:
//   cmake --build build --target video_memory_bench
//   build/bench/video_memory_bench mp4    (and webm)
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "canvas/Image.h"
#include "picture/VideoWriter.h"

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kFrames = 60;  // past every encoder's look-ahead
constexpr int kFps = 60;

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kB on Linux
}

// A gradient that moves a little every frame, so that every frame is coded.
void drawFrame(canvas::Image& image, int frame) {
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
            p[0] = static_cast<uint8_t>(x + 4 * frame);
            p[1] = static_cast<uint8_t>(y + 2 * frame);
            p[2] = static_cast<uint8_t>((x ^ y) + frame);
        }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "mp4";
    if (kind != "mp4" && kind != "webm") {
        std::fprintf(stderr, "usage: video_memory_bench mp4|webm\n");
        return 2;
    }
    char folder[] = "/tmp/trimsight-video-bench.XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/clip." + kind;
    const auto container =
        kind == "mp4" ? picture::VideoContainer::Mp4 : picture::VideoContainer::WebM;
    canvas::Image image;
    image.resize(kWidth, kHeight);
    const double before = peakMegabytes();
    picture::VideoWriter writer;
    base::Status status = writer.open(path, container, kWidth, kHeight, kFps);
    for (int i = 0; status && i < kFrames; ++i) {
        drawFrame(image, i);
        status = writer.addFrame(image);
    }
    if (status) status = writer.finish();
    const double after = peakMegabytes();
    unlink(path.c_str());
    rmdir(folder);
    if (!status) {
        std::fprintf(stderr, "video_memory_bench: %s\n", status.error().c_str());
        return 1;
    }
    const base::Result<std::string> encoder = picture::videoEncoderFor(container);
    std::printf(
        "%s, %d frames of %d by %d: peak resident memory %.0f MB (%.0f MB before the video, "
        "so the encoder's %.0f MB)\n",
        encoder ? encoder->c_str() : kind.c_str(), kFrames, kWidth, kHeight, after, before,
        after - before);
    return 0;
}
