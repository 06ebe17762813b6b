// LensRenderer: the lens picture. What lies under the lens area stretched by the zoom, the frame
// laid over it with its alpha, pushed to the lens's layered window in one per-pixel-alpha update.
// In thumbnail mode the picture is the frame alone, over an area that the thumbnail window
// beneath shows through. It owns every picture a frame is made of, and remembers what it pushed
// last, so that a frame the window already shows is not made again. The lens window owns one and
// tells it, each frame, where the window stands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "framework/dib.h"
#include "framework/rect.h"
#include "magnifier/lens_geometry.h"
#include "magnifier/lens_source.h"

class LensRenderer {
public:
  // The lens window a frame is made for: standing (or about to stand) at x, y on the screen, this
  // size, at this zoom and these measures.
  struct Target {
    HWND window;
    int x, y, width, height;
    int zoom;
    Lens::Metrics metrics;

    // The size the lens works with, and its lens area in window coordinates.
    Lens::Size LensSize() const { return Lens::ClampedSize(width, height, metrics); }
    Rect LensArea() const { return Lens::AreaOf(LensSize(), metrics); }
  };
  enum class Outcome {
    // No frame was started: no frame picture yet, or one inside another (the layered update sends
    // messages).
    Skipped,
    // The frame was pushed (unless the system refused the update), or the window shows it already.
    Shown,
    // The copy of the screen showed the lens: nothing was pushed, and the source has failed here.
    SawItself,
  };

  LensRenderer() = default;
  LensRenderer(const LensRenderer&) = delete;
  LensRenderer& operator=(const LensRenderer&) = delete;

  LensSource Source() const { return source_; }
  // The picture made last; null before the first frame.
  const Dib* Output() const { return output_.get(); }

  // The frame picture, as loaded at 96 DPI; no frame is made without one.
  void SetFramePicture(std::unique_ptr<Dib> picture) { framePicture_ = std::move(picture); }
  // Where the lens area's picture comes from, from now on. Into or out of thumbnail mode the next
  // frame is pushed whatever it finds; capture mode's enlarged screen is made at once, at the
  // size of this lens area.
  void UseSource(LensSource source, const Rect& area);
  // Makes and shows one frame for the target. What lies under the area's middle is copied every
  // time, for that is how a change is seen; the frame is made and pushed only when that copy, the
  // place, the size or the zoom differ from the last frame pushed, since the window still shows
  // that frame otherwise. A copy of the screen that shows the lens is never used.
  Outcome Render(const Target& target);
  // Render's steps, each on its own for the frame benchmark: the copy of what lies under the
  // source rectangle, enlarged over the area; the frame made of it; the layered update (false when
  // the system refused it).
  void Capture(const Target& target);
  void Compose(const Target& target);
  bool Push(const Target& target);
  // Drops every picture, the frame picture too, and what was pushed: at once, or when the frame
  // in progress is done.
  void ReleasePictures();
  // The next render pushes its frame whatever it finds: after an activation, a display or density
  // change the system may no longer show the last one as it was.
  void ForgetPushedFrame() { pushed_.reset(); }

private:
  bool ThumbnailMode() const { return source_ == LensSource::Thumbnail; }
  // The end of a frame, however it ends: pictures dropped meanwhile go now.
  void EndFrame();
  // Copies what lies under the source rectangle; false when the copy is of the screen and shows
  // the lens.
  bool CopySource(HWND window, const Lens::SourceRect& source);
  // Where a point of the screen, in the lens's own numbers, lies among the screen's pixels: the
  // same point, unless the lens is an unaware window on a scaled screen (Windows 8.1, and 10
  // before 1607), whose numbers are the system's 96-DPI ones.
  static POINT ScreenPixelOf(HWND window, int x, int y);
  // Whether the screen shows the lens where it stands now: most of its frame's opaque pixels on
  // two lines across the frame's bands, read back from the screen, have the colours the lens last
  // pushed there. False before the lens's first frame is on the screen.
  bool ScreenShowsLens(HWND lens);
  // Takes those pixels from the frame layer just painted: on the column through the window's
  // middle, above and below the lens area, and on the row through it, left and right of the area.
  void PickRimSamples(const Rect& area);
  void EnlargeSource(const Rect& area);
  // Whether the source copied last differs from the source of the frame pushed last; the copy is
  // kept for the next comparison when it does.
  bool SourceChanged();
  // The frame picture at these measures' density: as loaded at 96 DPI, smoothly scaled at any
  // other.
  Dib& FramePicture(const Lens::Metrics& metrics);

  LensSource source_ = LensSource::ScreenCopy;
  std::unique_ptr<Dib> framePicture_;
  // The frame picture scaled to the lens's density, when that is not 96 DPI.
  std::unique_ptr<Dib> scaledFrame_;
  // Capture mode's enlarged screen.
  std::unique_ptr<Dib> capture_;
  std::unique_ptr<Dib> output_;
  // The frame stretched to the window's size, at these measures. The frame picture never
  // changes, so it is painted again only when the size or the density does.
  std::unique_ptr<Dib> frameLayer_;
  Lens::Metrics layerMetrics_;
  // Capture mode: what lies under the source rectangle, at its own resolution.
  std::unique_ptr<Dib> sourcePixels_;
  // Opaque pixels of the frame layer (window coordinates, colour as blue, green, red) on the
  // column and the row through the window's middle, for ScreenShowsLens: those of the frame layer
  // now, and those of the frame on the screen.
  struct RimSample {
    int x, y;
    std::uint8_t bgr[3];
  };
  struct Rim {
    int column = 0, row = 0;
    std::vector<RimSample> samples;
  };
  Rim rim_, shownRim_;
  // The screen along that column and row, read back.
  std::unique_ptr<Dib> rimColumn_, rimRow_;
  // What the last frame pushed was made for, and in capture mode its source pixels, row after
  // row; none when no frame has been pushed or the last push failed.
  struct FrameKey {
    int x, y, width, height, zoom;
    friend bool operator==(const FrameKey&, const FrameKey&) = default;
  };
  std::optional<FrameKey> pushed_;
  std::vector<std::uint8_t> pushedSource_;
  // Set while a frame is being made: the layered update resizes the window, and the position
  // change that follows must not start a frame inside this one. Pictures asked to go meanwhile
  // wait for its end.
  bool rendering_ = false;
  bool releaseDue_ = false;
};
