// The caption vocabulary and its German start-up words.

#include "foundation/captions.h"

namespace veldrim {

namespace {
struct CaptionDefaults {
    const char* file = "&Datei";
    const char* print = "&Drucken...";
    const char* exit = "&Beenden       ";
    const char* edit = "&Bearbeiten";
    const char* view = "&Ansicht";
    const char* help = "&Hilfe";
    const char* database = "Datenban&k";
};
constexpr CaptionDefaults kDefaults{};

CaptionVocabulary Defaults() {
    return {kDefaults.file, kDefaults.print, kDefaults.exit,    kDefaults.edit,
            kDefaults.view, kDefaults.help,  kDefaults.database};
}
}  // namespace

CaptionVocabulary captionVocabulary = Defaults();

void ResetCaptionVocabulary() { captionVocabulary = Defaults(); }

}  // namespace veldrim
