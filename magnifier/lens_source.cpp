#include "magnifier/lens_source.h"

namespace {

constexpr WindowsVersion kVista = {6, 0, 0};
constexpr WindowsVersion kWindows8 = {6, 2, 0};
constexpr WindowsVersion kWindows10v2004 = {10, 0, 19041};

}  // namespace

LensSource ChooseLensSource(WindowsVersion version, bool composition, LensSourceSet failed) {
  // The system's ways, best first.
  LensSource ways[3] = {};
  int count = 0;
  if (version >= kWindows10v2004) ways[count++] = LensSource::HiddenScreenCopy;
  if (version >= kWindows8 || (version >= kVista && composition)) ways[count++] = LensSource::Thumbnail;
  if (version < kWindows8) ways[count++] = LensSource::ScreenCopy;
  for (int i = 0; i < count; ++i) {
    if (!failed.Has(ways[i])) return ways[i];
  }
  return LensSource::WindowsBeneath;
}
