// Drives a libFuzzer entry point without libFuzzer, so that every fuzz target
// also runs as an ordinary test under g++ and the sanitizer build: first the
// seed inputs named on the command line (files, or folders of them such as
// the target's corpus), then N pseudo-random inputs
// derived from them by simple mutations. A crash or sanitizer report fails
// the test exactly as it would fail a fuzzing run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void runOne(const std::vector<uint8_t>& in) {
  LLVMFuzzerTestOneInput(in.empty() ? nullptr : in.data(), in.size());
}

int main(int argc, char** argv) {
  long rounds = 10000;
  std::vector<std::vector<uint8_t>> seeds;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    char* end = nullptr;
    long n = std::strtol(arg.c_str(), &end, 10);
    if (end && *end == 0 && !arg.empty()) {
      rounds = n;
      continue;
    }
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg)) {
      for (const auto& e : std::filesystem::directory_iterator(arg)) {
        if (e.is_regular_file()) files.push_back(e.path());
      }
      std::sort(files.begin(), files.end());  // the same rounds on every machine
    } else {
      files.push_back(arg);
    }
    for (const auto& path : files) {
      std::ifstream f(path, std::ios::binary);
      if (!f) {
        std::fprintf(stderr, "cannot read seed %s\n", path.c_str());
        return 1;
      }
      seeds.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
  }
  seeds.push_back({});
  for (const auto& s : seeds) runOne(s);

  std::mt19937_64 rng(12345);
  for (long r = 0; r < rounds; ++r) {
    std::vector<uint8_t> in = seeds[rng() % seeds.size()];
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      switch (rng() % 4) {
        case 0: in.push_back(static_cast<uint8_t>(rng())); break;
        case 1: if (!in.empty()) in[rng() % in.size()] = static_cast<uint8_t>(rng()); break;
        case 2: if (!in.empty()) in.resize(rng() % in.size()); break;
        default: {
          size_t n = rng() % 600;
          for (size_t k = 0; k < n; ++k) in.push_back(static_cast<uint8_t>(rng() % 7 == 0 ? rng() : 0));
        }
      }
    }
    runOne(in);
  }
  std::printf("replayed %zu seeds and %ld mutated inputs\n", seeds.size(), rounds);
  return 0;
}
