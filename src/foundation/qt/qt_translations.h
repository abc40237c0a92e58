#pragma once
// Qt's own texts (the buttons and titles of the file dialogs, the standard
// buttons of message boxes and forms) in the program's language.

namespace veldrim {

// Installs Qt's translation for the language number of the language menu
// (the program's captions are German in every language; only English keeps
// Qt's own English texts) and removes the one installed before. Needs the
// application object. False when the translation file is not installed
// (Debian package qt6-translations-l10n); Qt's English texts stay then.
bool UseQtTranslations(int language);

}  // namespace veldrim
