// ThumbnailWindow: the window under the lens area when the desktop is composed. The compositor draws
// into it a live thumbnail of the top-level window under the area's centre, enlarged by the
// zoom; the lens above it then draws only its frame. A plain topmost pop-up, not layered, in the
// composition colour where the thumbnail does not reach.
#pragma once

#include <cstdint>

#include "framework/compositor.h"
#include "framework/app_window.h"
#include "framework/gdi.h"
#include "framework/rect.h"

class ThumbnailWindow : public AppWindow {
public:
  // Creates the window, hidden, owned by the publication's top-level window as the lens is (none
  // when null). It never takes the focus.
  explicit ThumbnailWindow(HWND publication = nullptr);
  ~ThumbnailWindow() override;

  // The window shown in the thumbnail, and the compositor's handle of the thumbnail (this window
  // gives it back).
  HWND SourceWindow() const { return sourceWindow_; }
  HTHUMBNAIL ThumbnailId() const { return thumbnailId_; }
  // The lens's zoom; 0 until the lens gives it one, and the window does nothing until then.
  std::int32_t Zoom() const { return zoom_; }
  void SetZoom(std::int32_t zoom) { zoom_ = zoom; }

  // Follows the window under the centre and points the thumbnail at the middle 1/Zoom of this
  // window's place, in that window's coordinates. The compositor keeps a thumbnail live by
  // itself, so its properties are sent only when they differ from those it has; the colour is
  // read on the first refresh after showing, and then follows the compositor's change message.
  void RefreshThumbnail();
  // Places the window at these bounds directly beneath `above` in the z-order, without
  // activating it; shows it too when asked. Nothing is done when it is there already.
  void SetBounds(HWND above, int left, int top, int width, int height, bool show = false);

  // Whether the compositor makes thumbnails at all. One can say composition is on and yet have
  // no thumbnail function, or one that is not implemented (Wine's, from Windows 8 on); this
  // window would then stay empty.
  bool CompositorMakesThumbnails() const;

  // The part of the source window (in its own window coordinates) that the thumbnail shows.
  Rect SourceRect() const;
  COLORREF BackgroundColour() const { return background_.Color(); }

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ReleaseNow() override;

private:
  // Hidden, the window gives its thumbnail back.
  void OnHidden();
  // The one place the thumbnail handle is given back.
  void UnregisterThumbnail();
  // The background takes the composition colour; kept when the compositor cannot say, and
  // then false.
  bool Recolour();
  void FindSourceWindow();

  HWND sourceWindow_ = nullptr;
  HTHUMBNAIL thumbnailId_ = nullptr;
  std::int32_t zoom_ = 0;
  SolidBrush background_;
  // Whether the colour has been read since the window last hid.
  bool coloured_ = false;
  // The properties the compositor has for the thumbnail, when sentFor_ is that thumbnail: forgotten
  // when it is given back, and not kept from an update that failed.
  DWM_THUMBNAIL_PROPERTIES sent_ = {};
  HTHUMBNAIL sentFor_ = nullptr;
};
