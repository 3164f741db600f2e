#include "mapconv/sample_reader.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <functional>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "framework/parallel.h"
#include "framework/yield.h"

namespace mapconv {

namespace {

// 128 KiB of samples per read, so that even a small image is spread over
// several workers; a wave of blocks between two yields of the calling
// thread. Memory stays at one block per worker.
constexpr size_t kBlockSamples = size_t{1} << 15;
constexpr size_t kWaveBlocks = 16;

// A block: whole columns [x0, x1), or rows [y0, y1) of the one column x0
// when a column is longer than a block.
struct Block {
  int32_t x0, x1, y0, y1;
  size_t Count() const { return size_t(x1 - x0) * size_t(y1 - y0); }
};

class Blocks {
 public:
  explicit Blocks(const ImagePlace& image) : h_(size_t(image.height)) {
    const size_t w = size_t(image.width);
    if (h_ <= kBlockSamples) {
      columns_ = kBlockSamples / h_;
      count_ = (w + columns_ - 1) / columns_;
    } else {
      segments_ = (h_ + kBlockSamples - 1) / kBlockSamples;
      count_ = w * segments_;
    }
    width_ = int32_t(w);
  }
  size_t Count() const { return count_; }
  Block operator[](size_t b) const {
    if (segments_ == 0) {
      const auto x0 = int32_t(b * columns_);
      return {x0, int32_t(std::min<size_t>(size_t(width_), x0 + columns_)), 0, int32_t(h_)};
    }
    const auto x = int32_t(b / segments_);
    const size_t y0 = (b % segments_) * kBlockSamples;
    return {x, x + 1, int32_t(y0), int32_t(std::min(h_, y0 + kBlockSamples))};
  }
  // Index of the block's first sample in reading order.
  size_t First(const Block& b) const { return size_t(b.x0) * h_ + size_t(b.y0); }

 private:
  size_t h_, columns_ = 0, segments_ = 0, count_ = 0;
  int32_t width_ = 0;
};

// Reads every block of the image and hands it to work(its place in the wave,
// the block, its file offset, its samples) on the workers, wave by wave;
// afterWave(blocks in the wave) runs on the calling thread after each wave.
// False at the first block not read whole.
bool ForEachBlock(const fw::ReadOnlyFile& file, const ImagePlace& image, unsigned threads,
                  const std::function<void(size_t, const Block&, int64_t, const float*)>& work,
                  const std::function<void(size_t)>& afterWave) {
  const Blocks blocks(image);
  std::atomic<bool> failed{false};
  for (size_t first = 0; first < blocks.Count(); first += kWaveBlocks) {
    const size_t n = std::min(kWaveBlocks, blocks.Count() - first);
    size_t samples = 0;
    fw::ParallelFor(
        n,
        [&](size_t i) {
          if (failed.load(std::memory_order_relaxed)) return;
          const Block block = blocks[first + i];
          const size_t count = block.Count();
          // Each worker keeps its block buffer from one block to the next: a
          // fresh one per block costs more in page faults than the reading.
          thread_local std::vector<float> buffer;
          buffer.resize(std::max(buffer.size(), count));
          const int64_t offset = image.start + 4 * int64_t(blocks.First(block));
          if (!file.ReadAt(offset, buffer.data(), 4 * count)) {
            failed = true;
            return;
          }
          if constexpr (std::endian::native == std::endian::big) {
            // The file's samples are little-endian.
            for (size_t j = 0; j < count; ++j) {
              uint32_t bits;
              std::memcpy(&bits, &buffer[j], 4);
              bits = (bits >> 24) | ((bits >> 8) & 0xFF00u) | ((bits << 8) & 0xFF0000u) | (bits << 24);
              std::memcpy(&buffer[j], &bits, 4);
            }
          }
          work(i, block, offset, buffer.data());
        },
        threads);
    if (failed) return false;
    if (afterWave) afterWave(n);
    for (size_t i = 0; i < n; ++i) samples += blocks[first + i].Count();
    fw::RuntimeBackgroundTask(uint32_t(std::min<size_t>(samples, UINT32_MAX)));
  }
  return true;
}

#ifdef __SSE2__
// Sixteen columns of sixteen bytes (each `inStride` apart) into sixteen rows
// (each `outStride` apart): four rounds of interleaving.
void Transpose16(const uint8_t* in, size_t inStride, uint8_t* out, size_t outStride) {
  __m128i a[16], b[16];
  for (int i = 0; i < 16; ++i) a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * inStride));
  for (int k = 0; k < 8; ++k) {
    b[k] = _mm_unpacklo_epi8(a[2 * k], a[2 * k + 1]);
    b[k + 8] = _mm_unpackhi_epi8(a[2 * k], a[2 * k + 1]);
  }
  for (int h = 0; h < 2; ++h) {
    for (int k = 0; k < 4; ++k) {
      a[h * 8 + k] = _mm_unpacklo_epi16(b[h * 8 + 2 * k], b[h * 8 + 2 * k + 1]);
      a[h * 8 + k + 4] = _mm_unpackhi_epi16(b[h * 8 + 2 * k], b[h * 8 + 2 * k + 1]);
    }
  }
  for (int g = 0; g < 4; ++g) {
    b[g * 4] = _mm_unpacklo_epi32(a[g * 4], a[g * 4 + 1]);
    b[g * 4 + 1] = _mm_unpackhi_epi32(a[g * 4], a[g * 4 + 1]);
    b[g * 4 + 2] = _mm_unpacklo_epi32(a[g * 4 + 2], a[g * 4 + 3]);
    b[g * 4 + 3] = _mm_unpackhi_epi32(a[g * 4 + 2], a[g * 4 + 3]);
  }
  for (int g = 0; g < 4; ++g) {
    const auto store = [&](int row, __m128i v) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + size_t(row) * outStride), v);
    };
    store(4 * g, _mm_unpacklo_epi64(b[g * 4], b[g * 4 + 2]));
    store(4 * g + 1, _mm_unpackhi_epi64(b[g * 4], b[g * 4 + 2]));
    store(4 * g + 2, _mm_unpacklo_epi64(b[g * 4 + 1], b[g * 4 + 3]));
    store(4 * g + 3, _mm_unpackhi_epi64(b[g * 4 + 1], b[g * 4 + 3]));
  }
}
#endif

// `cols` columns of `rows` bytes, one after the other, into the rows of the
// picture from `out` on: sixteen by sixteen where the processor can, else a
// few rows at a time, which keeps both sides in the cache.
void CopyColumnsToRows(const uint8_t* columns, size_t cols, size_t rows, uint8_t* out, size_t stride) {
  size_t c0 = 0;
#ifdef __SSE2__
  for (; c0 + 16 <= cols; c0 += 16) {
    size_t r = 0;
    for (; r + 16 <= rows; r += 16) Transpose16(columns + c0 * rows + r, rows, out + r * stride + c0, stride);
    for (; r < rows; ++r)
      for (size_t c = c0; c < c0 + 16; ++c) out[r * stride + c] = columns[c * rows + r];
  }
#endif
  constexpr size_t kTile = 32;
  for (size_t r0 = 0; r0 < rows; r0 += kTile) {
    const size_t r1 = std::min(rows, r0 + kTile);
    for (size_t c = c0; c < cols; ++c)
      for (size_t r = r0; r < r1; ++r) out[r * stride + c] = columns[c * rows + r];
  }
}

}  // namespace

bool ReadImageStats(const fw::ReadOnlyFile& file, const ImagePlace& image, ImageStats& stats, unsigned threads) {
  uint8_t first[4];
  if (!file.ReadAt(image.start, first, 4)) return false;
  stats = FirstSampleStats(uint32_t(first[0]) | uint32_t(first[1]) << 8 | uint32_t(first[2]) << 16 |
                               uint32_t(first[3]) << 24,
                           image.start);
  std::vector<ImageStats> perBlock(kWaveBlocks);
  return ForEachBlock(
      file, image, threads,
      [&](size_t i, const Block& block, int64_t offset, const float* samples) {
        perBlock[i] = ScanSamples(samples, block.Count(), offset);
      },
      // Blocks are combined in reading order, so the result is that of one scan.
      [&](size_t n) {
        for (size_t i = 0; i < n; ++i) MergeStats(stats, perBlock[i]);
      });
}

bool ReadGreyLevels(const fw::ReadOnlyFile& file, const ImagePlace& image, const ImageStats& stats,
                    uint8_t* grey, unsigned threads) {
  const double smallest = stats.smallest;
  const double scale = GreyScale(stats.smallest, stats.largest);
  const size_t w = size_t(image.width);
  return ForEachBlock(
      file, image, threads,
      [&](size_t, const Block& block, int64_t, const float* samples) {
        const size_t count = block.Count();
        thread_local std::vector<uint8_t> levels;
        levels.resize(std::max(levels.size(), count));
        GreyBytes(samples, count, smallest, scale, levels.data());
        // The file holds columns, the picture rows.
        const size_t rows = size_t(block.y1 - block.y0);
        CopyColumnsToRows(levels.data(), size_t(block.x1 - block.x0), rows,
                          grey + size_t(block.y0) * w + size_t(block.x0), w);
      },
      nullptr);
}

}  // namespace mapconv
