// The driver of the four arc dimension commands and their exports.
#pragma once

class CKotaDP;

/// Runs one arc dimension command on the jig: pick and drag, then (with extensionPoints) the two
/// extension points, the text of the mode (1 length, otherwise length and radius), warnings and
/// the append. 0 when completed or nothing was picked, -1 when cancelled or ended by a warning.
int runArcDimension(CKotaDP& jig, int mode, bool extensionPoints);

extern "C" {
/// Arc dimension over the whole picked arc, text the arc length.
void oblouk_kota_m();
/// Arc dimension over the whole picked arc, text the arc length and the radius.
void oblouk_kota2_m();
/// Arc dimension between two picked extension points, text the arc length.
void oblouk_kota3_m();
/// Arc dimension between two picked extension points, text the arc length and the radius.
void oblouk_kota4_m();
}
