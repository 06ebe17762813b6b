#include "imaging/png_filters.h"

#include <cstdlib>

namespace {

inline std::uint8_t Paeth(int a, int b, int c) {
  int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return std::uint8_t(a);
  return std::uint8_t(pb <= pc ? b : c);
}

// Sub, Average and Paeth depend on the pixel to the left; with the step known at compile time
// the loops keep whole pixels in registers.
template <int Step>
void UnfilterFixed(std::uint8_t filter, std::uint8_t* __restrict row, const std::uint8_t* __restrict prior,
                   std::size_t size) {
  switch (filter) {
    case 1:
      for (std::size_t i = Step; i < size; ++i) row[i] = std::uint8_t(row[i] + row[i - Step]);
      break;
    case 3:
      for (std::size_t i = 0; i < size && i < Step; ++i) row[i] = std::uint8_t(row[i] + (prior[i] >> 1));
      for (std::size_t i = Step; i < size; ++i) row[i] = std::uint8_t(row[i] + ((row[i - Step] + prior[i]) >> 1));
      break;
    case 4:
      for (std::size_t i = 0; i < size && i < Step; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
      for (std::size_t i = Step; i < size; ++i) {
        row[i] = std::uint8_t(row[i] + Paeth(row[i - Step], prior[i], prior[i - Step]));
      }
      break;
  }
}

}  // namespace

void UnfilterRow(std::uint8_t filter, std::uint8_t* __restrict row, const std::uint8_t* __restrict prior,
                 std::size_t size, int step) {
  if (filter == 0 || filter > 4) return;
  if (filter == 2) {
    for (std::size_t i = 0; i < size; ++i) row[i] = std::uint8_t(row[i] + prior[i]);
    return;
  }
  switch (step) {
    case 1: UnfilterFixed<1>(filter, row, prior, size); break;
    case 2: UnfilterFixed<2>(filter, row, prior, size); break;
    case 3: UnfilterFixed<3>(filter, row, prior, size); break;
    case 4: UnfilterFixed<4>(filter, row, prior, size); break;
    case 6: UnfilterFixed<6>(filter, row, prior, size); break;
    case 8: UnfilterFixed<8>(filter, row, prior, size); break;
    default: UnfilterRowPlain(filter, row, prior, size, step); break;
  }
}

void UnfilterRowPlain(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
                      int step) {
  for (std::size_t i = 0; i < size; ++i) {
    int a = i >= std::size_t(step) ? row[i - step] : 0;
    int b = prior[i];
    int c = i >= std::size_t(step) ? prior[i - step] : 0;
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    int predictor;
    switch (filter) {
      case 1: predictor = a; break;
      case 2: predictor = b; break;
      case 3: predictor = (a + b) / 2; break;
      case 4: predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c); break;
      default: return;
    }
    row[i] = std::uint8_t(row[i] + predictor);
  }
}
