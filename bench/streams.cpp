// Buffered streams: small records read through the page and written through the buffer, the
// way the drawing file reader and writer use them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_home.h"
#include "core/Treadstream.h"

namespace {
const std::string& benchFile() {
  static const std::string name = [] {
    std::string n = benchhome::path("streams.bin");
    TwriteStream ws;
    ws.open(n);
    std::vector<char> block(1 << 20, 'x');
    for (int i = 0; i < 16; ++i) ws.write(block.data(), static_cast<int64_t>(block.size()));
    ws.close();
    std::atexit([] { std::remove(benchFile().c_str()); });
    return n;
  }();
  return name;
}

void BM_ReadRecords(benchmark::State& state) {
  const auto record = static_cast<int64_t>(state.range(0));
  std::vector<char> buf(static_cast<size_t>(record));
  for (auto _ : state) {
    Treadstream rs;
    rs.open(benchFile());
    int64_t total = 0;
    while (rs.read(buf.data(), record) == record) total += record;
    benchmark::DoNotOptimize(total);
    state.SetBytesProcessed(state.bytes_processed() + total);
  }
}
BENCHMARK(BM_ReadRecords)->Arg(8)->Arg(100)->Arg(4096);

void BM_WriteRecords(benchmark::State& state) {
  const auto record = static_cast<int64_t>(state.range(0));
  std::vector<char> buf(static_cast<size_t>(record), 'y');
  const std::string name = benchFile() + ".out";
  for (auto _ : state) {
    TwriteStream ws;
    ws.open(name);
    for (int64_t done = 0; done < (16 << 20); done += record) ws.write(buf.data(), record);
    ws.close();
    state.SetBytesProcessed(state.bytes_processed() + (16 << 20));
  }
  std::remove(name.c_str());
}
BENCHMARK(BM_WriteRecords)->Arg(8)->Arg(4096);
}  // namespace
