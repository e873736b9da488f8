#pragma once
// Qt's own texts (message-box buttons, file dialogs, context menus of text
// fields) in the language in force. They come from Qt's translation files
// (Debian: qt6-translations-l10n), found in Qt's translations folder.
#include <cstdint>

// Installs Qt's translation for `languageId` (kLangChineseSimplified,
// kLangChineseTraditional) in place of the one installed before; any other
// id (English) removes it. Without an application object, or without the
// file, Qt's texts stay English. Returns whether a translation is installed.
bool UseQtTranslations(int32_t languageId);
