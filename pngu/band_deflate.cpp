#include "pngu/band_deflate.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace pngu {

namespace {

constexpr int kZlibLevel = 6;
constexpr size_t kSmoothShrink = 4;  // ISA-L output below size / 4: worth zlib's slower search
constexpr size_t kPiece = size_t(1) << 30;  // both libraries count input in 32 bits

std::atomic<int> g_failSetUps{0};  // set by tests

bool SetUpFails() { return g_failSetUps.load(std::memory_order_relaxed) > 0 && g_failSetUps.fetch_sub(1) > 0; }

// Kept per worker thread: setting a compressor up costs more than a small band.
// A set-up that failed (no memory) is tried again by the next band.
struct ZlibState {
  z_stream stream{};
  bool ready = false;
  bool Ready() {
    if (!ready)
      ready = !SetUpFails() && deflateInit2(&stream, kZlibLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    return ready;
  }
  ~ZlibState() {
    if (ready) deflateEnd(&stream);
  }
};

bool ZlibBand(const uint8_t* dict, size_t dictSize, const uint8_t* data, size_t size, bool last,
              std::vector<uint8_t>& out) {
  thread_local ZlibState state;
  z_stream& z = state.stream;
  if (!state.Ready() || deflateReset(&z) != Z_OK) return false;
  if (dictSize > 0 && deflateSetDictionary(&z, dict, uInt(dictSize)) != Z_OK) return false;
  const size_t start = out.size();
  size_t produced = 0;
  z.next_in = const_cast<uint8_t*>(data);
  for (size_t left = size;;) {
    z.avail_in = uInt(std::min(left, kPiece));
    left -= z.avail_in;
    const int flush = left > 0 ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
      const size_t room = deflateBound(&z, z.avail_in) + 64;
      out.resize(start + produced + room);
      z.next_out = out.data() + start + produced;
      z.avail_out = uInt(room);
      const int rc = deflate(&z, flush);
      produced += room - z.avail_out;
      if (rc == Z_STREAM_ERROR) return false;
      if (z.avail_in == 0 && z.avail_out > 0 && (flush != Z_FINISH || rc == Z_STREAM_END)) break;
    }
    if (left == 0) break;
  }
  out.resize(start + produced);
  return true;
}

struct IsalState {
  isal_zstream stream{};
  std::unique_ptr<uint8_t[]> levelBuf{new uint8_t[ISAL_DEF_LVL1_DEFAULT]};
};

bool IsalBand(const uint8_t* dict, size_t dictSize, const uint8_t* data, size_t size, bool last,
              std::vector<uint8_t>& out) {
  thread_local IsalState state;
  isal_zstream& s = state.stream;
  isal_deflate_init(&s);
  s.level = 1;
  s.level_buf = state.levelBuf.get();
  s.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
  s.gzip_flag = IGZIP_DEFLATE;
  if (dictSize > 0 && isal_deflate_set_dict(&s, const_cast<uint8_t*>(dict), uint32_t(dictSize)) != COMP_OK)
    return false;
  const size_t start = out.size();
  size_t produced = 0;
  s.next_in = const_cast<uint8_t*>(data);
  for (size_t left = size;;) {
    s.avail_in = uint32_t(std::min(left, kPiece));
    left -= s.avail_in;
    s.end_of_stream = left == 0 && last;
    s.flush = left > 0 ? NO_FLUSH : SYNC_FLUSH;
    for (;;) {
      const size_t room = size_t(s.avail_in) + s.avail_in / 8 + 1024;
      out.resize(start + produced + room);
      s.next_out = out.data() + start + produced;
      s.avail_out = uint32_t(room);
      if (isal_deflate(&s) != COMP_OK) return false;
      produced += room - s.avail_out;
      if (s.avail_in > 0) continue;
      if (left > 0) break;
      // Done once the flush, or the final block, is out.
      if (s.internal_state.state == (last ? ZSTATE_END : ZSTATE_NEW_HDR)) break;
    }
    if (left == 0) break;
  }
  out.resize(start + produced);
  return true;
}

}  // namespace

bool DeflateBand(const uint8_t* dict, size_t dictSize, const uint8_t* data, size_t size, bool last,
                 std::vector<uint8_t>& out) {
  const size_t start = out.size();
  if (!IsalBand(dict, dictSize, data, size, last, out)) return false;
  if ((out.size() - start) * kSmoothShrink >= size) return true;
  out.resize(start);
  return ZlibBand(dict, dictSize, data, size, last, out);
}

void FailZlibSetUps(int count) { g_failSetUps = count; }

}  // namespace pngu
