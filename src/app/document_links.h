#pragma once
// The five document links of a data set: a program and a file each, opened
// from the main window's document menu. They travel in the gear data file.

#include <array>
#include <string>

namespace veldrim {

inline constexpr int kDocumentLinkCount = 5;

struct DocumentLink {
    std::string program;  // empty: open the file with the desktop's handler
    std::string file;
    bool operator==(const DocumentLink&) const = default;
};

// Links 1..5 (index 0 unused).
extern std::array<DocumentLink, kDocumentLinkCount + 1> documentLinks;
void ResetDocumentLinks();

// The block "Dokumente" of the gear data file, through the shared text file.
void WriteDocumentLinksSection();
// Reads the block back; a damaged block sets the cancel flag.
void ReadDocumentLinksSection();

}  // namespace veldrim
