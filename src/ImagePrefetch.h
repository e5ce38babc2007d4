// The start-up prefetch of image files: decoding is the largest part of start-up on the CPU, so
// the director names its images up front and worker threads decode them, in that order, while it
// compiles shaders and builds the scenes.
#pragma once

#include "DecodedImage.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
    // A file that did not decode throws here what decoding it threw.
    std::shared_ptr<const DecodedImage> take(const std::string& path);

private:
    struct Result {
        std::shared_ptr<const DecodedImage> image;
        std::exception_ptr error;
    };
    void work();

    std::vector<std::string> paths;
    std::vector<Result> results;
    std::vector<bool> claimed; // by a worker or by take
    std::vector<bool> done;
    size_t next = 0;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<std::thread> workers;
};

// The file's image: from the prefetch alive at the time, if it names the file, else decoded now.
// Throws as DecodedImage does; file and line are the texture class's.
std::shared_ptr<const DecodedImage> decodeImage(const Kem::String& path, const char* file,
                                                int line);
