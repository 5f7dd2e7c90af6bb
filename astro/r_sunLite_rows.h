// TrowPool: a few worker threads that share the rows of one image among them; the map's hot loops
// (the elevation map, the day/night blend) run on it. Sized to the machine's cores, started on
// first use, joined when the process ends.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TrowPool {
 public:
  // The process's pool: one thread per core, at most kMaxThreads (the calling thread is one).
  static TrowPool& shared();
  static constexpr int kMaxThreads = 8;

  explicit TrowPool(int threads);
  ~TrowPool();
  TrowPool(const TrowPool&) = delete;
  TrowPool& operator=(const TrowPool&) = delete;

  [[nodiscard]] int threads() const { return static_cast<int>(fworkers.size()) + 1; }
  // job(first, last) over rows [0, rows) cut into at most `parts` bands (0: one per thread); the
  // calling thread takes the first band and returns when every band is done. One caller at a
  // time; a job never calls run itself.
  void run(int rows, int parts, const std::function<void(int first, int last)>& job);

 private:
  void work(int index);

  std::mutex frun;  // one run at a time
  std::mutex fm;
  std::condition_variable fgo, fdone;
  const std::function<void(int, int)>* fjob = nullptr;
  int frows = 0, fparts = 0, fpending = 0;
  uint64_t fgeneration = 0;
  bool fstopping = false;
  std::vector<std::thread> fworkers;
};
