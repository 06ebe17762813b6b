// LensWindow: the lens. A borderless, topmost, layered pop-up that shows the screen under its
// lens area enlarged inside the frame picture. It never paints through WM_PAINT: every frame is
// pushed whole with one layered-window update. Dragged with the left button (the system's move
// loop), resized at the rim of its lens area, re-zoomed from its menu or with the mouse wheel,
// closed with Esc; the keyboard moves, resizes and re-zooms it too (see OnKey). Its frames are
// made and pushed by its renderer (magnifier/lens_renderer.h), told where the lens stands.
// Where the lens's picture comes from is its source (magnifier/lens_source.h), which the owner
// chooses: a copy of the screen, or of the windows beneath, enlarged into the frame; or, on a
// composed desktop, the compositor's thumbnail in a window beneath the lens area
// (ThumbnailWindow), the lens drawing only its frame over a see-through area. A lens that copies
// the screen checks each copy for itself first and, when it finds itself, asks for another source.
// Its states, and who makes and deletes it: magnifier/lens_registry.h.
#pragma once

#include <cstdint>

#include "framework/controls.h"
#include "framework/app_window.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_client.h"
#include "magnifier/lens_geometry.h"
#include "magnifier/lens_renderer.h"
#include "magnifier/lens_source.h"
#include "magnifier/thumbnail_window.h"

class LensWindow : public AppWindow {
public:
  // What the lens tells its owner, the registry, of its state.
  class Owner {
  public:
    // The lens has stopped being the open one: it closed, or its window is ending.
    virtual void LensShutDown(LensWindow& lens) = 0;
    // The final message of the lens's window.
    virtual void LensWindowEnded(LensWindow& lens) = 0;
    // A copy of the screen showed the open lens: its source has failed here, and the owner gives
    // it another (UseSource) or leaves it closed.
    virtual void LensSawItself(LensWindow& lens) = 0;
    // Composition was turned on or off while the lens was open: the owner may change its source.
    virtual void LensCompositionChanged(LensWindow& lens) = 0;

  protected:
    ~Owner() = default;
  };

  // Creates the window, invisible, 250 by 250 (the registry gives it its size at its density),
  // with its menu and its (disabled) timer, owned by the publication's top-level window (none when
  // null): so the lens has no taskbar button or Alt+Tab entry of its own, stays above the
  // publication, hides while it is minimised, and goes when it goes. The window is per-monitor DPI
  // aware where Windows has such windows (10 1607 on), whatever the host is: it sees and draws the
  // screen's own pixels, and its measures follow the density of its monitor. Lenses are made and
  // deleted by their owner, the registry, alone.
  LensWindow(Owner& owner, HWND publication);
  ~LensWindow() override;

  // Makes the lens the open one, for this component, at this zoom, its picture from this source:
  // in thumbnail mode with this thumbnail window beneath it (the registry owns it). Starts the
  // timer and loads the frame picture; throws when the frame picture cannot be loaded.
  void Open(LensClient& client, LensSource source, ThumbnailWindow* thumbnail, int zoom);
  // The open lens takes another source (with its thumbnail window in thumbnail mode, else null);
  // its next render pushes a frame made the new way.
  void UseSource(LensSource source, ThumbnailWindow* thumbnail);
  LensSource Source() const { return renderer_.Source(); }
  // Stops being the open lens: gives up the client, the thumbnail window, the timer, the menu and
  // the pictures, and tells the owner. Runs once, when the lens closes or its window ends,
  // whoever ends it.
  void ShutDown();
  bool IsOpen() const { return state_ == State::Open; }

  // The zoom factor used for rendering; setting it renders at once and checks its menu item.
  int Zoom() const { return zoom_; }
  void SetZoom(int zoom);
  // Checks the first zoom item whose tag is this zoom; none is checked when no item has it.
  void CheckZoomItem(std::int32_t zoom);
  // Thumbnail mode: the thumbnail window takes the zoom and the place of the lens area, and
  // refreshes. The lens stands where it is, or where it is about to go.
  void UpdateThumbnail();
  void UpdateThumbnailAt(int x, int y);

  // The lens's measures at its monitor's density (those of 96 DPI where the window is not aware).
  const Lens::Metrics& Metrics() const { return metrics_; }
  // The size the lens works with (each side clamped to 150..800 at 96 DPI) and its lens area in
  // window coordinates. A lens that is not open (closed, awaiting its end) has an empty area and
  // renders nothing.
  Lens::Size LensSize() const;
  Rect LensArea() const;

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void FinalMessage() override;
  void ReleaseNow() override;
  void OnClosing(CloseAction& action) override;
  void OnShown() override;
  // The menu key and Shift+F10 open the menu at the centre of the lens area.
  POINT KeyboardMenuPoint() const override;

private:
  enum class State { Made, Open, ShutDown };

  // The lens resized or its activation changed: the thumbnail window follows when asked, and the
  // frame is rendered again after the default handling (which moves the focus on activation).
  LRESULT OnReframe(bool followThumb, UINT message, WPARAM wParam, LPARAM lParam);
  // A left press anywhere in the lens area drags the lens.
  void OnDragStart();
  // A turn of the wheel over the lens: each notch (WHEEL_DELTA) steps to the next zoom of the
  // menu, forward to a larger one.
  void OnWheel(int delta);
  // A key pressed while the lens has the focus; false when the key is not the lens's.
  bool OnKey(WPARAM key);
  // Zooms to the item's zoom and checks it: the menu's choice, the wheel's and the keyboard's.
  void OnZoomChosen(int item);
  void OnCloseChosen();
  void OnTick();
  LRESULT OnHitTest(LPARAM point) const;
  void OnSizing(WPARAM edge, RECT* proposed);
  void OnPositionChanging(WINDOWPOS& pos);
  // The lens has come to a monitor of another density: it takes that density's measures and the
  // place and size the system suggests for it there.
  void OnDpiChanged(int dpi, const RECT& suggested);

  // Renders and shows one frame for the window standing at (x, y) on the screen (see
  // LensRenderer::Render). A copy of the screen that shows the lens is never used: the lens asks
  // its owner for another source and renders with that.
  void RenderAt(int x, int y);
  // The menu's zoom item next above (or below) this zoom; -1 when there is none.
  int NextZoomItem(int zoom, bool up) const;
  // The keyboard's moves and resizes, which take the ways of a drag: the window's position change
  // (the confinement, the frame, the thumbnail window) and WM_SIZING's corrections.
  void MoveTo(int x, int y);
  void ResizeBy(int dw, int dh);
  // Thumbnail mode's window beneath the open lens; null in capture mode and once the lens has
  // shut down.
  ThumbnailWindow* Thumb() const { return thumbnail_; }
  // The thumbnail window directly beneath the lens, at the lens area of the lens standing at
  // (x, y); shown too when asked.
  void PlaceThumbnail(int x, int y, bool show);

  Owner& owner_;
  State state_ = State::Made;
  // The component that opened the lens, and the thumbnail window beneath it; neither owned, both
  // null once the lens has shut down.
  LensClient* client_ = nullptr;
  ThumbnailWindow* thumbnail_ = nullptr;
  int zoom_ = 0;
  Lens::Metrics metrics_;
  ::PopupMenu zoomMenu_;
  Timer refreshTimer_;
  // Its pictures and what it pushed last; they go when the lens shuts down.
  LensRenderer renderer_;
  // What the wheel has turned short of a notch, in the direction of its sign.
  int wheelRest_ = 0;
  // A frame has been pushed since the lens opened: until then a position change renders nothing.
  bool rendered_ = false;
  // The last tick's frame failed (and was reported).
  bool tickFailed_ = false;
  // A left-button drag started and its end is not reported yet.
};
