// What the fill modes that prepare the whole texture share: their state's
// block, the tile origin, their bands (as high as the host hands over) and
// the rows of a band computed on every core.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fill/fill_job.h"
#include "fill/fill_mode.h"
#include "fill/host_view.h"

namespace fill {

// The mode's state, zeroed, in the job's modeState; null after reporting
// that memory ran out.
void* allocateModeState(FillJob& job, std::size_t bytes, std::int16_t* result);
// Frees the job's modeState (the mode has released what it holds).
void releaseModeState(FillJob& job);
// Reports that memory ran out, as Start does; answers 0.
int reportOutOfMemory(std::int16_t* result);

// The document position the repetition is anchored at: (0, 0), or the filter
// rectangle's top-left corner.
void tileOriginOf(const FillOptions& options, const HostView& view, std::int32_t& x, std::int32_t& y);

// Rows of the band the host has handed over, as many as both rectangles hold.
std::int32_t handedBandRows(const FillJob& job, const HostView& view);

// False, after reporting bad parameters, when the host has changed the
// document's colour since Start prepared `channels` samples a texel: its
// rows would be overrun.
bool sameColourAsStart(const BandTarget& band, std::int32_t channels, std::int16_t* result);

// Calls renderRow for every row of the band, shared over the cores, then
// writes each pixel's opaque plane where a layer has one.
using RenderRow = void (*)(const void* context, const BandTarget& band, std::int32_t row, std::uint8_t* first);
void renderBandOnEveryCore(const BandTarget& band, RenderRow renderRow, const void* context);

}  // namespace fill
