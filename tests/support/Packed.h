// Text packed as pandas and R pack their tables, for reading them back.
#pragma once

#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <string>

#include "table/Unpacking.h"

// `text` packed as gzip (`members` of them one after the other), xz (one
// stream of `members` blocks) or zstd.
inline std::string Packed(Packing packing, const std::string& text, int members = 1) {
    std::string out(text.size() + 1024, '\0');
    std::size_t size = 0;
    if (packing == Packing::Gzip) {
        const std::size_t part = text.size() / static_cast<std::size_t>(members);
        for (int k = 0; k < members; ++k) {
            z_stream z{};
            deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data())) + k * part;
            z.avail_in = static_cast<uInt>(k + 1 == members ? text.size() - k * part : part);
            z.next_out = reinterpret_cast<Bytef*>(out.data()) + size;
            z.avail_out = static_cast<uInt>(out.size() - size);
            deflate(&z, Z_FINISH);
            size = out.size() - z.avail_out;
            deflateEnd(&z);
        }
    } else if (packing == Packing::Xz && members == 1) {
        lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(text.data()),
                                text.size(), reinterpret_cast<std::uint8_t*>(out.data()), &size, out.size());
    } else if (packing == Packing::Xz) {  // one stream of `members` blocks, as `xz -T0` writes
        lzma_mt mt{};
        mt.threads = 2;
        mt.block_size = text.size() / static_cast<std::size_t>(members) + 1;
        mt.preset = 6;
        mt.check = LZMA_CHECK_CRC64;
        lzma_stream x = LZMA_STREAM_INIT;
        if (lzma_stream_encoder_mt(&x, &mt) != LZMA_OK) return {};
        x.next_in = reinterpret_cast<const std::uint8_t*>(text.data());
        x.avail_in = text.size();
        x.next_out = reinterpret_cast<std::uint8_t*>(out.data());
        x.avail_out = out.size();
        while (lzma_code(&x, LZMA_FINISH) == LZMA_OK) {
        }
        size = out.size() - x.avail_out;
        lzma_end(&x);
    } else {
        size = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3);
    }
    out.resize(size);
    return out;
}

