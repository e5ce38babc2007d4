// Decoding by stb_image, on the caller's thread or ahead of time on two workers.
#include "ImagePrefetch.h"

#include <cstdio>
#include <stb/stb_image.h>

namespace {

ImagePrefetch* current = nullptr;
constexpr int workerCount = 2;

std::shared_ptr<DecodedImage> decodeNow(const char* path) {
    auto image = std::make_shared<DecodedImage>();
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return image;
    int components = 0;
    image->pixels = stbi_load_from_file(file, &image->width, &image->height, &components, 4);
    std::fclose(file);
    return image;
}

} // namespace

DecodedImage::~DecodedImage() { stbi_image_free(pixels); }

ImagePrefetch::ImagePrefetch(const std::vector<std::string>& paths)
    : paths(paths), images(paths.size()), claimed(paths.size(), false), done(paths.size(), false) {
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
        std::shared_ptr<DecodedImage> image = decodeNow(paths[index].c_str());
        {
            std::lock_guard<std::mutex> lock(mutex);
            images[index] = image;
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
            std::shared_ptr<DecodedImage> image = decodeNow(path.c_str());
            lock.lock();
            images[i] = image;
            done[i] = true;
            finished.notify_all();
            return images[i];
        }
        finished.wait(lock, [&] { return bool(done[i]); });
        return images[i];
    }
    return nullptr;
}

std::shared_ptr<const DecodedImage> decodeImage(const Kem::String& path) {
    if (current && path.getData())
        if (std::shared_ptr<const DecodedImage> image = current->take(path.getData()))
            return image;
    return decodeNow(path.getData());
}
