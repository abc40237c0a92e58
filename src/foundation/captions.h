#pragma once
// The caption vocabulary: the program-wide menu and dialog words of the
// current language. The main window sets them with the language; the table
// editor copies the words for File, Print, Exit, Edit, View, Help and
// Database into its menu when it is created. Code page 850 texts.

#include <string>

namespace veldrim {

struct CaptionVocabulary {
    std::string file;      // "&Datei"
    std::string print;     // "&Drucken..."
    std::string exit;      // "&Beenden       "
    std::string edit;      // "&Bearbeiten"
    std::string view;      // "&Ansicht"
    std::string help;      // "&Hilfe"
    std::string database;  // "Datenban&k"
};
extern CaptionVocabulary captionVocabulary;

// The German words back.
void ResetCaptionVocabulary();

}  // namespace veldrim
