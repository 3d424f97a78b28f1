// Identifiers of the strings of the resource library VelmoraCsy.dll, shared by the module,
// which loads them, and the library's resource script, which defines their texts.
#pragma once

// Arc dimension commands (oblouk_kota_m, oblouk_kota2_m, oblouk_kota3_m, oblouk_kota4_m).
#define IDS_NO_DIMENSION 3
#define IDS_EXT_POINT_AT_CENTER 5
#define IDS_ARCDIM_CAPTION 16
#define IDS_PROMPT_FIRST_EXT_POINT 17
#define IDS_PROMPT_SECOND_EXT_POINT 18
#define IDS_PROMPT_SELECT_ARC 19
#define IDS_PROMPT_DIMENSION_LINE 24
#define IDS_NOT_AN_ARC 25
#define IDS_EXT_POINT_REPLACED 36
#define IDS_PROMPT_SELECT_ARC_EXT 40
#define IDS_NOT_AN_ARC_EXT 41
#define IDS_ARC_NOT_IN_PLANE 42

// Three-point arc length command (oblouk_delka_m).
#define IDS_NOT_POINT_ENTITIES 7
#define IDS_ARC_NOT_COMPUTABLE 8
#define IDS_RESULT_NOT_PRINTABLE 9
#define IDS_ARC_LENGTH_LABEL 10
#define IDS_PROMPT_ARC_START 20
#define IDS_PROMPT_ARC_POINT 21
#define IDS_PROMPT_ARC_END 22
#define IDS_ARCLEN_CAPTION 37
