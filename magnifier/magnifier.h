// Magnifier: the non-visual component through which a panel drives the lens. It keeps the lens
// settings; the lens window itself is one for the whole process (Lenses.Open(), kept by the lens
// registry), opened by whichever component opens it first and closed or destroyed by any of them.
#pragma once

#include <cstdint>
#include <functional>

#include "magnifier/lens_client.h"

class PopupMenu;
class Magnifier;

// Lens window width and height, 150..800 by declaration; not checked when set from code.
using TMagnSize = std::uint16_t;

using TNotifyEvent = std::function<void(Magnifier* sender)>;
using TMouseEvent = std::function<void(Magnifier* sender, MouseButton button, ShiftState shift, int x, int y)>;
// The proposed left and top of the lens window, which the handler may change.
using TPosChangingEvent = std::function<void(int& x, int& y)>;

class Magnifier : private LensClient {
public:
  Magnifier() = default;
  // Gives up every lens, unless ReleaseNow has already run.
  ~Magnifier();
  Magnifier(const Magnifier&) = delete;
  Magnifier& operator=(const Magnifier&) = delete;

  // When set, the lens shows this menu instead of its own zoom menu. Not owned.
  ::PopupMenu* PopupMenu = nullptr;
  // A window of the publication that uses the component: a lens opened without a place is centred
  // on the monitor that holds the publication (on the main monitor when this is null), and belongs
  // to the publication's top-level window.
  HWND PublicationWindow = nullptr;
  TMagnSize Width = 250;
  TMagnSize Height = 250;
  TacSizingMode SizingMode = asmFreeAspectRatio;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  // Reported once after a drag of the lens has ended.
  TMouseEvent OnMouseUp;
  TPosChangingEvent OnPosChanging;

  std::int32_t Zoom() const { return zoom_; }
  // Clamps to 2..16 and re-zooms an open lens, whoever opened it.
  void SetZoom(std::int32_t value);

  // Opens the lens, or only raises it when it is open. (-1, -1) leaves it centred on the monitor
  // of the publication; any other pair places its top-left corner there (in the host's numbers).
  // Failures to make the lens propagate.
  void ShowLens(std::int32_t x, std::int32_t y);
  // Closes an open lens; nothing otherwise.
  void CloseLens();
  // Deletes the lens, whoever opened it, with the closed lenses still awaiting their end. From
  // then on the component opens no lens: its panel is going.
  void ReleaseNow();

private:
  TacSizingMode LensSizing() const override { return SizingMode; }
  void LensZoomChosen(int zoom) override { SetZoom(zoom); }
  void LensMouseDown(MouseButton button, ShiftState shift, int x, int y) override;
  void LensDragEnded(ShiftState shift, int x, int y) override;
  void LensDoubleClicked() override;
  bool LensMoving(int& x, int& y) override;
  // A point of the lens window (in its pixels) in the host's units: the host is an unaware
  // program on a scaled screen, or at the lens's density.
  POINT InHostUnits(int x, int y) const;

  std::int32_t zoom_ = 2;
  bool released_ = false;
};
