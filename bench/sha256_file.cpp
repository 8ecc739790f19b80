// Hashes files the way sha256sum does, for whole-process comparisons:
//   bench_sha256_file [--portable] FILE...
#include <cstdio>
#include <cstring>
#include <vector>

#include "store/Sha256.h"

int main(int argc, char** argv) {
  auto engine = tx::CSha256::Engine::Auto;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--portable") == 0) {
    engine = tx::CSha256::Engine::Portable;
    first = 2;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--portable] FILE...\n", argv[0]);
    return 2;
  }
  std::vector<char> buffer(1 << 20);
  int rc = 0;
  for (int i = first; i < argc; ++i) {
    std::FILE* f = std::fopen(argv[i], "rb");
    if (!f) {
      std::perror(argv[i]);
      rc = 1;
      continue;
    }
    tx::CSha256 sha(engine);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) sha.Update(buffer.data(), n);
    bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) {
      std::perror(argv[i]);
      rc = 1;
      continue;
    }
    std::printf("%s  %s\n", sha.Final().ToHex().c_str(), argv[i]);
  }
  return rc;
}
