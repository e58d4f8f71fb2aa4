// The rows of one band shared out over every core. The fill modes that
// compute their pixels (rather than copy them) use it; the host's thread is
// one of the workers, and every thread has ended when it returns, so no
// thread of ours outlives the Continue that started it.
#pragma once

#include <cstdint>

namespace fill {

// Calls rowJob(context, row) once for every row from 0 to rows - 1, on as
// many threads as the machine has cores (fewer when the band is short). The
// job must not depend on the order or on the thread.
void forEachBandRow(std::int32_t rows, void (*rowJob)(void* context, std::int32_t row), void* context);

}  // namespace fill
