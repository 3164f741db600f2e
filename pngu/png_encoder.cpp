#include "pngu/png_encoder.h"

#include <unistd.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "framework/parallel.h"
#include "framework/yield.h"
#include "pngu/band_deflate.h"
#include "pngu/png_filter.h"

namespace pngu {

namespace {

constexpr size_t kWindow = 32 * 1024;  // deflate's reach back: what primes each band
// Bands of the filtered stream: small enough that a 512 x 512 picture keeps
// several cores busy, large enough that priming with 32 KiB costs little.
constexpr uint64_t kBandBytes = 64 * 1024;

void PutBig32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

bool WriteAt(int fd, const uint8_t* data, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, std::min<size_t>(size, 1u << 30), off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
    offset += uint64_t(n);
  }
  return true;
}

// Writes the file's chunks one after another from offset 0.
class ChunkWriter {
 public:
  ChunkWriter(int fd, uint32_t maxChunk) : fd_(fd), maxChunk_(maxChunk) {}

  bool Bytes(const uint8_t* data, size_t size) {
    if (!WriteAt(fd_, data, size, offset_)) return false;
    offset_ += size;
    return true;
  }

  bool Chunk(const char type[4], const uint8_t* data, uint32_t size) {
    uint8_t head[8];
    PutBig32(head, size);
    std::copy(type, type + 4, head + 4);
    uint8_t crc[4];
    PutBig32(crc, uint32_t(crc32(crc32(0, head + 4, 4), data, size)));
    return Bytes(head, 8) && Bytes(data, size) && Bytes(crc, 4);
  }

  // Appends to the image data, opening and closing IDAT chunks as each
  // fills; dataCrc is crc32 of the whole piece when known (0 and known =
  // false: computed here).
  bool Idat(const uint8_t* data, size_t size, uint32_t dataCrc, bool known) {
    bool split = false;  // dataCrc is no use for the rest of a piece
    while (size > 0) {
      if (!open_ && !OpenIdat()) return false;
      const size_t take = std::min<size_t>(size, maxChunk_ - chunkSize_);
      if (known && take == size && !split) {
        crc_ = uint32_t(crc32_combine64(crc_, dataCrc, z_off64_t(take)));
      } else {
        crc_ = uint32_t(crc32_z(crc_, data, take));
      }
      if (!Bytes(data, take)) return false;
      chunkSize_ += uint32_t(take);
      data += take;
      size -= take;
      split = true;
      if (chunkSize_ == maxChunk_ && !CloseIdat()) return false;
    }
    return true;
  }

  bool CloseIdat() {
    if (!open_) return true;
    open_ = false;
    uint8_t length[4], crc[4];
    PutBig32(length, chunkSize_);
    PutBig32(crc, crc_);
    return WriteAt(fd_, length, 4, chunkStart_) && Bytes(crc, 4);
  }

 private:
  bool OpenIdat() {
    static const uint8_t kHead[8] = {0, 0, 0, 0, 'I', 'D', 'A', 'T'};  // the length is written on closing
    chunkStart_ = offset_;
    chunkSize_ = 0;
    crc_ = uint32_t(crc32(0, kHead + 4, 4));
    open_ = true;
    return Bytes(kHead, 8);
  }

  int fd_;
  uint32_t maxChunk_;
  uint64_t offset_ = 0;
  bool open_ = false;
  uint64_t chunkStart_ = 0;
  uint32_t chunkSize_ = 0;
  uint32_t crc_ = 0;
};

// The filtered stream: each row is its filter byte, then its filtered bytes.
// Every row takes the Average filter: on the noisy maps it gives the smallest
// files of the five, and adaptive choice per row gains nothing over it.
class FilteredStream {
 public:
  FilteredStream(const PngImage& image, const PixelRows& rows)
      : rows_(rows), bpp_(image.grey ? 1 : 3), rowBytes_(uint64_t(image.width) * bpp_) {}

  uint64_t Size(uint32_t height) const { return uint64_t(height) * (rowBytes_ + 1); }

  // Fills out with stream bytes [begin, end); a stretch of a row at a time,
  // so that a band may start or end inside a very wide row.
  void Fill(uint64_t begin, uint64_t end, uint8_t* out) const {
    thread_local std::vector<uint8_t> cur, prev;
    for (uint64_t pos = begin; pos < end;) {
      const uint32_t y = uint32_t(pos / (rowBytes_ + 1));
      uint64_t col = pos % (rowBytes_ + 1);
      if (col == 0) {
        *out++ = kAverageFilter;
        if (++pos == end) break;
        col = 1;
      }
      // Raw bytes [first, last) of the row, read from the pixel to their left.
      const size_t first = size_t(col - 1), last = size_t(std::min<uint64_t>(rowBytes_, first + (end - pos)));
      const size_t from = first >= bpp_ ? first - bpp_ : 0;
      cur.resize(last - from);
      rows_.Copy(y, from, last, cur.data());
      if (y > 0) {
        prev.resize(last - from);
        rows_.Copy(y - 1, from, last, prev.data());
      }
      AverageFilterStretch(cur.data(), y > 0 ? prev.data() : nullptr, first - from, last - from, bpp_, out);
      out += last - first;
      pos += last - first;
    }
  }

 private:
  const PixelRows& rows_;
  size_t bpp_;
  uint64_t rowBytes_;
};

struct Band {
  std::vector<uint8_t> bytes;
  uint32_t crc = 0, adler = 1;
  uint64_t rawSize = 0;
  bool ready = false;
};

// Waits on the calling (window's) thread until done(), letting events through
// every few milliseconds; the yield's exception (a quit) goes on.
template <class Done>
void WaitYielding(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Done done) {
  while (!cv.wait_for(lock, std::chrono::milliseconds(2), done)) {
    lock.unlock();
    fw::RuntimeBackgroundTask(4096);  // reads the clock: events every 15 ms
    lock.lock();
  }
}

// The bands between the threads that deflate them and the one that writes
// them: a file system can be slow to take a write (NFS, dirty-page
// throttling), and no deflating thread, least of all the window's, waits
// on one. The writer takes each band under the lock and writes it outside.
class BandQueue {
 public:
  BandQueue(size_t count, size_t ahead) : bands_(count), ahead_(ahead) {}

  // Before deflating band i: waits until it is at most `ahead` bands past the
  // writer, so memory stays bounded; false when the encoding stopped.
  bool WaitForRoom(size_t i, bool yielding) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto room = [&] { return stopped_ || i < written_ + ahead_; };
    if (yielding)
      WaitYielding(lock, progress_, room);
    else
      progress_.wait(lock, room);
    return !stopped_;
  }

  void Put(size_t i, Band band) {
    std::lock_guard<std::mutex> lock(mutex_);
    bands_[i] = std::move(band);
    bands_[i].ready = true;
    if (i == awaited_) ready_.notify_one();  // the writer waits for no other
  }

  // The writer's: band i, once deflated, and every band ready after it;
  // false when the encoding stopped.
  bool Take(size_t i, std::vector<Band>& taken) {
    std::unique_lock<std::mutex> lock(mutex_);
    awaited_ = i;
    ready_.wait(lock, [&] { return stopped_ || bands_[i].ready; });
    awaited_ = SIZE_MAX;
    if (stopped_) return false;
    for (; i < bands_.size() && bands_[i].ready; ++i) taken.push_back(std::exchange(bands_[i], Band{}));
    return true;
  }

  void Written(size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    written_ = count;
    progress_.notify_all();
  }

  // A failure or a quit: every thread leaves its wait.
  void Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    ready_.notify_all();
    progress_.notify_all();
  }

  // The writer's last word: whether the file is whole.
  void Finish(bool ok) {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    whole_ = ok;
    if (!ok) stopped_ = true;
    ready_.notify_all();
    progress_.notify_all();
  }

  bool WaitForWriter() {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitYielding(lock, progress_, [&] { return finished_; });
    return whole_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_, progress_;
  std::vector<Band> bands_;
  size_t ahead_;
  size_t written_ = 0;
  size_t awaited_ = SIZE_MAX;  // the band the writer waits for
  bool stopped_ = false, finished_ = false, whole_ = false;
};

// Writes the file's chunks: those before the image data, each band in
// order, and the stream's checksum with the end.
class PngFileWriter {
 public:
  PngFileWriter(int fd, const PngImage& image, uint32_t maxChunk) : fd_(fd), image_(image), out_(fd, maxChunk) {}

  bool Begin() {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t ihdr[13] = {};
    PutBig32(ihdr, image_.width);
    PutBig32(ihdr + 4, image_.height);
    ihdr[8] = 8;                    // bits per sample
    ihdr[9] = image_.grey ? 0 : 2;  // grey or RGB; compression, filter, interlace methods 0
    if (!out_.Bytes(kSignature, 8) || !out_.Chunk("IHDR", ihdr, 13)) return false;
    if (image_.fileGamma > 0.0) {
      uint8_t gama[4];
      PutBig32(gama, uint32_t(std::llround(image_.fileGamma * 100000.0)));
      if (!out_.Chunk("gAMA", gama, 4)) return false;
    }
    // zlib's header: deflate with a 32 KiB window, no dictionary, check bits.
    const uint8_t zlibHeader[2] = {0x78, 0x01};
    return out_.Idat(zlibHeader, 2, 0, false);
  }

  bool Add(const Band& band) {
    adler_ = uint32_t(adler32_combine64(adler_, band.adler, z_off64_t(band.rawSize)));
    return out_.Idat(band.bytes.data(), band.bytes.size(), band.crc, true);
  }

  bool End() {
    uint8_t trailer[4];
    PutBig32(trailer, adler_);
    static const uint8_t kNothing[1] = {0};
    if (!out_.Idat(trailer, 4, 0, false) || !out_.CloseIdat() || !out_.Chunk("IEND", kNothing, 0)) return false;
    // Closing a second descriptor makes a file system that writes back on
    // close (NFS) do so here, not when the window's thread closes the file.
    const int copy = ::dup(fd_);
    return copy >= 0 && ::close(copy) == 0;
  }

 private:
  int fd_;
  const PngImage& image_;
  ChunkWriter out_;
  uint32_t adler_ = 1;
};

// The thread that writes every band as the queue hands it over; stopped and
// joined however the encoding ends.
class WriterThread {
 public:
  WriterThread(BandQueue& queue, PngFileWriter& file, size_t bandCount)
      : queue_(queue), thread_([&queue, &file, bandCount] {
          bool ok = file.Begin();
          std::vector<Band> taken;
          for (size_t i = 0; ok && i < bandCount;) {
            ok = queue.Take(i, taken);
            for (size_t k = 0; ok && k < taken.size(); ++k) ok = file.Add(taken[k]);
            i += taken.size();
            taken.clear();  // freed before room is made for more
            queue.Written(i);
          }
          queue.Finish(ok && file.End());
        }) {}
  ~WriterThread() {
    queue_.Stop();
    thread_.join();
  }

 private:
  BandQueue& queue_;
  std::thread thread_;
};

}  // namespace

bool EncodePng(int fd, const PngImage& image, const PixelRows& rows, const EncodeOptions& options) {
  if (image.width < 1 || image.height < 1 || image.width > 0x7FFFFFFFu || image.height > 0x7FFFFFFFu) return false;
  PngFileWriter file(fd, image, std::max<uint32_t>(1, std::min<uint32_t>(options.maxChunkBytes, 0x7FFFFFFF)));
  const FilteredStream stream(image, rows);
  const uint64_t total = stream.Size(image.height);
  const size_t bandCount = size_t((total + kBandBytes - 1) / kBandBytes);
  const unsigned threads = options.threads ? options.threads : fw::UsableCores();

  // Deflates band i; false when there is no memory for it.
  const auto deflate = [&](size_t i, Band& band) {
    const uint64_t begin = uint64_t(i) * kBandBytes, end = std::min(total, begin + kBandBytes);
    const uint64_t dictBegin = begin > kWindow ? begin - kWindow : 0;
    try {
      thread_local std::vector<uint8_t> filtered;
      filtered.resize(size_t(end - dictBegin));
      stream.Fill(dictBegin, end, filtered.data());
      const uint8_t* data = filtered.data() + (begin - dictBegin);
      const size_t size = size_t(end - begin);
      band.rawSize = size;
      band.adler = isal_adler32(1, data, size);  // zlib's adler32, vectorised
      if (!DeflateBand(filtered.data(), size_t(begin - dictBegin), data, size, i + 1 == bandCount, band.bytes))
        return false;
      band.crc = uint32_t(crc32_z(0, band.bytes.data(), band.bytes.size()));
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  };

  // Bands deflated but not yet written, at most: about 64 KiB each, so memory
  // stays bounded whatever the picture's size.
  BandQueue queue(bandCount, size_t(threads) * 4);
  std::optional<WriterThread> writer;
  try {
    writer.emplace(queue, file, bandCount);
  } catch (const std::system_error&) {
    // No thread to be had: the calling thread writes each band itself.
    bool ok = file.Begin();
    for (size_t i = 0; ok && i < bandCount; ++i) {
      Band band;
      ok = deflate(i, band) && file.Add(band);
      fw::RuntimeBackgroundTask(uint32_t(kBandBytes));
    }
    return ok && file.End();
  }

  const std::thread::id caller = std::this_thread::get_id();
  // ParallelFor starts the tasks in index order, so the bands a task waits to
  // be written are running or done: waiting cannot deadlock.
  const auto deflateBand = [&](size_t i) {
    try {
      if (!queue.WaitForRoom(i, std::this_thread::get_id() == caller)) return;
    } catch (...) {
      queue.Stop();  // a quit: the workers stop waiting too
      throw;
    }
    Band band;
    if (deflate(i, band))
      queue.Put(i, std::move(band));
    else
      queue.Stop();
  };
  if (threads == 1 || bandCount == 1) {
    // No hand-over to a worker: the calling thread deflates, yielding after
    // each band (before it goes to the writer, so that the yield before the
    // file is linked is the first to find the last band written).
    for (size_t i = 0; i < bandCount && queue.WaitForRoom(i, true); ++i) {
      Band band;
      const bool ok = deflate(i, band);
      fw::RuntimeBackgroundTask(uint32_t(kBandBytes));
      if (!ok) {
        queue.Stop();  // the writer waits for this band no longer
        break;
      }
      queue.Put(i, std::move(band));
    }
  } else {
    fw::ParallelFor(bandCount, deflateBand, threads);
  }
  return queue.WaitForWriter();
}

}  // namespace pngu
