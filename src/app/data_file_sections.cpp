#include "app/data_file_sections.h"

#include "app/document_links.h"
#include "calc/data_file.h"
#include "drawings/drawing_info.h"

namespace veldrim {

void InstallDataFileSections() {
    DataFileSections& s = dataFileSections;
    s.writeDrawingInfo = WriteDrawingInfoSection;
    s.readDrawingInfo = ReadDrawingInfoSection;
    s.writeDocumentLinks = WriteDocumentLinksSection;
    s.readDocumentLinks = ReadDocumentLinksSection;
    s.writeIso7200 = WriteIso7200Section;
    s.readIso7200 = ReadIso7200Section;
    s.snapshot = [] {
        DrawingInfoRecord info = drawingInfo;
        auto links = documentLinks;
        return std::function<void()>([info, links] {
            drawingInfo = info;
            documentLinks = links;
        });
    };
}

}  // namespace veldrim
