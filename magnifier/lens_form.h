// TacMagnForm: the lens. A borderless, topmost, layered pop-up that shows the screen under its
// lens area enlarged inside the frame picture. It never paints through WM_PAINT: every frame is
// pushed whole with one layered-window update. Dragged with the left button (the system's move
// loop), resized at the rim of its lens area, re-zoomed from its menu or with the mouse wheel,
// closed with Esc.
// On a composed desktop the enlarged picture is the compositor's thumbnail in a window beneath
// the lens area (TThumbForm), and the lens draws only its frame over a see-through area.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/controls.h"
#include "framework/dib.h"
#include "framework/form.h"
#include "framework/popup_menu.h"
#include "magnifier/lens_geometry.h"
#include "magnifier/lens_registry.h"
#include "magnifier/thumb_form.h"

class TsMagnifier;

class TacMagnForm : public Form {
public:
  // Creates the window, invisible, 250 by 250, with its menu and its (disabled) timer. Lenses are
  // made and ended by the registry (Lenses) alone.
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

  // Renders and shows one frame for the window standing at (x, y) on the screen. The screen
  // under the area's middle is copied every time, for that is how a change is seen; the frame is
  // made and pushed only when that copy, the place, the size or the zoom differ from the last
  // frame pushed, since the window still shows that frame otherwise.
  void RenderAt(int x, int y);

  // The steps of a frame, each on its own for the frame benchmark. The capture is the copy of
  // what lies under the source rectangle, at its own resolution, then enlarged over the area.
  void CaptureScreen(const Lens::SourceRect& source);
  void ComposeFrame();
  // False when the system refused the update.
  bool PushFrame();
  // The next render pushes its frame whatever it finds: after an activation or a display change
  // the system may no longer show the last one as it was.
  void ForgetPushedFrame() { pushed_.reset(); }

  ::PopupMenu& PopupMenu1() { return popupMenu1_; }
  const Dib* OutputBitmap() const { return outputBitmap_.get(); }

protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void FinalMessage() override;
  void Dispose() override;
  void FormShow() override;
  void FormClose(CloseAction& action) override;

private:
  // The lens resized or its activation changed: the thumbnail window follows when asked, and the
  // frame is rendered again after the default handling (which moves the focus on activation).
  LRESULT Reframe(bool followThumb, UINT message, WPARAM wParam, LPARAM lParam);
  void MouseDown(MouseButton button, ShiftState shift, int x, int y);
  void MouseMove(ShiftState shift, int x, int y);
  void DblClick();
  // A turn of the wheel over the lens: each notch (WHEEL_DELTA) steps to the next zoom of the
  // menu, forward to a larger one.
  void MouseWheel(int delta);
  // The menu's zoom item next above (or below) this zoom; -1 when there is none.
  int NextZoomItem(int zoom, bool up) const;
  // Zooms to the item's zoom and checks it: the menu's choice, and the wheel's.
  void Zoom1x1Click(int item);
  void Close1Click();
  void Timer1Timer();
  LRESULT HitTest(LPARAM point) const;
  void Sizing(WPARAM edge, RECT* proposed);
  void PositionChanging(WINDOWPOS& pos);
  // Thumbnail mode's window beneath the open lens (CurrentThumb); null in capture mode and for a
  // lens that is no longer CurrentLens.
  TThumbForm* Thumb() const;
  // The thumbnail window directly beneath the lens, at the lens area of the lens standing at
  // (x, y); shown too when asked.
  void PlaceThumbnail(int x, int y, bool show);
  // Gives up all a lens needs only while it is the lens: the place of CurrentLens, the thumbnail
  // window, the pictures, the timer and the menu. Runs when it closes and when its window ends,
  // whoever ends it.
  void LetGo();
  void ReleasePictures();
  void CopySource(const Lens::SourceRect& source);
  void EnlargeSource();
  // Whether the source copied last differs from the source of the frame pushed last; the copy is
  // kept for the next comparison when it does.
  bool SourceChanged();

  ::PopupMenu popupMenu1_;
  Timer timer1_;
  std::unique_ptr<Dib> frameBitmap_;
  // Capture mode's enlarged screen.
  std::unique_ptr<Dib> captureBitmap_;
  std::unique_ptr<Dib> outputBitmap_;
  // The frame stretched to the window's size. The frame picture never changes, so it is painted
  // again only when the size does.
  std::unique_ptr<Dib> frameLayer_;
  // Capture mode: what lies under the source rectangle, at its own resolution.
  std::unique_ptr<Dib> source_;
  // What the last frame pushed was made for, and in capture mode its source pixels, row after
  // row; none when no frame has been pushed or the last push failed.
  struct FrameKey {
    int x, y, width, height, scale;
    friend bool operator==(const FrameKey&, const FrameKey&) = default;
  };
  std::optional<FrameKey> pushed_;
  std::vector<std::uint8_t> pushedSource_;
  // Set while a frame is being made: the layered update resizes the window, and the position
  // change that follows must not start a frame inside this one.
  bool rendering_ = false;
  // What the wheel has turned short of a notch, in the direction of its sign.
  int wheelRest_ = 0;
};
