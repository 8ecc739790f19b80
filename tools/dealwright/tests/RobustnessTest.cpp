#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"

namespace dwtest {
namespace {

std::string Mutate(std::string s, std::mt19937& rng) {
  const int edits = 1 + int(rng() % 8);
  for (int e = 0; e < edits && !s.empty(); ++e) {
    const size_t at = rng() % s.size();
    switch (rng() % 4) {
      case 0: s[at] = char(rng()); break;
      case 1: s.erase(at, 1 + rng() % 20); break;
      case 2: s.insert(at, 1, "[]\"\\.|-:\n\r\0 NESWAKQJT1"[rng() % 22]); break;
      default: s.insert(at, s.substr(rng() % s.size(), rng() % 40)); break;
    }
  }
  return s;
}

std::string Noise(std::mt19937& rng) {
  std::string s(rng() % 3000, '\0');
  for (char& c : s) c = char(rng());
  return s;
}

}  // namespace

// Whatever the files hold, the program ends with one of its own codes and a message.
TEST(Robustness, RandomAndMangledInputsNeverCrash) {
  TempDir dir;
  std::mt19937 rng(20251105);
  const std::string seeds[] = {ReadFile(Fixture("sample.pbn")), ReadFile(Fixture("sample.lin")),
                               ReadFile(Fixture("251105A.txt")), ReadFile(Fixture("140105A.txt")),
                               ReadFile(Fixture("layout-external.pbn"))};
  const char* const names[] = {"h.pbn", "h.lin", "s.txt", "s.txt", "l.pbn"};
  for (int i = 0; i < 400; ++i) {
    const size_t kind = size_t(i) % 5;
    const std::string bytes = i % 3 == 0 ? Noise(rng) : Mutate(seeds[kind], rng);
    const fs::path input = dir / names[kind];
    WriteFile(input, bytes);
    std::vector<std::string> args;
    if (kind <= 1) args = {input.string(), "/dda", "/pdf", (dir / "o.pdf").string(), "/acbl",
                           Fixture("251105A.txt").string(), "/html", (dir / "o.htm").string()};
    else if (kind <= 3) args = {"/sort", "/acbl", input.string(), "/html", (dir / "o.htm").string()};
    else args = {Fixture("sample.pbn").string(), "/layout", input.string(), "/pdf", (dir / "o.pdf").string(),
                 "/layout", input.string(), "/acbl", Fixture("140105A.txt").string(), "/html", (dir / "o.htm").string()};
    const RunResult r = RunInProcess(args);
    ASSERT_TRUE(r.Code == 0 || r.Code == 2 || r.Code == 3 || r.Code == 4) << i << ": " << r.Code << " " << r.Err;
    if (r.Code != 0) {
      EXPECT_FALSE(r.Err.empty());
    } else if (fs::exists(dir / "o.htm")) {
      const std::vector<std::string> body = BodyLines(ReadFile(dir / "o.htm"));
      ASSERT_FALSE(body.empty());
      EXPECT_EQ(body[0].rfind("<!-- EVENT&gt;", 0), 0u) << i;
    }
  }
}

}  // namespace dwtest
