// LensRegistry: the one owner of the lens windows of the process. It makes and deletes every
// lens, the open one and those that have closed and wait for their window's final message, and
// the thumbnail window of the open lens; nothing else creates or deletes them. They go through
// Window::DeleteLater, so an object whose code is still running further up the stack outlives it.
//
// A lens passes through these states:
//
//   made ──Open──▶ open ──Close (Esc, its menu, a component)──▶ closed ──window's final message──▶ gone
//                   │                                             ▲
//                   └────── its window destroyed by anyone ───────┘
//
//   open:    Open(); it renders, follows the pointer and has the thumbnail window (in
//            thumbnail mode).
//   closed:  hidden; it has given up its client, thumbnail window, timer, menu and pictures (see
//            LensWindow::ShutDown), and its window is destroyed once the messages already queued
//            for it have run. A script can open and close the lens many times before any message
//            runs, so there may be many.
//   gone:    the registry has deleted the object, on its window's final message.
// DeleteAll takes every lens from any state to gone at once.
//
// Everything here runs on the thread that loaded the plug-in, the host's one user-interface
// thread; none of it is locked.
#pragma once

#include <vector>

#include "framework/window.h"
#include "magnifier/lens_window.h"

class LensClient;
class ThumbnailWindow;

class LensRegistry : private LensWindow::Owner {
public:
  LensRegistry() = default;
  // Deletes every lens, unless Abandon came first.
  ~LensRegistry() { DeleteAll(); }
  LensRegistry(const LensRegistry&) = delete;
  LensRegistry& operator=(const LensRegistry&) = delete;

  // The open lens; null when there is none.
  LensWindow* Open() const { return open_.get(); }

  // Makes the open lens for the component: hidden, owned by the publication's top-level window,
  // at this size (at 96 DPI, scaled to the lens's density) and zoom, its source chosen.
  // Throws when it cannot be made, and nothing is left behind then: the next attempt starts
  // afresh.
  LensWindow& OpenLens(LensClient& client, HWND publication, int width, int height, int zoom);
  // Deletes every lens, open or closed, so that no window of ours is left once the panels are
  // gone (the host may unload us next).
  void DeleteAll();
  // For the module's end under the loader lock, where no window may be touched: the lenses are
  // left as they are.
  void Abandon();

private:
  // The open lens stops being open (it closes, or its window ends): its thumbnail window goes at
  // once, and the lens waits among the closed ones for its window's final message.
  void LensShutDown(LensWindow& lens) override;
  // The final message of a lens's window: the object goes.
  void LensWindowEnded(LensWindow& lens) override;
  // The open lens's source failed: it takes the next.
  void LensSawItself(LensWindow& lens) override;
  // The open lens takes the source of the new desktop.
  void LensCompositionChanged(LensWindow& lens) override;

  // The source this system gives the lens (magnifier/lens_source.h), of those not yet failed.
  LensSource ChooseSource() const;
  // Chooses the source and sets it up for the lens: a thumbnail window made here, or the lens kept
  // out of screen copies. A source the system refuses has failed, and the next one is tried.
  LensSource SetUpSource(LensWindow& lens, WindowPtr<ThumbnailWindow>& thumbnail);
  // Moves the open lens to the source chosen now, if it differs from its own.
  void ChangeSource(LensWindow& lens);
  // The thumbnail window for a lens in thumbnail mode, owned as the lens is, or null when the
  // compositor makes no thumbnails.
  WindowPtr<ThumbnailWindow> MakeThumbnailWindow(HWND publication);

  WindowPtr<LensWindow> open_;
  WindowPtr<ThumbnailWindow> thumbnail_;
  // The sources that failed in this process; forgotten when composition is turned on or off.
  LensSourceSet failed_;
  std::vector<WindowPtr<LensWindow>> closed_;
};

