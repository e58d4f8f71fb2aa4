#include "chooser/win32/long_name_readers.h"

#include <windows.h>

#include "texture/info_line.h"

namespace chooser {

namespace {

// Helper threads beside the dialog's own: enough to keep requests waiting
// on the round trips, few enough not to crowd a small machine.
constexpr int kHelpers = 3;

struct SharedReading {
  std::size_t count;
  const char* const* names;
  char* results;
  int* answers;
  volatile LONG next;
};

void readUntilDone(SharedReading* reading) {
  for (;;) {
    const LONG taken = InterlockedIncrement(&reading->next) - 1;
    if (taken < 0 || static_cast<std::size_t>(taken) >= reading->count) return;
    const auto i = static_cast<std::size_t>(taken);
    reading->answers[i] =
        texture::textureLongName(reading->names[i], reading->results + i * texture::kLongNameBytes);
  }
}

DWORD WINAPI helperThread(void* reading) {
  readUntilDone(static_cast<SharedReading*>(reading));
  return 0;
}

}  // namespace

void readLongNamesAtOnce(std::size_t count, const char* const* names, char* results,
                         int* answers) {
  if (count == 0) return;
  SharedReading reading{count, names, results, answers, 0};
  HANDLE helpers[kHelpers];
  DWORD started = 0;
  for (int k = 0; k < kHelpers && static_cast<std::size_t>(k) + 1 < count; ++k) {
    // Without a helper the dialog's thread reads alone, as before.
    HANDLE helper = CreateThread(nullptr, 0, helperThread, &reading, 0, nullptr);
    if (helper != nullptr) helpers[started++] = helper;
  }
  readUntilDone(&reading);
  if (started > 0) WaitForMultipleObjects(started, helpers, TRUE, INFINITE);
  for (DWORD k = 0; k < started; ++k) CloseHandle(helpers[k]);
}

}  // namespace chooser
