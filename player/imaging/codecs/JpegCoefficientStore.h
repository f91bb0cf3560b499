#pragma once

#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

// Holds the coefficients of a progressive (or multi-scan) JPEG for libjpeg, in mappings of its own
// instead of the library's pools, and gives back each row of them once the output pass has gone past it.
// libjpeg keeps two bytes for every sample of every component until the last row is out; giving rows
// back as the picture fills keeps a large picture's peak near the larger of the two, not their sum.
//
// Install after jpeg_create_decompress; the store must outlive the decompressor's use of it (destroy or
// abort the decompressor first). Call OutputStarted once jpeg_start_decompress has read every scan.
class JpegCoefficientStore {
public:
    // budget: the most bytes the store hands out; beyond it libjpeg's out-of-memory error is raised.
    explicit JpegCoefficientStore(std::size_t budget);
    ~JpegCoefficientStore();
    JpegCoefficientStore(const JpegCoefficientStore&) = delete;
    JpegCoefficientStore& operator=(const JpegCoefficientStore&) = delete;

    void Install(jpeg_decompress_struct& cinfo);
    void OutputStarted() { outputStarted_ = true; }

    // Returns whole pages inside [data, data + size) to the system; they read back as zeros. For memory
    // that is all zeros and filled in later, row by row.
    static void GiveBackZeroPages(void* data, std::size_t size);

private:
    struct Array {
        JDIMENSION blocksPerRow = 0;
        JDIMENSION rows = 0;
        std::size_t bytes = 0;
        JBLOCK* blocks = nullptr;
        JBLOCKROW* rowStarts = nullptr;
        std::size_t givenBack = 0;
    };

    static JpegCoefficientStore& Of(j_common_ptr cinfo);
    static jvirt_barray_ptr Request(
        j_common_ptr cinfo, int pool, boolean preZero, JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess);
    static void Realize(j_common_ptr cinfo);
    static JBLOCKARRAY Access(
        j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION startRow, JDIMENSION rows, boolean writable);

    static constexpr int kMaxArrays = MAX_COMPONENTS;
    Array arrays_[kMaxArrays];
    int count_ = 0;
    std::size_t budget_;
    bool outputStarted_ = false;
    void (*libraryRealize_)(j_common_ptr) = nullptr;
};
