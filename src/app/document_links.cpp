#include "app/document_links.h"

#include "foundation/program_state.h"
#include "foundation/text_file.h"

namespace veldrim {

std::array<DocumentLink, kDocumentLinkCount + 1> documentLinks;

void ResetDocumentLinks() { documentLinks = {}; }

void WriteDocumentLinksSection() {
    WriteTextLine("Dokumente");
    WriteIntLine(kDocumentLinkCount);
    WriteTextLine(std::string(20, '-'));
    for (int i = 1; i <= kDocumentLinkCount; ++i) {
        WriteTextLine(documentLinks[i].program);
        WriteTextLine(documentLinks[i].file);
        WriteTextLine(std::string(14, '-'));
    }
}

void ReadDocumentLinksSection() {
    std::string line;
    ReadTextLine(line);
    if (line != "Dokumente") cancelFlag = true;
    std::int32_t count = 0;
    ReadIntLine(count);
    // The block always holds five links; a file with another count is damaged.
    if (count != kDocumentLinkCount) {
        cancelFlag = true;
        return;
    }
    ReadTextLine(line);
    for (int i = 1; i <= kDocumentLinkCount && !cancelFlag; ++i) {
        ReadTextLine(documentLinks[i].program);
        ReadTextLine(documentLinks[i].file);
        ReadTextLine(line);
    }
}

}  // namespace veldrim
