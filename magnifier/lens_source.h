// Where the lens gets the picture of what lies beneath it, and which way it takes on which Windows.
// No way is right everywhere: a copy of the screen leaves layered windows, the lens among them, out
// on Windows XP, Vista and 7, but shows them from Windows 8 on; the compositor's thumbnails need
// composition, which Windows 8 and later always run and yet deny to a program that does not
// declare them in its manifest (the host); and display affinity keeps a window out of screen copies
// only from Windows 10 version 2004 (build 19041). So the lens starts with the way the system's
// true version promises, checks what it sees, and moves on when a way fails.
#pragma once

#include <compare>
#include <cstdint>

enum class LensSource : std::uint8_t {
  // A copy of the screen, which leaves the lens out by itself (Windows before 8).
  ScreenCopy,
  // A copy of the screen, the lens kept out of it by its display affinity.
  HiddenScreenCopy,
  // The compositor's live thumbnail of the window beneath, in a window under the lens area.
  Thumbnail,
  // The windows below the lens, each read from its own picture. Always there, and the last resort:
  // it misses what a window draws outside its own picture (video overlays, some games).
  WindowsBeneath,
};

// The system's true version, as the kernel gives it, not what a program without a manifest is told.
struct WindowsVersion {
  unsigned major = 0, minor = 0, build = 0;
  friend auto operator<=>(const WindowsVersion&, const WindowsVersion&) = default;
};

// The ways that failed on this system: refused when the lens asked for them, or a screen copy that
// showed the lens.
class LensSourceSet {
public:
  void Add(LensSource source) { bits_ |= Bit(source); }
  bool Has(LensSource source) const { return (bits_ & Bit(source)) != 0; }
  friend bool operator==(LensSourceSet, LensSourceSet) = default;

private:
  static std::uint8_t Bit(LensSource source) { return std::uint8_t(1u << unsigned(source)); }
  std::uint8_t bits_ = 0;
};

// The way the lens takes: the first of the system's ways that has not failed.
//   Windows 10 build 19041 and later:            hidden screen copy, thumbnail, windows beneath
//   Windows 8, 8.1, 10 before 19041:             thumbnail, windows beneath
//   Vista, 7 with composition on:                thumbnail, screen copy, windows beneath
//   XP, and Vista or 7 with composition off:     screen copy, windows beneath
// `composition` is what the compositor tells this process; from Windows 8 on it is not asked.
LensSource ChooseLensSource(WindowsVersion version, bool composition, LensSourceSet failed);
