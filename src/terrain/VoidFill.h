#pragma once

#include <cstddef>

// Fills the samples that hold no elevation (NaN) from their neighbours, nearest first: each
// void takes the mean of the neighbours among its eight that were known before its turn, so a
// filled sample lies within the range of the valid samples around it (no pits, no spikes).
// Returns the number of voids found. Every one is filled, unless no sample at all is valid; the
// heights are then left as they are.
std::size_t fillVoids(float* heights, int width, int length);
