#pragma once
// Where each subband of a plane's decomposition lies. Coefficients are
// kept in the usual nested layout: after each level the low band occupies
// the top-left corner, HL to its right, LH below it, HH diagonally.
#include <cstdint>

#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

struct Band {
  int x = 0, y = 0, width = 0, height = 0;
  int level = 0;        // 1 = finest; the low band has the plane's level count
  int orientation = 0;  // kHL, kLH, kHH; the low band uses kLowBandOrientation
  int group = 0;        // SubbandGroup
  int parent = -1;      // index of the band one level coarser, same orientation
  int weight = 256;     // step weight of the band
};
inline constexpr int kLowBandOrientation = 3;
inline constexpr int kMaxBands = 1 + 3 * kMaxLevels;

struct PlaneGeometry {
  int width = 0, height = 0, levels = 0;
  // levelWidth[j] x levelHeight[j]: the low band after j levels (j = 0: the plane).
  int levelWidth[kMaxLevels + 1] = {};
  int levelHeight[kMaxLevels + 1] = {};
  // Bands in coding order: the low band, then HL, LH, HH from the coarsest level.
  Band bands[kMaxBands];
  int bandCount = 0;
};

inline PlaneGeometry MakePlaneGeometry(int width, int height) {
  PlaneGeometry g;
  g.width = width;
  g.height = height;
  g.levels = LevelCount(width, height);
  g.levelWidth[0] = width;
  g.levelHeight[0] = height;
  for (int j = 1; j <= g.levels; ++j) {
    g.levelWidth[j] = (g.levelWidth[j - 1] + 1) >> 1;
    g.levelHeight[j] = (g.levelHeight[j - 1] + 1) >> 1;
  }
  const int top = g.levels;
  Band low;
  low.width = g.levelWidth[top];
  low.height = g.levelHeight[top];
  low.level = top;
  low.orientation = kLowBandOrientation;
  low.group = kGroupLowBand;
  low.weight = kLowBandWeight[top];
  g.bands[g.bandCount++] = low;
  for (int j = top; j >= 1; --j) {
    const int lowWidth = g.levelWidth[j], lowHeight = g.levelHeight[j];
    const int highWidth = g.levelWidth[j - 1] >> 1, highHeight = g.levelHeight[j - 1] >> 1;
    for (int o = kHL; o <= kHH; ++o) {
      Band b;
      b.x = o == kLH ? 0 : lowWidth;
      b.y = o == kHL ? 0 : lowHeight;
      b.width = o == kLH ? lowWidth : highWidth;
      b.height = o == kHL ? lowHeight : highHeight;
      b.level = j;
      b.orientation = o;
      b.group = j >= 3 ? kGroupDeep : (j == 2 ? kGroupLevel2 : kGroupLevel1);
      b.parent = j < top ? g.bandCount - 3 : -1;
      b.weight = kHighBandWeight[j - 1][o];
      g.bands[g.bandCount++] = b;
    }
  }
  return g;
}

inline int BlocksAcross(const Band& b) { return (b.width + kBlockSize - 1) / kBlockSize; }
inline int BlocksDown(const Band& b) { return (b.height + kBlockSize - 1) / kBlockSize; }

// Context of a block's class from its left and upper neighbours' classes
// and whether its parent block holds anything.
inline int ClassContext(int leftClass, int upperClass, int parentClass) {
  const int near = leftClass > upperClass ? leftClass : upperClass;
  const int bucket = near == 0 ? 0 : near <= 2 ? 1 : near <= 4 ? 2 : 3;
  return bucket * 2 + (parentClass != 0 ? 1 : 0);
}

// How a magnitude is split in a sub-block of class s: the token (< 16) is
// coded with the sub-block's table, the low bits raw.
inline int RawBitsOfClass(int subclass) { return subclass > kDirectClasses ? subclass - kDirectClasses : 0; }

}  // namespace bv::wavelet
