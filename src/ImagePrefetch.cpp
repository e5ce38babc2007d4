// Decoding through DecodedImage, on the caller's thread or ahead of time on two workers.
#include "ImagePrefetch.h"

#include "platform/Concurrency.h"

namespace {

ImagePrefetch* current = nullptr;
// Without threads every image is decoded when it is first asked for.
constexpr int workerCount = platform::canStartThreads ? 2 : 0;

} // namespace

ImagePrefetch::ImagePrefetch(const std::vector<std::string>& paths)
    : paths(paths), results(paths.size()), claimed(paths.size(), false), done(paths.size(), false) {
    current = this;
    for (int i = 0; i < workerCount; ++i)
        workers.emplace_back(&ImagePrefetch::work, this);
}

ImagePrefetch::~ImagePrefetch() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        next = paths.size(); // nothing more is started
    }
    for (std::thread& worker : workers)
        worker.join();
    if (current == this)
        current = nullptr;
}

namespace {

// Errors are kept for whoever asks for the file: a worker has no one to report to.
void decodeInto(const std::string& path, std::shared_ptr<const DecodedImage>& image,
                std::exception_ptr& error) {
    try {
        image = std::make_shared<const DecodedImage>(Kem::String(path.c_str()), "src/Texture", 21);
    } catch (...) {
        error = std::current_exception();
    }
}

} // namespace

void ImagePrefetch::work() {
    for (;;) {
        size_t index;
        {
            std::lock_guard<std::mutex> lock(mutex);
            while (next < paths.size() && claimed[next])
                ++next;
            if (next >= paths.size())
                return;
            index = next++;
            claimed[index] = true;
        }
        Result result;
        decodeInto(paths[index], result.image, result.error);
        {
            std::lock_guard<std::mutex> lock(mutex);
            results[index] = std::move(result);
            done[index] = true;
        }
        finished.notify_all();
    }
}

std::shared_ptr<const DecodedImage> ImagePrefetch::take(const std::string& path) {
    std::unique_lock<std::mutex> lock(mutex);
    for (size_t i = 0; i < paths.size(); ++i) {
        if (paths[i] != path)
            continue;
        // Not started yet: decode it here rather than wait behind the others.
        if (!claimed[i]) {
            claimed[i] = true;
            lock.unlock();
            Result result;
            decodeInto(path, result.image, result.error);
            lock.lock();
            results[i] = std::move(result);
            done[i] = true;
            finished.notify_all();
        }
        finished.wait(lock, [&] { return bool(done[i]); });
        if (results[i].error)
            std::rethrow_exception(results[i].error);
        return results[i].image;
    }
    return nullptr;
}

std::shared_ptr<const DecodedImage> decodeImage(const Kem::String& path, const char* file,
                                                int line) {
    if (current && path.getData())
        if (std::shared_ptr<const DecodedImage> image = current->take(path.getData()))
            return image;
    return std::make_shared<const DecodedImage>(path, file, line);
}
