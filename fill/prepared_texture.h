// The texture as a fill lays it down, held whole in memory for the modes
// that read it at any position: the size choice applied (reduced by the
// resampler, or each texel repeated r x r times), in gray for gray documents.
#pragma once

#include <cstdint>

#include "fill/fill_job.h"
#include "fill/host_view.h"
#include "resample/texel_block.h"

namespace fill {

struct PreparedTexture {
  TexelBlock block;
  std::uint8_t* pixels;  // owned: block's rows, packed
};

// After prepareScaling: reads every row of the job's texture, with progress
// counted in the job and the host's abort polled as the pre-scaling does.
// `channels` 3 keeps RGB, 1 turns the rows gray. Answers 1, or 0 with the
// result and message given (1 and none after an abort).
int readPreparedTexture(FillJob& job, HostView& view, std::int32_t channels, PreparedTexture& prepared,
                        std::int16_t* result);
void releasePreparedTexture(PreparedTexture& prepared);

// Start for the modes that read the texture whole: the planes, the size
// choice, the scaling, then readPreparedTexture in the document's colour
// (gray or RGB). Answers 1, or 0 with the result (and message) given.
int prepareWholeTexture(FillJob& job, HostView& view, PreparedTexture& prepared, std::int16_t* result);

// The first band of such a mode and the height of every band: enough pixels
// that the band's rows are worth sharing out over the cores.
std::int32_t computedBandRows(const HostView& view);

}  // namespace fill
