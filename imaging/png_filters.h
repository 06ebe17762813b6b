// Undoing the five PNG row filters.
#pragma once

#include <cstddef>
#include <cstdint>

// Reconstructs `size` bytes of `row` in place from filter type `filter`, with `prior` the
// reconstructed row above (zeros for a first row) and `step` bytes per complete pixel. `row`
// and `prior` never overlap. A filter type above 4 leaves the row as it is.
void UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t size, int step);

// The same, written for clarity rather than speed; the reference the fast path is tested against.
void UnfilterRowPlain(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
                      int step);
