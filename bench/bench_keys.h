// Where the benchmark's keys live: K1, K2, ... below this key of
// HKEY_CURRENT_USER. bench/run.sh writes the same names into its lists.
#pragma once

constexpr char kBenchKey[] = "Software\\SkelvaneBench";
constexpr char kBenchKeyPrefix[] = "Software\\SkelvaneBench\\K";
