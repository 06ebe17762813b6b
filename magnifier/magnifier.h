// Magnifier: the non-visual component through which a panel drives the lens. It keeps the lens
// settings; the lens window itself is one for the whole process (the open lens of the registry
// the component is given), opened by whichever component opens it first and closed or destroyed
// by any of them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "magnifier/lens_client.h"

class LensRegistry;

// Lens window width and height at 96 DPI, 150..800 by declaration; not checked when set from code.
using LensExtent = std::uint16_t;

class Magnifier : private LensClient {
public:
  explicit Magnifier(LensRegistry& lenses) : lenses_(lenses) {}
  // Gives up every lens, unless ReleaseNow has already run.
  ~Magnifier();
  Magnifier(const Magnifier&) = delete;
  Magnifier& operator=(const Magnifier&) = delete;

  // A window of the publication that uses the component: a lens opened without a place is centred
  // on the monitor that holds the publication (on the main monitor when there is none), and
  // belongs to the publication's top-level window.
  void SetPublicationWindow(HWND window) { publicationWindow_ = window; }
  // The size of the lens the component opens next.
  void SetLensSize(LensExtent width, LensExtent height) {
    width_ = width;
    height_ = height;
  }

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
  void LensZoomChosen(int zoom) override { SetZoom(zoom); }

  LensRegistry& lenses_;
  HWND publicationWindow_ = nullptr;
  LensExtent width_ = 250;
  LensExtent height_ = 250;
  std::int32_t zoom_ = 2;
  bool released_ = false;
};
