// Every text the system shows or hands over, written once, in UTF-8: the Russian texts of the
// catalogue, the dialogs, the panel and the lens, and the English ones of the host's plug-in list,
// the host variables and the error messages. Host strings are made from these in Windows-1251,
// window texts in UTF-16 (framework/encoding.h). The English texts are fixed: scripts and tests
// compare them as they are.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace texts {

// The texts with a name or a number in them are put together from their parts.
inline std::string Joined(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (const std::string_view part : parts) out += part;
  return out;
}

// Catalogue rows: the two category rows carry an English name as their hint.
inline constexpr const char* kCategoryCreate = "Создать";
inline constexpr const char* kCategoryCreateHint = "Basic Functions";
inline constexpr const char* kCategoryMagnifier = "Экранная лупа";
inline constexpr const char* kCategoryMagnifierHint = "Magnifier Functions";
inline constexpr const char* kHintCreate =
    "Создать экранную лупу в Rectangle. Параметры:\"Rectangle\" \"Переменная для получения событий изменения\"";
inline constexpr const char* kHintExecute = "Запустить. Параметр:\"Rectangle\" \"масштаб (от 2 до 16)\"";
inline constexpr const char* kHintClose = "Закрыть экранную лупу.";

// The host's plug-in list.
inline constexpr const char* kPluginTitle = "Vitrelle [2011.02]";
inline constexpr const char* kPluginAuthor = "Vitrelle developers";
inline constexpr const char* kPluginDescription = "Magnifier Plugin.";

// Property dialogs.
inline constexpr const char* kPropertiesCaption = "Свойства";
inline constexpr const char* kObjectLabel = "Объект Rectangle:";
inline constexpr const char* kObjectLabelWithKey = "&Объект Rectangle:";
inline constexpr const char* kObjectTypeNote =
    "Тип объекта должен быть Rectangle (Прямоугольник). Требуется версия NeoBook 4.0.9 или выше.";
inline constexpr const char* kPickObjectTip = "Выбрать объект из списка";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Отменить";
inline constexpr const char* kVariableNameLabel = "Имя переменной:";
inline constexpr const char* kScaleLabel = "Масштаб:";

// About box.
inline constexpr const char* kAboutCaption = "О плагине";
inline constexpr const char* kAboutTitle = "Создание экранной лупы";
inline constexpr const char* kAboutVersion = "Версия 2010.01";
inline constexpr const char* kAboutSeries = "Дополнительные плагины для NeoBook";
inline constexpr const char* kAboutCopyright = "© Vitrelle, 2010";
inline constexpr const char* kAboutTagline = "Лупа для ваших публикаций";

// The panel on the host's object, and the lens with its menu.
inline constexpr const char* kPanelLabel = "Лупа активирована";
inline constexpr const char* kLensCaption = "Mgn";
inline constexpr const char* kZoomSuffix = "x";  // after the zoom: "2x", "4x", ...
inline constexpr const char* kLensClose = "Закрыть";
inline constexpr const char* kEscapeKey = "Esc";  // the menu's name for its shortcut

// What the actions leave in the host's variables. "OOO" with capital letters O is what a panel
// that opened or closed the lens leaves before the action writes its final "000 Ok".
inline constexpr const char* kActionOk = "000 Ok";
inline constexpr const char* kPanelDone = "OOO OK";
inline constexpr const char* kHostTooOld = "This function requires NeoBook 4.0.9 or higher.";
inline std::string NoPanelOn(std::string_view object) {
  return Joined({"There is no control attached to an object named ", object, "."});
}
inline std::string NoSuchObject(std::string_view object) {
  return Joined({"An object named ", object, " does not exist."});
}
inline constexpr const char* kPanelFreed = "The magnifier panel has been freed.";
// A failed allocation anywhere in an action.
inline constexpr const char* kOutOfMemory = "Out of memory";
// A host call on another thread than the one the plug-in's windows run on: refused, nothing done.
inline constexpr const char* kWrongThread =
    "Vitrelle was called on another thread than the one its windows run on; nothing was done.";
inline std::string NotAnInteger(std::string_view text) {
  return Joined({"'", text, "' is not a valid integer value"});
}

// The window framework, bitmaps, streams and resources.
inline constexpr const char* kNoFont = "Out of system resources: cannot create a font";
inline constexpr const char* kNoMenu = "Out of system resources: cannot create a menu";
inline constexpr const char* kNoMenuItem = "Cannot add a menu item";
inline constexpr const char* kNoBitmapDC = "Out of system resources: no device context for a bitmap";
inline constexpr const char* kNoWindowClass = "Cannot register a window class";
inline constexpr const char* kNoWindow = "Error creating window";
inline constexpr const char* kNoTimer = "Not enough timers available";
inline constexpr const char* kInvalidBitmapSize = "Invalid bitmap size";
inline std::string BitmapTooLarge(int width, int height) {
  return Joined(
      {"Out of memory: a bitmap of ", std::to_string(width), "x", std::to_string(height), " pixels is too large"});
}
inline constexpr const char* kNoBitmap = "Out of memory: the bitmap could not be created";
inline constexpr const char* kStreamReadError = "Stream read error";
inline std::string CannotOpenFile(std::string_view path) {
  return Joined({"Cannot open file \"", path, "\""});
}
inline std::string CannotReadFile(std::string_view path) {
  return Joined({"Cannot read file \"", path, "\""});
}
inline std::string ResourceNotFound(std::string_view name) {
  return Joined({"Resource ", name, " not found"});
}
inline constexpr const char* kNotCp1251 = "text has a character outside Windows-1251";
inline constexpr const char* kMalformedUtf8 = "malformed UTF-8 text";

// The PNG reader, with its progress stages.
inline constexpr const char* kPngInvalidFormat = "Cannot load image. Invalid or unexpected PNG image format.";
inline constexpr const char* kPngCompressionScheme =
    "Cannot load image. The compression scheme is not supported for PNG files.";
inline constexpr const char* kPngCRCError = "Cannot load image. CRC error found in PNG file.";
inline constexpr const char* kPngPaletteInvalid = "Cannot load image. Palette in PNG file is invalid.";
inline constexpr const char* kPngInvalidColorFormat = "Invalid color format in PNG file.";
inline constexpr const char* kPngCriticalChunk = "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr const char* kPngCompressionError = "Cannot load image. Compression error found in PNG file.";
inline constexpr const char* kPngExtraData = "Cannot load image. Extra compressed data found in PNG file.";
inline constexpr const char* kPngNoImageData = "Cannot load image. No image data found in PNG file.";
inline constexpr const char* kPngNoMemory = "Cannot load image. Not enough memory for the PNG image.";
inline std::string PngTooLarge(unsigned long long width, unsigned long long height) {
  return Joined({"Cannot load image. The PNG image of ", std::to_string(width), "x", std::to_string(height),
                 " pixels is too large to hold in memory."});
}
inline constexpr const char* kLZ77Error = "LZ77 decompression error.";
inline constexpr const char* kPngPreparing = "Preparing...";
inline constexpr const char* kPngTransferring = "Transfering...";  // sic: listeners see it as it has always been spelt

// The JPEG reader: the prefix stands before its own texts and before libjpeg's.
inline constexpr const char* kJpegPrefix = "Cannot load JPEG image. ";
inline constexpr const char* kJpegNoImageData = "No image data found in JPEG file.";
inline constexpr const char* kJpegCMYK = "CMYK JPEG images are not supported.";
inline constexpr const char* kJpegTooLarge = "The image is too large.";
inline constexpr const char* kJpegNoRows = "The JPEG decoder returned no rows.";

}  // namespace texts
