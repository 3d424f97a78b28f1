// The repair pass: what a drawing from another program got wrong and the host can put right,
// mended once after reading and before the drawing is built, each mend recorded.
#pragma once
#include "dxf/dxf_document.h"
#include "dxf/dxf_mends.h"

namespace cadhost {

/// Mends document in place, recording each mend in mends:
/// - a header variable without a name or without a value is left out;
/// - a pointer that holds a name instead of a handle points to the record of that name where
///   the group says which table it names (a dimension style's text style, blocks and
///   linetypes), and is left out otherwise, as is a pointer that holds nothing;
/// - a block record without a handle whose layout names a handle that nothing has takes that
///   handle, so that the two stay linked;
/// - an object without an owner is owned by the dictionary that holds it.
void repairDxfDocument(DxfDocument& document, DxfMendLog& mends);

}  // namespace cadhost
