// Every Russian text of the system, written once, in UTF-8. Host strings are made from these in
// Windows-1251, window captions in UTF-16.
#pragma once

namespace texts {

// Catalogue rows.
inline constexpr const char* kCategoryCreate = "Создать";
inline constexpr const char* kCategoryMagnifier = "Экранная лупа";
inline constexpr const char* kHintCreate =
    "Создать экранную лупу в Rectangle. Параметры:\"Rectangle\" \"Переменная для получения событий изменения\"";
inline constexpr const char* kHintExecute = "Запустить. Параметр:\"Rectangle\" \"масштаб (от 2 до 16)\"";
inline constexpr const char* kHintClose = "Закрыть экранную лупу.";

}  // namespace texts
