// TsMagnifier: the non-visual component through which a panel drives the lens. It keeps the lens
// settings; the lens window itself is one for the whole process (CurrentLens, kept by the lens
// registry), opened by whichever component opens it first and closed or destroyed by any of them.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/form.h"
#include "magnifier/lens_registry.h"

class PopupMenu;
class TacMagnForm;
class TsMagnifier;

// Lens window width and height, 150..800 by declaration; not checked when set from code.
using TMagnSize = std::uint16_t;

enum TacSizingMode : std::uint8_t { asmNone, asmFreeAspectRatio, asmFixedAspectRatio };

using TNotifyEvent = std::function<void(TsMagnifier* sender)>;
using TMouseEvent = std::function<void(TsMagnifier* sender, MouseButton button, ShiftState shift, int x, int y)>;
// The proposed left and top of the lens window, which the handler may change.
using TPosChangingEvent = std::function<void(int& x, int& y)>;

class TsMagnifier {
public:
  TsMagnifier() = default;
  // Disposes of the lens, unless Dispose has already run.
  ~TsMagnifier();
  TsMagnifier(const TsMagnifier&) = delete;
  TsMagnifier& operator=(const TsMagnifier&) = delete;

  // When set, the lens shows this menu instead of its own zoom menu. Not owned.
  ::PopupMenu* PopupMenu = nullptr;
  TMagnSize Width = 250;
  TMagnSize Height = 250;
  TacSizingMode SizingMode = asmFreeAspectRatio;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  // Reported once after a drag of the lens has ended.
  TMouseEvent OnMouseUp;
  TPosChangingEvent OnPosChanging;

  std::int32_t Scaling() const { return scaling_; }
  // Clamps to 2..16 and re-zooms an open lens, whoever opened it.
  void SetScaling(std::int32_t value);

  // Opens the lens, or only raises it when it is open. (-1, -1) leaves it centred on the screen;
  // any other pair places its top-left corner there. Failures to make the lens propagate.
  void ShowLens(std::int32_t x, std::int32_t y);
  // Closes an open lens; nothing otherwise.
  void CloseLens();
  // Destroys the lens, whoever opened it, with the closed lenses still awaiting their end. From
  // then on the component opens no lens: its panel is going.
  void Dispose();

private:
  std::int32_t scaling_ = 2;
  bool disposed_ = false;
};
