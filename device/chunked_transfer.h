#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/progress.h"

namespace solvane {

// Moves `length` bytes in chunks of at most `chunkLimit`, in order, through
// `moveChunk(offset, chunk)`, which is true when the writer took the chunk. The
// step's bar starts with `length`, advances by each chunk taken and ends
// however the transfer ends. True when every chunk was taken; a limit of 0
// moves nothing, which only an empty transfer survives.
template <typename MoveChunk>
bool TransferInChunks(Progress& progress,
                      uint32_t length,
                      uint32_t chunkLimit,
                      MoveChunk&& moveChunk) {
  progress.Start(length);
  bool complete = chunkLimit != 0 || length == 0;
  for (uint32_t offset = 0; complete && offset < length;) {
    uint32_t chunk = std::min(length - offset, chunkLimit);
    complete = moveChunk(offset, chunk);
    if (complete) {
      offset += chunk;
      progress.Advance(chunk);
    }
  }
  progress.End();
  return complete;
}

}  // namespace solvane
