// Independent pieces of work shared out over every core. The caller's
// thread is one of the workers, and every thread has ended when the call
// returns, so no thread of ours outlives the host call that started it.
// Only the caller's thread may talk to the host (progress, abort).
#pragma once

#include <cstdint>

namespace platform {

// The most threads forEachIndex uses: the machine's cores, at most 64.
std::int32_t workerThreadCount();

// Calls job(context, index) once for every index from 0 to count - 1, on as
// many threads as the machine has cores (fewer when there are fewer
// indices). The job must not depend on the order or on the thread.
void forEachIndex(std::int32_t count, void (*job)(void* context, std::int32_t index), void* context);

}  // namespace platform
