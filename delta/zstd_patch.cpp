#include "delta/zstd_patch.h"

#define ZSTD_STATIC_LINKING_ONLY // ZSTD_getFrameHeader
#include <zstd.h>

#include <algorithm>
#include <memory>

namespace {

struct CompressionContextFree {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};
struct DecompressionContextFree {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};

// The smallest power of two, at least 2^10 and at most 2^cap, that covers bytes.
int WindowLogFor(size_t bytes, unsigned cap) {
    unsigned log = ZSTD_WINDOWLOG_MIN;
    while (log < cap && (size_t(1) << log) < bytes)
        ++log;
    return static_cast<int>(log);
}

} // namespace

std::string MakePatch(std::string_view prefix, std::string_view data, int level,
                      unsigned windowLogCap) {
    const std::unique_ptr<ZSTD_CCtx, CompressionContextFree> context(ZSTD_createCCtx());
    if (!context)
        return {};
    const int windowLog = WindowLogFor(std::max(prefix.size(), data.size()), windowLogCap);
    ZSTD_CCtx* cctx = context.get();
    if (ZSTD_isError(ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, level)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(cctx, ZSTD_c_windowLog, windowLog)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(cctx, ZSTD_c_enableLongDistanceMatching, 1)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1)) ||
        ZSTD_isError(ZSTD_CCtx_refPrefix(cctx, prefix.data(), prefix.size())))
        return {};
    std::string patch(ZSTD_compressBound(data.size()), '\0');
    const size_t size = ZSTD_compress2(cctx, patch.data(), patch.size(), data.data(), data.size());
    if (ZSTD_isError(size))
        return {};
    patch.resize(size);
    return patch;
}

bool PatchWindowSize(std::string_view patch, unsigned long long& windowSize) {
    ZSTD_frameHeader header{};
    if (ZSTD_getFrameHeader(&header, patch.data(), patch.size()) != 0 ||
        header.frameType != ZSTD_frame)
        return false;
    windowSize = header.windowSize;
    return true;
}

bool ApplyPatch(std::string_view prefix, std::string_view patch, unsigned windowLogCap,
                unsigned long long expectedSize, const PatchSink& sink) {
    ZSTD_frameHeader header{};
    if (ZSTD_getFrameHeader(&header, patch.data(), patch.size()) != 0 ||
        header.frameType != ZSTD_frame || header.windowSize > (1ull << windowLogCap) ||
        header.frameContentSize != expectedSize)
        return false;
    const std::unique_ptr<ZSTD_DCtx, DecompressionContextFree> context(ZSTD_createDCtx());
    ZSTD_DCtx* dctx = context.get();
    if (!dctx ||
        ZSTD_isError(ZSTD_DCtx_setParameter(dctx, ZSTD_d_windowLogMax,
                                            static_cast<int>(windowLogCap))) ||
        ZSTD_isError(ZSTD_DCtx_refPrefix(dctx, prefix.data(), prefix.size())))
        return false;
    const size_t pieceSize = ZSTD_DStreamOutSize();
    const std::unique_ptr<char[]> piece(new char[pieceSize]);
    ZSTD_inBuffer in{patch.data(), patch.size(), 0};
    unsigned long long written = 0;
    for (;;) {
        ZSTD_outBuffer out{piece.get(), pieceSize, 0};
        const size_t left = ZSTD_decompressStream(dctx, &out, &in);
        if (ZSTD_isError(left) || written + out.pos > expectedSize)
            return false;
        written += out.pos;
        if (out.pos > 0 && !sink(piece.get(), out.pos))
            return false;
        // 0: the frame is complete and its checksum verified.
        if (left == 0)
            return in.pos == in.size && written == expectedSize;
        if (in.pos == in.size && out.pos < pieceSize)
            return false; // the frame is cut short
    }
}
