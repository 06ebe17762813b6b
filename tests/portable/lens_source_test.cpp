// Which way the lens takes to see beneath itself, by the system's true version, what the compositor
// says, and which ways have failed.
#include <gtest/gtest.h>

#include <initializer_list>

#include "magnifier/lens_source.h"

namespace {

using enum LensSource;

LensSourceSet Failed(std::initializer_list<LensSource> sources) {
  LensSourceSet set;
  for (LensSource s : sources) set.Add(s);
  return set;
}

}  // namespace

TEST(LensSource, FollowsTheSystemThenWhatFailed) {
  const WindowsVersion xp = {5, 1, 2600}, vista = {6, 0, 6002}, seven = {6, 1, 7601}, eight = {6, 2, 9200},
                       eightOne = {6, 3, 9600}, ten1909 = {10, 0, 18363}, ten2004 = {10, 0, 19041},
                       eleven = {10, 0, 22631};
  struct Case {
    WindowsVersion version;
    bool composition;
    std::initializer_list<LensSource> failed;
    LensSource expected;
  };
  const Case cases[] = {
      // XP has no compositor: a copy of the screen, or the windows beneath when the copy shows the lens.
      {xp, false, {}, ScreenCopy},
      {xp, true, {}, ScreenCopy},
      {xp, false, {ScreenCopy}, WindowsBeneath},
      {xp, false, {Thumbnail, HiddenScreenCopy}, ScreenCopy},
      // Vista and 7 follow composition.
      {vista, false, {}, ScreenCopy},
      {seven, false, {}, ScreenCopy},
      {seven, true, {}, Thumbnail},
      {vista, true, {}, Thumbnail},
      {seven, true, {Thumbnail}, ScreenCopy},
      {seven, true, {Thumbnail, ScreenCopy}, WindowsBeneath},
      {seven, false, {ScreenCopy}, WindowsBeneath},
      // From 8 on the compositor always runs, whatever it tells a program without a manifest, and a
      // screen copy shows layered windows.
      {eight, false, {}, Thumbnail},
      {eightOne, true, {}, Thumbnail},
      {ten1909, false, {}, Thumbnail},
      {ten1909, false, {Thumbnail}, WindowsBeneath},
      {ten1909, false, {HiddenScreenCopy}, Thumbnail},
      // Display affinity keeps the lens out of screen copies from 10 version 2004 on.
      {ten2004, false, {}, HiddenScreenCopy},
      {eleven, true, {}, HiddenScreenCopy},
      {eleven, false, {HiddenScreenCopy}, Thumbnail},
      {eleven, false, {HiddenScreenCopy, Thumbnail}, WindowsBeneath},
      {eleven, false, {ScreenCopy}, HiddenScreenCopy},
      // A version not yet released takes the newest system's ways.
      {{11, 0, 0}, false, {}, HiddenScreenCopy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version.major << "." << c.version.minor << "." << c.version.build
                                    << " composition " << c.composition << ", " << c.failed.size() << " failed");
    EXPECT_EQ(ChooseLensSource(c.version, c.composition, Failed(c.failed)), c.expected);
  }
}
