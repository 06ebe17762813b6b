// The lens's GDI helpers under Wine: bitmaps with a device context, the nine-slice painter, the frame
// loader and the run-time bound compositor and layered-window functions; and the window check that
// test programs install.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fake_compositor.h"
#include "framework/compositor.h"
#include "framework/errors.h"
#include "framework/window.h"
#include "heap_usage.h"
#include "magnifier/bitmap_helpers.h"
#include "magnifier/frame_image.h"

namespace {

constexpr std::uint32_t kSentinel = 0xA5C3E1F7;

std::uint32_t PixelAt(const Bitmap& b, int x, int y) {
  std::uint32_t v;
  std::memcpy(&v, b.Row(y) + 4 * x, 4);
  return v;
}

void SetPixelAt(Bitmap& b, int x, int y, std::uint32_t v) { std::memcpy(b.Row(y) + 4 * x, &v, 4); }

// All four bytes differ from pixel to pixel and from the alpha 255 a blit might invent: blue is
// x, green is y, so a pixel tells where it came from.
std::uint32_t Unique(int x, int y) {
  const std::uint32_t alpha = std::uint32_t(x ^ y ^ 0x5A) & 0xFF;
  const std::uint32_t red = std::uint32_t(x * 3 + y * 5) & 0xFF;
  return alpha << 24 | red << 16 | std::uint32_t(y) << 8 | std::uint32_t(x);
}

std::unique_ptr<Dib> UniqueSource(int width, int height) {
  auto b = CreateDib32(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetPixelAt(*b, x, y, Unique(x, y));
  }
  return b;
}

std::unique_ptr<Dib> SentinelDest(int width, int height) {
  auto b = CreateDib32(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetPixelAt(*b, x, y, kSentinel);
  }
  return b;
}

// Which source pixel each destination pixel must hold; nullopt: left as it was.
using Expectation = std::function<std::optional<POINT>(int x, int y)>;

void ExpectPicture(const Bitmap& dest, const Expectation& expected) {
  int failures = 0;
  for (int y = 0; y < dest.Height() && failures < 10; ++y) {
    for (int x = 0; x < dest.Width() && failures < 10; ++x) {
      const std::optional<POINT> from = expected(x, y);
      const std::uint32_t want = from ? Unique(from->x, from->y) : kSentinel;
      if (PixelAt(dest, x, y) != want) {
        ++failures;
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << PixelAt(dest, x, y) << ", not " << want;
      }
    }
  }
}

}  // namespace

// --- Dib ---

TEST(Dib, IsATopDownSectionInItsOwnDc) {
  for (const PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits32}) {
    const int bytes = BitsOf(format) / 8;
    auto dib = format == PixelFormat::Bits24 ? CreateDib24(7, 5) : CreateDib32(7, 5);
    ASSERT_EQ(dib->Width(), 7);
    ASSERT_EQ(dib->Height(), 5);
    ASSERT_EQ(dib->Format(), format);
    EXPECT_EQ(GetCurrentObject(dib->Dc(), OBJ_BITMAP), dib->Handle());
    DIBSECTION section{};
    ASSERT_EQ(GetObject(dib->Handle(), sizeof section, &section), int(sizeof section));
    EXPECT_EQ(section.dsBm.bmBitsPixel, BitsOf(format));
    EXPECT_EQ(section.dsBm.bmBits, dib->Row(0));

    // What GDI draws at row 1 shows in scan line 1.
    SetPixelV(dib->Dc(), 2, 1, RGB(10, 20, 30));
    GdiFlush();
    const std::uint8_t* p = dib->Row(1) + 2 * bytes;
    EXPECT_EQ(std::vector<int>(p, p + 3), (std::vector<int>{30, 20, 10})) << BitsOf(format);
  }
}

TEST(Dib, ResizingRecreatesTheSectionAndEmptyingPutsBackTheDCsOwnBitmap) {
  Dib dib(4, 4, PixelFormat::Bits32);
  dib.SetSize(9, 3);
  BITMAP selected{};
  GetObject(GetCurrentObject(dib.Dc(), OBJ_BITMAP), sizeof selected, &selected);
  EXPECT_EQ(selected.bmWidth, 9);
  EXPECT_EQ(selected.bmBits, dib.Row(0));

  const HBITMAP section = dib.Handle();
  dib.Clear();
  GetObject(GetCurrentObject(dib.Dc(), OBJ_BITMAP), sizeof selected, &selected);
  EXPECT_EQ(selected.bmWidth, 1) << "the memory DC's own 1x1 bitmap is back";
  // A bitmap still selected cannot be deleted: gone means it was put out of the DC first.
  EXPECT_EQ(GetObjectType(section), 0u);
}

TEST(Dib, LeavesNoGdiObjectBehind) {
  // Wine's GetGuiResources counts nothing, so each handle is checked to be gone.
  for (int i = 0; i < 1000; ++i) {
    HDC dc;
    HBITMAP last;
    {
      auto dib = CreateDib32(64, 48);
      dib->SetSize(32, 32);
      dc = dib->Dc();
      last = dib->Handle();
    }
    ASSERT_EQ(GetObjectType(dc), 0u) << "cycle " << i;
    ASSERT_EQ(GetObjectType(last), 0u) << "cycle " << i;
  }
}

// --- Nine-slice ---

TEST(NineSlice, SameSizeStretchReproducesTheSourceInAllFourBytes) {
  // Both rectangles sit away from their bitmaps' corners; the rest of the destination stays.
  auto source = UniqueSource(32, 24);
  auto dest = SentinelDest(40, 30);
  const RECT from{3, 2, 27, 20};
  const RECT to{10, 5, 34, 23};
  SetStretchBltMode(dest->Dc(), HALFTONE);
  PaintNineSlice(*dest, *source, to, from, {5, 6, 7, 8});
  ExpectPicture(*dest, [&](int x, int y) -> std::optional<POINT> {
    if (x < to.left || x >= to.right || y < to.top || y >= to.bottom) return std::nullopt;
    return POINT{x - to.left + from.left, y - to.top + from.top};
  });
  EXPECT_EQ(GetStretchBltMode(dest->Dc()), HALFTONE);  // the DC's mode as the painter found it
}

TEST(NineSlice, TheLensFrameEnlargesEveryPieceByCopyingWholePixels) {
  auto source = UniqueSource(120, 120);
  auto dest = SentinelDest(400, 300);
  PaintNineSlice(*dest, *source, RECT{0, 0, 400, 300}, RECT{0, 0, 120, 120}, {50, 50, 50, 50});

  // Every pixel is a source pixel; which one is read back from its blue and green.
  std::vector<int> column_source(400, -1), row_source(300, -1);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      const std::uint32_t v = PixelAt(*dest, x, y);
      const int sx = int(v & 0xFF), sy = int(v >> 8 & 0xFF);
      ASSERT_LT(sx, 120);
      ASSERT_LT(sy, 120);
      ASSERT_EQ(v, Unique(sx, sy)) << "pixel " << x << "," << y << " is no source pixel";
      // Columns map to one source column each, rows to one source row each.
      if (column_source[x] < 0) column_source[x] = sx;
      ASSERT_EQ(column_source[x], sx) << "column " << x;
      if (row_source[y] < 0) row_source[y] = sy;
      ASSERT_EQ(row_source[y], sy) << "row " << y;
    }
  }
  // Margins copied 1:1; the inner 20 source columns and rows spread evenly and in order over
  // the 300 and 200 between the margins.
  for (const auto* mapped : {&column_source, &row_source}) {
    const int length = int(mapped->size());
    std::map<int, int> uses;
    for (int d = 0; d < length; ++d) {
      const int s = (*mapped)[d];
      if (d < 50 || d >= length - 50) {
        EXPECT_EQ(s, d < 50 ? d : d - (length - 120)) << d;
      } else {
        EXPECT_TRUE(s >= 50 && s < 70 && s >= (*mapped)[d - 1]) << d;
        ++uses[s];
      }
    }
    EXPECT_EQ(uses.size(), 20u);
    for (const auto& [s, n] : uses) EXPECT_EQ(n, (length - 100) / 20) << "source " << s;
  }
}

// --- Compositor binding ---

namespace {

int loads = 0;
DWORD fake_major = 6;

DWORD FakeMajor() { return fake_major; }
HMODULE LoadNothing(const wchar_t*) {
  ++loads;
  return nullptr;
}
HMODULE LoadKernel(const wchar_t*) {
  ++loads;
  return LoadLibraryW(L"KERNEL32.DLL");
}
// This test program, which exports stand-ins under the compositor's names.
HMODULE LoadSelf(const wchar_t*) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  ++loads;
  return LoadLibraryW(path);
}

class Compositor : public ::testing::Test {
protected:
  void Use(DWORD major, CompositorTesting::LibraryLoader loader) {
    loads = 0;
    fake_compositor = FakeCompositor{};
    fake_major = major;
    CompositorTesting::Use(FakeMajor, loader);
  }
  void TearDown() override { CompositorTesting::Use(nullptr, nullptr); }

  // Every wrapper's answer.
  static std::vector<HRESULT> WrapperAnswers() {
    HTHUMBNAIL thumbnail = nullptr;
    DWM_THUMBNAIL_PROPERTIES properties{};
    DWORD colour = 0;
    BOOL opaque = FALSE;
    return {Dwm::RegisterThumbnail(nullptr, nullptr, &thumbnail), Dwm::UnregisterThumbnail(thumbnail),
            Dwm::UpdateThumbnailProperties(thumbnail, &properties), Dwm::GetColorizationColor(&colour, &opaque),
            Dwm::GetWindowAttribute(nullptr, 14, &colour, sizeof colour)};
  }
};

}  // namespace

TEST_F(Compositor, WineSaysCompositionIsOff) {
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "not under Wine";
  EXPECT_FALSE(IsCompositionEnabled());
}

TEST_F(Compositor, WithoutTheLibraryOrItsFunctionsAnswersFalseAndNotImplemented) {
  struct Case {
    const char* name;
    DWORD major;
    CompositorTesting::LibraryLoader loader;
    int loads;  // after two rounds of calls
  };
  const Case cases[] = {
      {"before version 6 the library is never touched", 5, LoadNothing, 0},
      {"a missing library is tried again on each call", 6, LoadNothing, 12},
      {"a library without the functions is kept", 6, LoadKernel, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Use(c.major, c.loader);
    for (int round = 0; round < 2; ++round) {
      EXPECT_FALSE(IsCompositionEnabled());
      EXPECT_EQ(WrapperAnswers(), std::vector<HRESULT>(5, HRESULT(0x80004001)));
    }
    EXPECT_EQ(loads, c.loads);
  }
}

TEST_F(Compositor, CompositionIsOnOnlyWhenTheCallSucceedsAndSaysSo) {
  struct Case {
    HRESULT result;
    BOOL enabled;
    bool on;
  };
  const Case cases[] = {{S_OK, TRUE, true}, {S_OK, FALSE, false}, {E_FAIL, TRUE, false}, {S_FALSE, TRUE, false}};
  Use(6, LoadSelf);
  for (const Case& c : cases) {
    fake_compositor.result = c.result;
    fake_compositor.enabled = c.enabled;
    EXPECT_EQ(IsCompositionEnabled(), c.on) << std::hex << c.result << " " << c.enabled;
    EXPECT_EQ(fake_compositor.handed, FALSE);
  }
  EXPECT_EQ(loads, 1);
}

TEST_F(Compositor, ThumbnailWrappersCallTheirOwnFunctionAndPassItsAnswerOn) {
  Use(6, LoadSelf);
  fake_compositor.result = HRESULT(0x12345);
  EXPECT_EQ(WrapperAnswers(), std::vector<HRESULT>(5, HRESULT(0x12345)));
  EXPECT_EQ(fake_compositor.calls,
            (std::vector<std::string>{"DwmRegisterThumbnail", "DwmUnregisterThumbnail", "DwmUpdateThumbnailProperties",
                                      "DwmGetColorizationColor", "DwmGetWindowAttribute"}));
}

// --- Frame picture ---

namespace {

struct ModuleFree {
  void operator()(HMODULE m) const { FreeLibrary(m); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(FrameImage, AMissingResourceIsNamedInTheError) {
  EXPECT_EQ(ErrorOf([] { LoadFrameImage("NOPE"); }), "Resource NOPE not found");
  // The frame picture is the plug-in's, not this program's.
  EXPECT_EQ(ErrorOf([] { LoadFrameImage("MAGN"); }), "Resource MAGN not found");
}

TEST(FrameImage, DecodesToBgraWithTransparentPixelsZero) {
  const auto frame = LoadFrameImage("FRAMETEST");
  ASSERT_EQ(frame->Width(), 3);
  ASSERT_EQ(frame->Height(), 2);
  ASSERT_EQ(frame->Format(), PixelFormat::Bits32);
  const std::uint8_t* p = frame->Row(0);
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + 12), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 255, 255, 0, 255, 0, 128}));
  p = frame->Row(1);
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + 12), (std::vector<std::uint8_t>{255, 0, 0, 1, 0, 0, 0, 0, 50, 100, 200, 255}));
}

TEST(FrameImage, ThePlugInCarriesTheLensFrame) {
  wchar_t path[MAX_PATH];
  std::wstring plugin(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  plugin = plugin.substr(0, plugin.find_last_of(L"\\/") + 1) + L"Vitrelle.nbp";
  const Module module(LoadLibraryExW(plugin.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_NE(module, nullptr);

  const auto frame = LoadFrameImage(module.get(), "MAGN");
  ASSERT_EQ(frame->Width(), 120);
  ASSERT_EQ(frame->Height(), 120);
  int transparent = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 120; ++x) {
      const std::uint32_t v = PixelAt(*frame, x, y);
      transparent += v >> 24 == 0;
      ASSERT_TRUE(v >> 24 != 0 || v == 0) << x << "," << y;
    }
  }
  EXPECT_GT(transparent, 0);
}

TEST(FrameImage, LoadingItThousandsOfTimesLeavesNothingBehind) {
  // Every lens opening loads the frame afresh.
  auto load = [] {
    const auto frame = LoadFrameImage("FRAMETEST");
    return std::make_pair(frame->Dc(), frame->Handle());
  };
  for (int i = 0; i < 20; ++i) load();
  const std::size_t before = HeapBytesInUse();
  for (int i = 0; i < 2000; ++i) {
    const auto [dc, section] = load();
    ASSERT_EQ(GetObjectType(dc), 0u) << i;
    ASSERT_EQ(GetObjectType(section), 0u) << i;
  }
  EXPECT_EQ(HeapBytesInUse(), before);
}

// --- Window checks ---

namespace {

// Its destructor leaves the window alive, as a derived class that forgets DestroyHandle does.
class ForgetfulWindow : public Window {
public:
  ForgetfulWindow() { CreateHandle(L"VitrelleForgetfulWindow", CreateParams{}); }
};

}  // namespace

// The test programs that link the window framework in install the check (window_checks): without
// it, such a window would only be noted for a debugger and every lens test would pass over it.
TEST(WindowChecksDeathTest, AWindowThatOutlivesItsObjectStopsTheProgram) {
  EXPECT_DEATH({ ForgetfulWindow window; }, "VitrelleForgetfulWindow outlived its object");
}
