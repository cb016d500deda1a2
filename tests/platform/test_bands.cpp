// The bands a refresh sends: every changed pixel inside one, nothing else sent, nearby rows merged.
#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "platform/bands.h"

namespace fg {

void PrintTo(const Band& b, std::ostream* os) {
  *os << "{x " << b.X << ", y " << b.Y << ", width " << b.Width << ", rows " << b.Rows << "}";
}

namespace {

TEST(Bands, ChangedPixelsBecomeFewBandsAsWideAsWhatChanged) {
  using Pixels = std::vector<std::pair<int, int>>;  // (x, y) turned white
  struct Case {
    const char* What;
    Pixels Changed;
    std::vector<Band> Expected;
  };
  Pixels tenRows;
  for (int i = 0; i < 10; ++i) tenRows.emplace_back(1 + i, i * 40);
  const Case cases[] = {
      {"the same frame", {}, {}},
      {"one pixel", {{5, 100}}, {{5, 100, 1, 1}}},
      {"a row's two ends", {{0, 7}, {399, 7}}, {{0, 7, 400, 1}}},
      {"near rows merge, a far one stands alone",
       {{0, 10}, {399, 20}, {200, 100}},
       {{0, 10, 400, 11}, {200, 100, 1, 1}}},
      {"16 rows between still merge", {{30, 10}, {20, 27}}, {{20, 10, 11, 18}}},
      {"17 rows between do not", {{30, 10}, {20, 28}}, {{30, 10, 1, 1}, {20, 28, 1, 1}}},
      {"a merged band widens to both sides",
       {{100, 50}, {110, 50}, {90, 52}, {120, 52}},
       {{90, 50, 31, 3}}},
      {"rows past the last band join it",
       tenRows,
       {{1, 0, 1, 1},
        {2, 40, 1, 1},
        {3, 80, 1, 1},
        {4, 120, 1, 1},
        {5, 160, 1, 1},
        {6, 200, 1, 1},
        {7, 240, 1, 1},
        {8, 280, 3, 361 - 280}}},
  };
  for (const Case& c : cases) {
    Surface shown(400, 400, kBlack);
    Surface image(400, 400, kBlack);
    for (auto [x, y] : c.Changed) image.At(x, y) = kWhite;
    Band bands[8];
    const int count = TakeChangedBands(image, shown, bands);
    EXPECT_EQ(std::vector<Band>(bands, bands + count), c.Expected) << c.What;
    EXPECT_EQ(shown.Pixels, image.Pixels) << c.What;
    EXPECT_EQ(TakeChangedBands(image, shown, bands), 0) << c.What << ": sent twice";
  }
}

}  // namespace
}  // namespace fg
