// The pipeline that encodes and writes pictures on worker threads: the
// bounded queue between the threads, every picture written once with its own
// bytes, memory bounded by the number of workers, and a failure part way
// through reported for the right picture with nothing after it written. The
// steps are stand-ins that record what they were given; the real encoder and
// writer are covered end to end in render_command_test.cpp. Built with
// ThreadSanitizer (scripts/test.sh), these tests also check the locking.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "picture/BoundedQueue.h"
#include "picture/PicturePipeline.h"

namespace {

using picture::BoundedQueue;
using picture::PictureJob;
using picture::PicturePipeline;
using picture::PictureSteps;

TEST(BoundedQueueTest, ItemsComeOutInTheOrderTheyWentIn) {
    // Capacity 3 and 500 items: the producer waits for room again and again.
    BoundedQueue<int> queue(3);
    std::thread producer([&] {
        for (int i = 0; i < 500; ++i) ASSERT_TRUE(queue.push(i));
        queue.close();
    });
    std::vector<int> popped;
    while (std::optional<int> item = queue.pop()) popped.push_back(*item);
    producer.join();
    ASSERT_EQ(popped.size(), 500u);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(popped[static_cast<std::size_t>(i)], i);
}

TEST(BoundedQueueTest, PushWaitsWhileTheQueueIsFullAndCloseEndsBothSides) {
    BoundedQueue<int> queue(2);
    EXPECT_EQ(queue.capacity(), 2u);
    ASSERT_TRUE(queue.push(1));
    ASSERT_TRUE(queue.push(2));
    std::atomic<bool> thirdIn{false};
    std::thread producer([&] {
        EXPECT_TRUE(queue.push(3));
        thirdIn = true;
    });
    // Not a timing test: a correct queue can never let the third item in
    // before one is taken; the pause only gives a wrong one time to show.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(thirdIn);
    EXPECT_EQ(queue.pop(), 1);
    producer.join();
    EXPECT_TRUE(thirdIn);

    // Closed: what is left still comes out, then the end; pushes are refused.
    queue.close();
    EXPECT_FALSE(queue.push(4));
    EXPECT_EQ(queue.pop(), 2);
    EXPECT_EQ(queue.pop(), 3);
    EXPECT_EQ(queue.pop(), std::nullopt);
    EXPECT_EQ(BoundedQueue<int>(0).capacity(), 1u);  // never a queue that holds nothing
}

// Stand-in steps: a picture's "encoding" is its first byte and its number,
// "writing" records the bytes under the path. Either fails for the pictures
// named, and the encoding of one picture can be held until another's has
// failed.
class FakeFiles {
  public:
    PictureSteps steps() {
        return {
            [this](const PictureJob& job, std::vector<uint8_t>& out) { return encode(job, out); },
            [this](const PictureJob& job, const std::vector<uint8_t>& bytes) {
                return write(job, bytes);
            }};
    }

    std::map<std::string, std::vector<uint8_t>> written() const {
        const std::lock_guard lock(mutex_);
        return files_;
    }

    std::size_t failEncoding = SIZE_MAX;
    std::size_t failWriting = SIZE_MAX;
    // Picture `holdUntil.first` is encoded only once picture
    // `holdUntil.second` has failed to encode.
    std::pair<std::size_t, std::size_t> holdUntil{SIZE_MAX, SIZE_MAX};  // nothing held

  private:
    base::Status encode(const PictureJob& job, std::vector<uint8_t>& out) {
        if (job.number == holdUntil.first) {
            std::unique_lock lock(mutex_);
            failed_.wait_for(lock, std::chrono::seconds(20), [this] { return heldFailed_; });
        }
        if (job.number == failEncoding || job.number == holdUntil.second) {
            const std::lock_guard lock(mutex_);
            heldFailed_ = job.number == holdUntil.second;
            failed_.notify_all();
            return base::Failure{"no encoding today"};
        }
        out.assign({job.image.rgb.empty() ? uint8_t{0} : job.image.rgb[0],
                    static_cast<uint8_t>(job.number)});
        return {};
    }

    base::Status write(const PictureJob& job, const std::vector<uint8_t>& bytes) {
        if (job.number == failWriting) return base::Failure{"disk full"};
        const std::lock_guard lock(mutex_);
        EXPECT_EQ(files_.count(job.path), 0u) << job.path << " written twice";
        files_[job.path] = bytes;
        return {};
    }

    mutable std::mutex mutex_;
    std::condition_variable failed_;
    bool heldFailed_ = false;
    std::map<std::string, std::vector<uint8_t>> files_;
};

constexpr std::pair<std::size_t, std::size_t> kNoHold{SIZE_MAX, SIZE_MAX};

std::string pathOf(std::size_t number) { return "/pictures/" + std::to_string(number) + ".png"; }

// Hands over `count` pictures, picture n a 4 by 4 grey of n, drawn into the
// images the pipeline gives back. Returns how many new images were needed.
std::size_t submitPictures(PicturePipeline& pipeline, std::size_t count) {
    std::size_t fresh = 0;
    for (std::size_t n = 0; n < count; ++n) {
        canvas::Image image = pipeline.spareImage();
        if (image.rgb.empty()) ++fresh;
        image.resize(4, 4);
        std::fill(image.rgb.begin(), image.rgb.end(), static_cast<uint8_t>(n));
        if (!pipeline.submit(pathOf(n), std::move(image))) break;
    }
    return fresh;
}

TEST(PicturePipelineTest, EveryPictureIsWrittenOnceWithItsOwnBytesAndImagesAreRecycled) {
    for (unsigned workers : {0u, 1u, 3u}) {
        FakeFiles files;
        std::vector<std::size_t> progress;
        PicturePipeline pipeline(workers, files.steps(),
                                 [&](std::size_t written) { progress.push_back(written); });
        EXPECT_EQ(pipeline.workers(), workers);
        const std::size_t fresh = submitPictures(pipeline, 200);
        const base::Status finished = pipeline.finish();
        ASSERT_TRUE(finished) << finished.error();
        // At most W in the queue, W being encoded and one being drawn.
        EXPECT_LE(fresh, 2 * workers + 1) << workers << " workers";
        const auto written = files.written();
        ASSERT_EQ(written.size(), 200u) << workers << " workers";
        for (std::size_t n = 0; n < 200; ++n)
            EXPECT_EQ(written.at(pathOf(n)),
                      (std::vector<uint8_t>{static_cast<uint8_t>(n), static_cast<uint8_t>(n)}));
        // The progress counts up by one, one call at a time.
        ASSERT_EQ(progress.size(), 200u);
        for (std::size_t i = 0; i < progress.size(); ++i) EXPECT_EQ(progress[i], i + 1);
        EXPECT_EQ(pipeline.timing().encoded, 200u);
        EXPECT_EQ(pipeline.timing().written, 200u);
    }
}

TEST(PicturePipelineTest, AFailedPictureIsReportedByItsPathAndNothingAfterItIsWritten) {
    struct Case {
        const char* what;
        unsigned workers;
        std::size_t failEncoding, failWriting, drawingFailsAt;
        std::pair<std::size_t, std::size_t> hold;
        std::size_t reported;  // the picture whose failure finish() reports
        const char* message;
    };
    const Case cases[] = {
        {"encoding picture 7 of 30 fails, one thread", 0, 7, SIZE_MAX, SIZE_MAX, kNoHold, 7,
         "no encoding today"},
        {"encoding picture 7 of 30 fails, three workers", 3, 7, SIZE_MAX, SIZE_MAX, kNoHold, 7,
         "no encoding today"},
        {"writing picture 7 fails, one worker", 1, SIZE_MAX, 7, SIZE_MAX, kNoHold, 7, "disk full"},
        // Picture 9 fails first while 7 is still being encoded; 7 then fails
        // too and is the one reported, as a run on one thread would.
        {"encoding 9 fails, then 7", 3, 7, SIZE_MAX, SIZE_MAX, {7, 9}, 7, "no encoding today"},
        {"drawing picture 7 fails", 3, SIZE_MAX, SIZE_MAX, 7, kNoHold, 7, "cannot draw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeFiles files;
        files.failEncoding = c.failEncoding;
        files.failWriting = c.failWriting;
        files.holdUntil = c.hold;
        PicturePipeline pipeline(c.workers, files.steps());
        submitPictures(pipeline, std::min<std::size_t>(c.drawingFailsAt, 30));
        if (c.drawingFailsAt != SIZE_MAX) pipeline.fail(base::Failure{"cannot draw"});
        EXPECT_FALSE(pipeline.submit(pathOf(99), canvas::Image{}));  // stopped: refused
        EXPECT_TRUE(pipeline.failed());
        const base::Status finished = pipeline.finish();
        const std::string expected = c.drawingFailsAt != SIZE_MAX
                                         ? c.message
                                         : "cannot write " + pathOf(c.reported) + ": " + c.message;
        EXPECT_EQ(finished.error(), expected);
        const auto written = files.written();
        for (std::size_t n = 0; n < c.reported; ++n) EXPECT_EQ(written.count(pathOf(n)), 1u) << n;
        // A failed write may be overtaken by pictures being written at the
        // same moment; with one worker there are none.
        for (std::size_t n = c.reported; n < 100; ++n) EXPECT_EQ(written.count(pathOf(n)), 0u) << n;
    }
}

TEST(PicturePipelineTest, AnExceptionInAStepFailsThePictureInsteadOfEndingTheProgram) {
    PictureSteps steps;
    steps.encode = [](const PictureJob& job, std::vector<uint8_t>&) -> base::Status {
        if (job.number == 2) throw std::bad_alloc();
        return {};
    };
    steps.write = [](const PictureJob&, const std::vector<uint8_t>&) { return base::Status{}; };
    PicturePipeline pipeline(2, steps);
    submitPictures(pipeline, 5);
    EXPECT_EQ(pipeline.finish().error(), "cannot write " + pathOf(2) + ": std::bad_alloc");
}

}  // namespace
