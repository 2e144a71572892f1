#pragma once
// The benchmark footage (bench/make_footage.sh): 704 x 576 scenes as a
// recorder's camera gives them, in each codec. The folder is the one
// BV_BENCH_FOOTAGE names, else the build tree's bench-footage; the set is made
// there on first use when it is not complete.
#include <string>

namespace bv::bench {

// The path of one file of the set: "mpeg4-k30.zrv", "mpeg4-k12.zrv",
// "mpeg4-k30.m4v", "mjpg.zrv", "wavelet-k30.zrv", ... Aborts the benchmark
// when the set cannot be made.
std::string FootageFile(const std::string& name);

}  // namespace bv::bench
