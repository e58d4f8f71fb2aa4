#include "platform/worker_threads.h"

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {
namespace {

constexpr std::int32_t kMostThreads = 64;

struct IndexQueue {
  std::atomic<std::int32_t> next{0};
  std::int32_t count;
  void (*job)(void*, std::int32_t);
  void* context;
};

void work(IndexQueue* queue) {
  for (std::int32_t index = queue->next++; index < queue->count; index = queue->next++) {
    queue->job(queue->context, index);
  }
}

}  // namespace

std::int32_t workerThreadCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores < 1) return 1;
  return cores > static_cast<unsigned>(kMostThreads) ? kMostThreads : static_cast<std::int32_t>(cores);
}

void forEachIndex(std::int32_t count, void (*job)(void* context, std::int32_t index), void* context) {
  IndexQueue queue;
  queue.count = count;
  queue.job = job;
  queue.context = context;
  const std::int32_t cores = workerThreadCount();
  const std::int32_t helpers = count > 1 && cores > 1 ? (cores < count ? cores : count) - 1 : 0;
  std::vector<std::thread> threads;
  try {
    threads.reserve(static_cast<std::size_t>(helpers));
    for (std::int32_t i = 0; i < helpers; ++i) threads.emplace_back(work, &queue);
  } catch (const std::exception&) {
    // No thread, or no memory for one: the indices left are done here all
    // the same, only slower.
  }
  work(&queue);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace platform
