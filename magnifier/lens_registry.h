// LensRegistry: the one owner of the lens windows of the process. It makes and ends every lens,
// the open one and those that have closed and wait for their window's final message, and the
// thumbnail window of the open lens; nothing else creates or deletes them. They end through
// Window::Retire, so an object whose code is still running further up the stack outlives it.
#pragma once

#include <vector>

class TacMagnForm;
class TThumbForm;
class TsMagnifier;

class LensRegistry {
public:
  constexpr LensRegistry() = default;
  LensRegistry(const LensRegistry&) = delete;
  LensRegistry& operator=(const LensRegistry&) = delete;

  // The open lens and, in thumbnail mode, its thumbnail window; null when there is none.
  constexpr TacMagnForm* const& Open() const { return open_; }
  constexpr TThumbForm* const& Thumb() const { return thumb_; }

  // Makes the open lens for the component: hidden, at this size, its mode chosen. Throws when it
  // cannot be made, and nothing is left behind then: the next attempt starts afresh.
  TacMagnForm& OpenLens(TsMagnifier& magnifier, int width, int height);
  // For the open lens while it initialises on a composed desktop: its thumbnail window, or null
  // when the compositor makes no thumbnails.
  TThumbForm* MakeThumb();
  // The lens stops being the open one (it closes, or its window ends); its thumbnail window goes
  // at once. Nothing when it is not the open lens.
  void LetGo(TacMagnForm& lens);
  // A lens that closed itself stays, hidden, until its window's final message.
  void Closed(TacMagnForm& lens);
  // The final message of a lens's window: the object goes.
  void Drop(TacMagnForm& lens);
  // Ends every lens, open or closed, so that no window of ours is left once the panels are gone
  // (the host may unload us next).
  void DropAll();

  // State of the one lens of the process, whichever object is it at the moment.
  bool LensRendered = false;  // a frame has been pushed since the open lens opened
  bool LensClosing = false;   // a lens has closed, and none has been shown since
  bool DragPending = false;   // a left-button drag started and its end is not reported yet

private:
  TacMagnForm* open_ = nullptr;
  TThumbForm* thumb_ = nullptr;
  // There may be several closed lenses: a script can open and close the lens again before any
  // message runs.
  std::vector<TacMagnForm*> closed_;
};

inline LensRegistry Lenses;

// What the components and the lens read: the open lens, and its thumbnail window (null in
// capture mode or with no lens).
inline TacMagnForm* const& CurrentLens = Lenses.Open();
inline TThumbForm* const& CurrentThumb = Lenses.Thumb();
