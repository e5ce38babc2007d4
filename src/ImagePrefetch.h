// Image files decoded to 8-bit RGBA, top row first, and the start-up prefetch of them: decoding
// is the largest part of start-up on the CPU, so the director names its images up front and
// worker threads decode them, in that order, while it compiles shaders and builds the scenes.
#pragma once

#include "kem/String.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct DecodedImage {
    int width = 0;
    int height = 0;
    unsigned char* pixels = nullptr; // null when the file is missing or undecodable

    DecodedImage() = default;
    ~DecodedImage();
    DecodedImage(const DecodedImage&) = delete;
    DecodedImage& operator=(const DecodedImage&) = delete;
};

class ImagePrefetch {
public:
    // Starts decoding the files. While it lives, decodeImage hands out its results; a file named
    // twice, or asked for twice, is decoded once.
    explicit ImagePrefetch(const std::vector<std::string>& paths);
    // Waits for the workers and frees every image, used or not.
    ~ImagePrefetch();
    ImagePrefetch(const ImagePrefetch&) = delete;
    ImagePrefetch& operator=(const ImagePrefetch&) = delete;

    // The prefetched image of the file, waiting for it if it is not done; null if not named.
    std::shared_ptr<const DecodedImage> take(const std::string& path);

private:
    void work();

    std::vector<std::string> paths;
    std::vector<std::shared_ptr<const DecodedImage>> images;
    std::vector<bool> claimed; // by a worker or by take
    std::vector<bool> done;
    size_t next = 0;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::thread> workers;
};

// The file's image: from the prefetch alive at the time, if it names the file, else decoded now.
std::shared_ptr<const DecodedImage> decodeImage(const Kem::String& path);
