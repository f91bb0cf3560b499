#include "player/imaging/codecs/JpegCoefficientStore.h"

#include <cstdint>
#include <cstdlib>
#include <jerror.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::size_t PageSize()
{
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

} // namespace

JpegCoefficientStore::JpegCoefficientStore(std::size_t budget)
    : budget_(budget)
{
}

JpegCoefficientStore::~JpegCoefficientStore()
{
    for (int i = 0; i < count_; ++i) {
        if (arrays_[i].blocks)
            munmap(arrays_[i].blocks, arrays_[i].bytes);
        std::free(arrays_[i].rowStarts);
    }
}

void JpegCoefficientStore::Install(jpeg_decompress_struct& cinfo)
{
    cinfo.client_data = this;
    libraryRealize_ = cinfo.mem->realize_virt_arrays;
    cinfo.mem->request_virt_barray = Request;
    cinfo.mem->realize_virt_arrays = Realize;
    cinfo.mem->access_virt_barray = Access;
}

void JpegCoefficientStore::GiveBackZeroPages(void* data, std::size_t size)
{
    const std::size_t page = PageSize();
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + page - 1) / page * page;
    const std::uintptr_t end = (start + size) / page * page;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
}

JpegCoefficientStore& JpegCoefficientStore::Of(j_common_ptr cinfo)
{
    return *static_cast<JpegCoefficientStore*>(cinfo->client_data);
}

jvirt_barray_ptr JpegCoefficientStore::Request(
    j_common_ptr cinfo, int pool, boolean, JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION)
{
    JpegCoefficientStore& store = Of(cinfo);
    if (pool != JPOOL_IMAGE)
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, pool);
    if (store.count_ == kMaxArrays)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    Array& array = store.arrays_[store.count_++];
    array.blocksPerRow = blocksPerRow;
    array.rows = rows;
    return reinterpret_cast<jvirt_barray_ptr>(&array);
}

void JpegCoefficientStore::Realize(j_common_ptr cinfo)
{
    JpegCoefficientStore& store = Of(cinfo);
    store.libraryRealize_(cinfo);
    for (int i = 0; i < store.count_; ++i) {
        Array& array = store.arrays_[i];
        if (array.blocks || array.rows == 0 || array.blocksPerRow == 0)
            continue;
        const std::size_t rowBytes = std::size_t { array.blocksPerRow } * sizeof(JBLOCK);
        if (array.rows > store.budget_ / rowBytes)
            ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
        array.bytes = rowBytes * array.rows;
        store.budget_ -= array.bytes;
        // Fresh mappings are zero, as the coefficient controller wants them.
        void* blocks = mmap(nullptr, array.bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        array.rowStarts = static_cast<JBLOCKROW*>(std::malloc(sizeof(JBLOCKROW) * array.rows));
        if (blocks == MAP_FAILED || !array.rowStarts) {
            array.bytes = blocks == MAP_FAILED ? 0 : array.bytes;
            array.blocks = blocks == MAP_FAILED ? nullptr : static_cast<JBLOCK*>(blocks);
            ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
        }
        array.blocks = static_cast<JBLOCK*>(blocks);
        for (JDIMENSION row = 0; row < array.rows; ++row)
            array.rowStarts[row] = array.blocks + std::size_t { row } * array.blocksPerRow;
    }
}

JBLOCKARRAY JpegCoefficientStore::Access(
    j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION startRow, JDIMENSION rows, boolean)
{
    JpegCoefficientStore& store = Of(cinfo);
    Array& array = *reinterpret_cast<Array*>(handle);
    if (!array.blocks || startRow > array.rows || rows > array.rows - startRow)
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    // The output pass asks for rows in order and never goes back above the first row it asks for.
    if (store.outputStarted_) {
        const std::size_t passed
            = std::size_t { startRow } * array.blocksPerRow * sizeof(JBLOCK) / PageSize() * PageSize();
        if (passed > array.givenBack) {
            madvise(reinterpret_cast<std::uint8_t*>(array.blocks) + array.givenBack, passed - array.givenBack,
                MADV_DONTNEED);
            array.givenBack = passed;
        }
    }
    return array.rowStarts + startRow;
}
