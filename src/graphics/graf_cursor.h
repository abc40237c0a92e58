#pragma once
// The wait cursor while a drawing is built.

namespace veldrim {

// Shows the busy cursor until GrafNormalCursor.
void GrafWaitCursor();
void GrafNormalCursor();

}  // namespace veldrim
