#pragma once
// The DXF block reader. Screen, STL and STEP output have no blocks of their
// own: a block's entities were written in DXF form into a temporary block
// file ("$" + name + ".dx$" in the user directory, dxf_writer.h), and each
// insertion reads that file back and draws its entities again through the
// CAD primitives, placed by the insertion's position, rotation and scale.
// Blocks may insert blocks, up to kDxfMaxNesting levels deep.
//
// Understood entities: LINE, LWPOLYLINE, POLYLINE with VERTEX and SEQEND,
// CIRCLE, ARC, TEXT, SOLID and INSERT; unknown groups are skipped. The file
// is untrusted input: every line and number is checked, a bad file gives a
// clear message and the cancel flag, never a crash. Whatever was drawn
// before the fault stays drawn.
//
// The insertion transform (origin, rotation in degrees, x and y scale) and
// the nesting depth live in CadOutputState (insertOffsetX .. insertScaleY,
// nestingLevel); they are back at their entry values when DxfReadFile
// returns.

#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

inline constexpr int kDxfMaxNesting = 4;
inline constexpr long kDxfMaxVertices = 100000;
// Numbers of a block file beyond this magnitude are taken as a damaged file.
inline constexpr Real kDxfValueLimit = 1E9L;
// Block files beyond this size are refused.
inline constexpr std::size_t kDxfMaxFileSize = std::size_t{256} << 20;

// Reads the block file of blockName and draws its entities, placed at (x, y)
// in the coordinates of the enclosing level, rotated by angle degrees and
// scaled by xScale and yScale.
void DxfReadFile(const std::string& blockName, Real x, Real y, Real angle, Real xScale,
                 Real yScale);

// The same for block text already in memory (the parser of DxfReadFile);
// sourceName names the text in messages.
void DxfReadText(std::string_view text, const std::string& sourceName, Real x, Real y, Real angle,
                 Real xScale, Real yScale);

// The layer of a group 8 value: the layer 0..5 of CadLayerTable with that
// name, else the value as a number 0..255, else 0.
int DxfLayerOfName(std::string_view name);

// Resets the insertion state of the reader (top-level insertion).
void DxfResetInsertion();

}  // namespace veldrim
