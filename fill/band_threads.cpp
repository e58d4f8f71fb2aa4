#include "fill/band_threads.h"

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace fill {
namespace {

constexpr unsigned kMostThreads = 64;

struct RowQueue {
  std::atomic<std::int32_t> next{0};
  std::int32_t rows;
  void (*rowJob)(void*, std::int32_t);
  void* context;
};

void work(RowQueue* queue) {
  for (std::int32_t row = queue->next++; row < queue->rows; row = queue->next++) queue->rowJob(queue->context, row);
}

}  // namespace

void forEachBandRow(std::int32_t rows, void (*rowJob)(void* context, std::int32_t row), void* context) {
  RowQueue queue;
  queue.rows = rows;
  queue.rowJob = rowJob;
  queue.context = context;
  unsigned cores = std::thread::hardware_concurrency();
  if (cores > kMostThreads) cores = kMostThreads;
  const unsigned helpers = rows > 1 && cores > 1 ? (cores < static_cast<unsigned>(rows) ? cores : rows) - 1 : 0;
  std::vector<std::thread> threads;
  try {
    threads.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i) threads.emplace_back(work, &queue);
  } catch (const std::exception&) {
    // No thread, or no memory for one: the rows left are done here all the
    // same, only slower.
  }
  work(&queue);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace fill
