// The temporary POINT entities of the three-point arc length command: one per pick, collected
// in a selection set, erased before the command ends.
#pragma once
#include "adscodes.h"

/// Results of pickThreePoints.
constexpr int kThreePointsPlaced = 1;
constexpr int kPickingEnded = -1;

/// Asks for the three points and makes each a temporary POINT (world coordinates) in a new
/// selection set in set; kThreePointsPlaced, or kPickingEnded with no point left in the drawing.
int pickThreePoints(ads_name& set);

/// Prints the mode, then erases the set's entities other than architectural ones and releases
/// the set.
void deleteTemporaryPoints(ads_name& set, int mode);

/// Erases the set's entities other than architectural ones and releases the set.
void deleteTemporaryPointsOnCancel(ads_name& set);
