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

// Property dialogs.
inline constexpr const char* kPropertiesCaption = "Свойства";
inline constexpr const char* kObjectLabel = "Объект Rectangle:";
inline constexpr const char* kObjectLabelWithKey = "&Объект Rectangle:";
inline constexpr const char* kObjectTypeNote =
    "Тип объекта должен быть Rectangle (Прямоугольник). Требуется версия NeoBook 4.0.9 или выше.";
inline constexpr const char* kPickObjectTip = "Выбрать объект из списка";
inline constexpr const char* kCancel = "Отменить";
inline constexpr const char* kVariableNameLabel = "Имя переменной:";
inline constexpr const char* kScaleLabel = "Масштаб:";

// About box.
inline constexpr const char* kAboutCaption = "О плагине";
inline constexpr const char* kAboutTitle = "Создание экранной лупы";
inline constexpr const char* kAboutVersion = "Версия 2010.01";
inline constexpr const char* kAboutSeries = "Дополнительные плагины для NeoBook";
inline constexpr const char* kAboutCredit1 = "© Vitrelle, 2010";
inline constexpr const char* kAboutCredit2 = "Лупа для ваших публикаций";

}  // namespace texts
