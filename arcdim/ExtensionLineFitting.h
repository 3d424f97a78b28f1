// Fitting an arc dimension's extension lines to two points the user picked.
#pragma once

class CKotaDP;

/// Result of fitExtensionLines when the jig holds no result dimension (or no picked arc).
constexpr int kFitNoResultDimension = 1;
/// Result of fitExtensionLines when a picked point lies at the centre (within the host's point
/// tolerance).
constexpr int kFitPickAtCenter = 2;

/// Moves the result dimension's extension line points to the jig's picked points, a picked
/// point outside the picked arc first replaced by the nearer arc end (replaced is then true),
/// and its arc point to the middle of the new span when it does not lie clear within it. 0
/// when done.
int fitExtensionLines(CKotaDP& jig, bool& replaced);
