#pragma once
// Blocks and inserts of the CAD output run.
//
// A run may define named blocks (logos, title-block heads, one generated
// tooth) in its BLOCKS section and insert them, placed, rotated and scaled,
// in its ENTITIES section or inside a later block. Formats with blocks of
// their own get real definitions and references (DXF BLOCK/INSERT, drawing
// records BLOCK/INSERT). Screen, STL and STEP output have none: there a
// block is written in DXF form into its own temporary block file
// ("$" + name + ".dx$" in the user directory), and each insertion reads it
// back and draws it again through the primitives (dxf_block_reader.h). Block
// files are deleted at the end of every screen run.
//
// Calling order: CadBeginBlocks; per block CadBeginBlock(name), primitives,
// CadEndBlock; CadEndSection; inserts follow.

#include <string>

#include "foundation/real.h"

namespace veldrim {

// Starts a block definition; nothing while the cancel flag is set. A block
// file that cannot be created gives the file-error message and the cancel
// flag, which CadEndBlock clears again: the drawing goes on without it.
void CadBeginBlock(const std::string& name);
// Ends the block definition (closes its block file).
void CadEndBlock();
// Inserts a block; angle in degrees. The position is not shifted by the
// origin offset, and neither is a replayed block's content: a screen
// insertion lands where the DXF INSERT would.
void CadInsertBlock(const std::string& name, Real x, Real y, Real angle, Real xScale, Real yScale);
// CadInsertBlock at (x + origin x, y + origin y).
void CadInsertBlockOffset(const std::string& name, Real x, Real y, Real angle, Real xScale,
                          Real yScale);

// Forgets the block being defined (start-up state).
void ResetBlocks();

}  // namespace veldrim
