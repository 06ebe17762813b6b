// TacMagnForm: the lens. A borderless, topmost, layered pop-up that shows the screen under its
// lens area enlarged inside the frame picture. It never paints through WM_PAINT: every frame is
// pushed whole with one layered-window update. Dragged with the left button (the system's move
// loop), resized at the rim of its lens area, re-zoomed from its menu, closed with Esc.
// On a composed desktop the enlarged picture is the compositor's thumbnail in a window beneath
// the lens area (TThumbForm), and the lens draws only its frame over a see-through area.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/controls.h"
#include "framework/dib.h"
#include "framework/form.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_geometry.h"
#include "magnifier/thumb_form.h"

class TsMagnifier;

// Process-wide lens state (one lens per process).
inline bool LensRendered = false;  // a frame has been pushed since the lens was last closed
inline bool LensClosing = false;   // closed, and not shown again since
inline bool DragPending = false;   // a left-button drag started and its end is not reported yet

class TacMagnForm : public Form {
public:
  // Creates the window, invisible, 250 by 250, with its menu and its (disabled) timer.
  TacMagnForm();
  ~TacMagnForm() override;

  // The component that opened the lens: its sizing mode, events and zoom setter. Not owned.
  TsMagnifier* Magnifier = nullptr;
  // The zoom factor used for rendering; 0 until the component sets it.
  std::int16_t Scale = 0;

  // Chooses the mode (thumbnail window when the desktop is composed, else capture bitmap), starts
  // the timer and loads the frame picture; throws when the frame picture cannot be loaded.
  void Initialise();
  // Checks the first zoom item whose tag is this zoom (none when no item has it).
  void CheckZoomItem(std::int32_t zoom);
  void SetZoom(std::int16_t zoom);
  // Thumbnail mode: the thumbnail window takes the zoom and the place of the lens area, and
  // refreshes. The lens stands where it is, or where it is about to go.
  void UpdateThumbnail();
  void UpdateThumbnailAt(int x, int y);

  // The size the lens works with (each side clamped to 150..800) and its lens area in window
  // coordinates. A lens that is no longer CurrentLens (closed, awaiting its end) has an empty
  // area and renders nothing.
  Lens::Size LensSize() const;
  TRect LensArea() const;

  // Renders and shows one frame for the window standing at (x, y) on the screen.
  void RenderAt(int x, int y);

  // The three steps of a frame, each on its own for the frame benchmark.
  void CaptureScreen(const Lens::SourceRect& source);
  void ComposeFrame();
  void PushFrame();

  ::PopupMenu& PopupMenu1() { return popupMenu1_; }
  const Dib* OutputBitmap() const { return outputBitmap_.get(); }

  // Ends the lenses that have closed and are waiting for their deferred end.
  static void FreeClosedLenses();

protected:
  void Dispose() override;
  void FormShow() override;
  void FormClose(CloseAction& action) override;
  void FormActivate() override;
  void FormResize() override;
  void FormKeyDown(WORD key, ShiftState shift) override;
  void FormMouseDown(MouseButton button, ShiftState shift, int x, int y) override;
  void FormMouseMove(ShiftState shift, int x, int y) override;
  void FormDblClick() override;
  void FormTimer(UINT_PTR id) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void Zoom1x1Click(int item);
  void Close1Click();
  void Timer1Timer();
  LRESULT HitTest(LPARAM point) const;
  void Sizing(WPARAM edge, RECT* proposed);
  void PositionChanging(WINDOWPOS& pos);
  // The thumbnail window directly beneath the lens, at the lens area of the lens standing at
  // (x, y); shown too when asked.
  void PlaceThumbnail(int x, int y, bool show);
  void DestroyThumbnail();
  // Gives up all a lens needs only while it is the lens: the place of CurrentLens, the thumbnail
  // window, the pictures, the timer and the menu. Runs when it closes and when its window ends,
  // whoever ends it.
  void LetGo();
  void ReleasePictures();

  ::PopupMenu popupMenu1_;
  Timer timer1_;
  std::unique_ptr<Dib> frameBitmap_;
  // Capture mode's enlarged screen, or thumbnail mode's window beneath (CurrentThumb).
  std::unique_ptr<Dib> captureBitmap_;
  WindowPtr<TThumbForm> thumb_;
  std::unique_ptr<Dib> outputBitmap_;
  // The frame stretched to the window's size. The frame picture never changes, so it is painted
  // again only when the size does.
  std::unique_ptr<Dib> frameLayer_;
  // Under Wine: the unscaled picture beneath the lens, made from the windows below it.
  std::unique_ptr<Dib> beneath_;
  // Set while a frame is being made: the layered update resizes the window, and the position
  // change that follows must not start a frame inside this one.
  bool rendering_ = false;
};
