// tables.h - the sine and cosine tables every rotation and motion reads.
//
// 65536 entries each, indexed by a 16-bit angle (65536 steps a turn), in 16.16
// fixed point. Both hold the NEGATED function: SineTable[16384] is -65536 and
// CosineTable[0] is -65536. The rotation and motion formulas are written for
// that sign; a table of +sin would mirror every rotation.
#pragma once

#include <cstdint>

extern int32_t SineTable[65536];
extern int32_t CosineTable[65536];

// Fills SineTable, calling progress() after entries 0, 4096, ..., 61440 are
// stored (16 calls), so the loading bar moves while the table is built.
void buildSineTable(void (*progress)());
// Fills CosineTable from the finished SineTable.
void buildCosineTable();
