// TrowPool: band k of n covers rows [k × rows / n, (k + 1) × rows / n); the caller runs band 0.
#include "astro/r_sunLite_rows.h"

#include <algorithm>

namespace {
int bandStart(int band, int rows, int parts) {
  return static_cast<int>(static_cast<int64_t>(band) * rows / parts);
}
}  // namespace

TrowPool& TrowPool::shared() {
  static TrowPool pool(std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads));
  return pool;
}

TrowPool::TrowPool(int threads) {
  for (int i = 1; i < threads; ++i) fworkers.emplace_back([this, i] { work(i); });
}

TrowPool::~TrowPool() {
  {
    std::lock_guard<std::mutex> lock(fm);
    fstopping = true;
  }
  fgo.notify_all();
  for (std::thread& t : fworkers) t.join();
}

void TrowPool::run(int rows, int parts, const std::function<void(int, int)>& job) {
  if (rows <= 0) return;
  if (parts <= 0 || parts > threads()) parts = threads();
  parts = std::min(parts, rows);
  if (parts <= 1) {
    job(0, rows);
    return;
  }
  std::lock_guard<std::mutex> one(frun);
  {
    std::lock_guard<std::mutex> lock(fm);
    fjob = &job;
    frows = rows;
    fparts = parts;
    fpending = parts - 1;
    ++fgeneration;
  }
  fgo.notify_all();
  job(0, bandStart(1, rows, parts));
  std::unique_lock<std::mutex> lock(fm);
  fdone.wait(lock, [this] { return fpending == 0; });
  fjob = nullptr;
}

void TrowPool::work(int index) {
  uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(fm);
  for (;;) {
    fgo.wait(lock, [&] { return fstopping || fgeneration != seen; });
    if (fstopping) return;
    seen = fgeneration;
    if (index >= fparts) continue;  // fewer bands than threads this time
    const std::function<void(int, int)>* job = fjob;
    const int first = bandStart(index, frows, fparts), last = bandStart(index + 1, frows, fparts);
    lock.unlock();
    (*job)(first, last);
    lock.lock();
    if (--fpending == 0) fdone.notify_one();
  }
}
