#include "picture/PicturePipeline.h"

#include <chrono>
#include <exception>
#include <string_view>
#include <system_error>
#include <utility>

#include "desktop/OutputFile.h"
#include "picture/Png.h"

namespace picture {
namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string cannotWrite(const std::string& path, const std::string& why) {
    return "cannot write " + path + ": " + why;
}

}  // namespace

base::Status writePictureFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return desktop::writeOutputFile(path, content, 0666);
}

PictureSteps pngFileSteps() {
    return {[](const PictureJob& job, std::vector<uint8_t>& out) {
                return picture::encodePng(job.image, out);
            },
            [](const PictureJob& job, const std::vector<uint8_t>& bytes) {
                return writePictureFile(job.path, bytes);
            }};
}

PicturePipeline::PicturePipeline(unsigned workers, PictureSteps steps,
                                 std::function<void(std::size_t)> onWritten)
    : steps_(std::move(steps)), onWritten_(std::move(onWritten)), queue_(workers) {
    // When the system refuses a thread, the pipeline makes do with those it
    // has (none: the drawing thread does the work).
    try {
        workers_.reserve(workers);
        for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
    }
}

PicturePipeline::~PicturePipeline() { (void)finish(); }

canvas::Image PicturePipeline::spareImage() {
    const std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    canvas::Image image = std::move(spare_.back());
    spare_.pop_back();
    return image;
}

bool PicturePipeline::submit(std::string path, canvas::Image image) {
    if (failed()) return false;
    PictureJob job{submitted_++, std::move(path), std::move(image)};
    if (workers_.empty()) {
        process(job, ownBytes_);
        return !failed();
    }
    const Clock::time_point start = Clock::now();
    const bool queued = queue_.push(std::move(job));
    const double waited = millisecondsSince(start);
    const std::lock_guard lock(mutex_);
    timing_.queueWait += waited;
    return queued && !failedAt_;
}

void PicturePipeline::fail(base::Failure failure) {
    const std::lock_guard lock(mutex_);
    recordFailure(submitted_, std::move(failure.message));
}

bool PicturePipeline::failed() const {
    const std::lock_guard lock(mutex_);
    return failedAt_.has_value();
}

base::Status PicturePipeline::finish() {
    if (finished_) return result_;
    finished_ = true;
    queue_.close();
    for (std::thread& worker : workers_) worker.join();
    const std::lock_guard lock(mutex_);
    if (failedAt_) result_ = base::Failure{failure_};
    return result_;
}

void PicturePipeline::work() {
    std::vector<uint8_t> bytes;
    while (std::optional<PictureJob> job = queue_.pop()) process(*job, bytes);
}

void PicturePipeline::process(PictureJob& job, std::vector<uint8_t>& bytes) {
    // Nothing may escape a worker thread: an exception (memory running out
    // while encoding) fails the picture like any other failure.
    try {
        if (encode(job, bytes)) write(job, bytes);
    } catch (const std::exception& e) {
        const std::lock_guard lock(mutex_);
        recordFailure(job.number, cannotWrite(job.path, e.what()));
        markEncoded(job.number);
    }
}

// Encodes the picture unless an earlier one failed, then waits until every
// picture before it is encoded. Whether it is still to be written.
bool PicturePipeline::encode(PictureJob& job, std::vector<uint8_t>& bytes) {
    {
        const std::lock_guard lock(mutex_);
        if (stoppedBefore(job.number)) {
            spare_.push_back(std::move(job.image));
            markEncoded(job.number);
            return false;
        }
    }
    const Clock::time_point start = Clock::now();
    const base::Status encoded = steps_.encode(job, bytes);
    const double took = millisecondsSince(start);

    std::unique_lock lock(mutex_);
    spare_.push_back(std::move(job.image));
    timing_.encode += took;
    ++timing_.encoded;
    if (!encoded) recordFailure(job.number, cannotWrite(job.path, encoded.error()));
    markEncoded(job.number);
    encodedChanged_.wait(lock,
                         [&] { return encodedBefore_ >= job.number || stoppedBefore(job.number); });
    return encoded.ok() && !stoppedBefore(job.number);
}

void PicturePipeline::write(const PictureJob& job, const std::vector<uint8_t>& bytes) {
    const Clock::time_point start = Clock::now();
    const base::Status written = steps_.write(job, bytes);
    const double took = millisecondsSince(start);
    const std::lock_guard lock(mutex_);
    timing_.write += took;
    if (!written) {
        recordFailure(job.number, cannotWrite(job.path, written.error()));
        return;
    }
    ++timing_.written;
    if (onWritten_) onWritten_(timing_.written);
}

bool PicturePipeline::stoppedBefore(std::size_t number) const {
    return failedAt_ && *failedAt_ < number;
}

void PicturePipeline::recordFailure(std::size_t number, std::string message) {
    if (!failedAt_ || number < *failedAt_) {
        failedAt_ = number;
        failure_ = std::move(message);
    }
    encodedChanged_.notify_all();
}

void PicturePipeline::markEncoded(std::size_t number) {
    if (number < encodedBefore_) return;  // a picture that failed after it was encoded
    if (number != encodedBefore_) {
        encodedAhead_.insert(number);
        return;
    }
    ++encodedBefore_;
    while (!encodedAhead_.empty() && *encodedAhead_.begin() == encodedBefore_) {
        encodedAhead_.erase(encodedAhead_.begin());
        ++encodedBefore_;
    }
    encodedChanged_.notify_all();
}

}  // namespace picture
