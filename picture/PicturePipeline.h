#pragma once
// Encodes and writes a sequence's pictures on threads of their own while the
// drawing thread draws the next frames.
//
// The drawing thread hands each picture over with submit(); worker threads
// take them in order from a bounded queue, encode them and write them. What
// is kept in memory is bounded whatever the length of the sequence: the
// queue holds as many pictures as there are workers and each worker one
// more, so with W workers at most 2W + 1 pictures exist at once (the one
// being drawn included), and pictures are recycled rather than allocated
// anew.
//
// Order and failure: pictures are numbered in the order they are handed
// over. A picture is written only once every picture before it has been
// encoded without failure, so a failed encoding leaves no later picture
// written. The first failure stops everything that has not started: the
// drawing thread is told (submit() returns false, failed() turns true),
// queued pictures after it are dropped, and finish() reports the failure of
// the lowest-numbered picture, which is the one a run without threads would
// have stopped at. A write that fails may be overtaken by later pictures
// that were being written at that moment (at most W - 1); files are written
// whole or not at all (writeOutputFile), so nothing half-written is left.
//
// With no workers, submit() encodes and writes the picture itself before it
// returns: one picture after another on one thread, the reference the
// threaded run must match byte for byte.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "canvas/Image.h"
#include "picture/BoundedQueue.h"

namespace picture {

// One picture on its way to its file.
struct PictureJob {
    std::size_t number = 0;  // in the order handed over, from 0
    std::string path;
    canvas::Image image;
};

// What is done to each picture, on whichever thread takes it: encoded into
// bytes (`out` is reused from picture to picture), then written. A failure's
// message says why; the pipeline puts "cannot write PATH: " before it.
struct PictureSteps {
    std::function<base::Status(const PictureJob& job, std::vector<uint8_t>& out)> encode;
    std::function<base::Status(const PictureJob& job, const std::vector<uint8_t>& bytes)> write;
};

// PNG encoding (picture::encodePng) and writePictureFile.
PictureSteps pngFileSteps();

// Writes a picture's bytes to `path` with writeOutputFile; a failure says why.
base::Status writePictureFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Where the time went, in milliseconds summed over the pictures (encode and
// write on whichever thread did them, so they overlap the drawing and each
// other), and how long the drawing thread waited for room in the queue.
struct PipelineTiming {
    std::size_t encoded = 0;
    std::size_t written = 0;
    double encode = 0.0;
    double write = 0.0;
    double queueWait = 0.0;
};

class PicturePipeline {
  public:
    // `workers` threads (0: none, see above). `onWritten` is told the number
    // of pictures written so far after each one, on the thread that wrote it
    // and one call at a time.
    PicturePipeline(unsigned workers, PictureSteps steps,
                    std::function<void(std::size_t written)> onWritten = {});
    // Finishes if finish() was not called.
    ~PicturePipeline();
    PicturePipeline(const PicturePipeline&) = delete;
    PicturePipeline& operator=(const PicturePipeline&) = delete;

    // A picture to draw the next frame into: one the workers are done with
    // (its memory kept), or a new one.
    canvas::Image spareImage();
    // Hands the next picture over; waits while the queue is full. False once
    // the pipeline has stopped on a failure (the picture is dropped).
    bool submit(std::string path, canvas::Image image);
    // The drawing thread's own failure for the next picture (it could not be
    // drawn): reported like any other, and nothing after it is written.
    void fail(base::Failure failure);
    bool failed() const;

    // Waits until every picture handed over is written or dropped, ends the
    // workers and returns the first failure in picture order, if any.
    base::Status finish();
    // Valid after finish().
    const PipelineTiming& timing() const { return timing_; }
    unsigned workers() const { return static_cast<unsigned>(workers_.size()); }

  private:
    void work();
    void process(PictureJob& job, std::vector<uint8_t>& bytes);
    bool encode(PictureJob& job, std::vector<uint8_t>& bytes);
    void write(const PictureJob& job, const std::vector<uint8_t>& bytes);
    // Under mutex_:
    bool stoppedBefore(std::size_t number) const;
    void recordFailure(std::size_t number, std::string message);
    void markEncoded(std::size_t number);

    PictureSteps steps_;
    std::function<void(std::size_t)> onWritten_;
    BoundedQueue<PictureJob> queue_;
    std::vector<std::thread> workers_;
    std::vector<uint8_t> ownBytes_;  // with no workers
    std::size_t submitted_ = 0;      // the drawing thread's alone
    bool finished_ = false;
    base::Status result_;

    mutable std::mutex mutex_;
    std::condition_variable encodedChanged_;
    std::size_t encodedBefore_ = 0;       // pictures below this number are all encoded
    std::set<std::size_t> encodedAhead_;  // encoded while one before them was not yet
    std::optional<std::size_t> failedAt_;
    std::string failure_;
    std::vector<canvas::Image> spare_;
    PipelineTiming timing_;
};

}  // namespace picture
