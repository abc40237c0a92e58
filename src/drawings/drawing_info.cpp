#include "drawings/drawing_info.h"

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"

namespace veldrim {

namespace {

DrawingInfoRecord DefaultDrawingInfo() {
    DrawingInfoRecord d;
    d.changeCaption = std::string("Änderung"_cp850);
    return d;
}

const std::string kLongRule(20, '-');
const std::string kShortRule(14, '-');

// Line breaks of a change description travel as '|'.
std::string BreaksToBars(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += '|';
            ++i;
        } else if (s[i] == '\r' || s[i] == '\n') {
            out += '|';
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string BarsToBreaks(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '|')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::vector<std::string> SplitBars(const std::string& s) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (c == '|')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// Reads a line that must hold a whole number in [lo, hi]; anything else is a
// damaged block.
std::int32_t ReadCount(std::int32_t lo, std::int32_t hi) {
    std::int32_t n = 0;
    ReadIntLine(n);
    if (n < lo || n > hi) {
        cancelFlag = true;
        return lo;
    }
    return n;
}

void ExpectLine(const std::string& want) {
    std::string line;
    ReadTextLine(line);
    if (line != want) cancelFlag = true;
}

}  // namespace

DrawingInfoRecord drawingInfo = DefaultDrawingInfo();

void ResetDrawingInfo() { drawingInfo = DefaultDrawingInfo(); }

void WriteDrawingInfoSection() {
    const DrawingInfoRecord& d = drawingInfo;
    WriteTextLine(d.changeCaption);
    const auto count =
        static_cast<std::int32_t>(std::min<std::size_t>(d.changes.size(), kMaxChangeEntries));
    WriteIntLine(count);
    WriteTextLine(kLongRule);
    for (std::int32_t i = 0; i < count; ++i) {
        const ChangeEntry& e = d.changes[static_cast<std::size_t>(i)];
        WriteTextLine(e.mark);
        WriteTextLine(e.date);
        WriteTextLine(e.editor);
        WriteTextLine(BreaksToBars(e.description));
        WriteTextLine(kShortRule);
    }
    WriteTextLine(d.dates[2] + "|" + d.names[2] + "|" + d.dates[3] + "|" + d.names[3] + "|" +
                  d.dates[4] + "|" + d.names[4] + "|" +
                  IntText(static_cast<std::int64_t>(d.texts.size())));
    WriteTextLine(d.dates[1]);
    WriteTextLine(d.replacementFor);
    WriteTextLine(d.replacedBy);
    WriteTextLine(d.names[1]);
    for (const PositionedText& t : d.texts)
        WriteTextLine(FloatLineText(t.x) + "|" + FloatLineText(t.y) + "|" + FloatLineText(t.h) +
                      "|" + FloatLineText(t.phi) + "|" + t.text + "|" + IntText(t.layer));
}

void ReadDrawingInfoSection() {
    DrawingInfoRecord& d = drawingInfo;
    ReadTextLine(d.changeCaption);
    const std::int32_t count = ReadCount(0, kMaxChangeEntries);
    ExpectLine(kLongRule);
    d.changes.assign(static_cast<std::size_t>(count), ChangeEntry{});
    for (ChangeEntry& e : d.changes) {
        ReadTextLine(e.mark);
        ReadTextLine(e.date);
        ReadTextLine(e.editor);
        std::string description;
        ReadTextLine(description);
        e.description = BarsToBreaks(description);
        ExpectLine(kShortRule);
        if (cancelFlag) return;
    }
    std::string titleLine;
    ReadTextLine(titleLine);
    const auto fields = SplitBars(titleLine);
    std::int64_t textCount = 0;
    if (fields.size() != 7 || !ParseIntLine(fields[6], textCount) || textCount < 0 ||
        textCount > kMaxPositionedTexts) {
        cancelFlag = true;
        return;
    }
    d.dates[2] = fields[0];
    d.names[2] = fields[1];
    d.dates[3] = fields[2];
    d.names[3] = fields[3];
    d.dates[4] = fields[4];
    d.names[4] = fields[5];
    ReadTextLine(d.dates[1]);
    ReadTextLine(d.replacementFor);
    ReadTextLine(d.replacedBy);
    ReadTextLine(d.names[1]);
    d.texts.assign(static_cast<std::size_t>(textCount), PositionedText{});
    for (PositionedText& t : d.texts) {
        std::string line;
        ReadTextLine(line);
        // x|y|h|phi|text|layer; the text itself may hold bars.
        auto parts = SplitBars(line);
        std::int64_t layer = 0;
        if (parts.size() < 6 || !ParseRealLine(parts[0], t.x) || !ParseRealLine(parts[1], t.y) ||
            !ParseRealLine(parts[2], t.h) || !ParseRealLine(parts[3], t.phi) ||
            !ParseIntLine(parts.back(), layer)) {
            cancelFlag = true;
            return;
        }
        t.layer = static_cast<std::int32_t>(layer);
        t.text = parts[4];
        for (std::size_t i = 5; i + 1 < parts.size(); ++i) t.text += "|" + parts[i];
    }
}

void WriteIso7200Section() {
    const DrawingInfoRecord& d = drawingInfo;
    WriteTextLine("ISO 7200 Header");
    WriteIntLine(d.titleBlockType);
    WriteIntLine(d.textPaperMode);
    WriteTextLine(d.responsibleDepartment);
    WriteTextLine(d.documentType);
    WriteTextLine(d.documentStatus);
    WriteTextLine("---");
}

void ReadIso7200Section() {
    DrawingInfoRecord& d = drawingInfo;
    ExpectLine("ISO 7200 Header");
    d.titleBlockType = ReadCount(0, 3);
    d.textPaperMode = ReadCount(0, 3);
    ReadTextLine(d.responsibleDepartment);
    ReadTextLine(d.documentType);
    ReadTextLine(d.documentStatus);
    ExpectLine("---");
}

}  // namespace veldrim
