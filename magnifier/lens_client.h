// LensClient: what the lens asks of the component that opened it, so that the lens needs nothing
// else of the component. The component implements it; the lens holds it, not owned, only while it
// is the open lens.
#pragma once

#include <cstdint>

#include "framework/form.h"

enum TacSizingMode : std::uint8_t { asmNone, asmFreeAspectRatio, asmFixedAspectRatio };

class LensClient {
public:
  virtual TacSizingMode LensSizing() const = 0;
  // A zoom chosen at the lens (its menu, the wheel): the component takes it as its own.
  virtual void LensZoomChosen(int zoom) = 0;
  // A button pressed over the lens, at these window coordinates.
  virtual void LensMouseDown(MouseButton button, ShiftState shift, int x, int y) = 0;
  // A drag of the lens has ended; reported once, with the first mouse move after it.
  virtual void LensDragEnded(ShiftState shift, int x, int y) = 0;
  virtual void LensDoubleClicked() = 0;
  // The proposed left and top of the lens window, which the component may change; false when it
  // leaves them to the lens's own confinement.
  virtual bool LensMoving(int& x, int& y) = 0;

protected:
  ~LensClient() = default;
};
