#pragma once
// The drawing documentation of a data set: the change list, the title-block
// dates and names, positioned texts and the ISO 7200 title-block fields. It
// travels in the gear data file through two blocks, written and read here.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/real.h"

namespace veldrim {

inline constexpr int kMaxChangeEntries = 25;
// A positioned-text count above this marks a damaged file.
inline constexpr int kMaxPositionedTexts = 999;

struct ChangeEntry {
    std::string mark;
    std::string date;
    std::string editor;
    std::string description;  // may hold line breaks (CR LF)
    bool operator==(const ChangeEntry&) const = default;
};

struct PositionedText {
    Real x = 0, y = 0, h = 0, phi = 0;
    std::string text;
    std::int32_t layer = 0;
    bool operator==(const PositionedText&) const = default;
};

struct DrawingInfoRecord {
    std::string changeCaption;         // the change table's caption word
    std::vector<ChangeEntry> changes;  // at most 25
    // Title-block rows 1..4 (index 0 unused): dates and names of drawn,
    // checked, standards check and release.
    std::array<std::string, 5> dates{};
    std::array<std::string, 5> names{};
    std::string replacementFor;  // "Ersatz für"
    std::string replacedBy;      // "Ersetzt durch"
    std::vector<PositionedText> texts;
    // ISO 7200 title block.
    std::int32_t titleBlockType = 0;  // 0..3
    std::int32_t textPaperMode = 0;   // 0..3: paper mode of the positioned texts
    std::string responsibleDepartment;
    std::string documentType;
    std::string documentStatus;
    bool operator==(const DrawingInfoRecord&) const = default;
};

extern DrawingInfoRecord drawingInfo;
void ResetDrawingInfo();

// The drawing-info block of the gear data file, through the shared text file.
void WriteDrawingInfoSection();
// Reads the block back into drawingInfo; a damaged block sets the cancel flag.
void ReadDrawingInfoSection();
// The "ISO 7200 Header" block, and its reader.
void WriteIso7200Section();
void ReadIso7200Section();

}  // namespace veldrim
