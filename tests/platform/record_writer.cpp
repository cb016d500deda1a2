// Stores games in a record folder as fast as it can, for the tests of two writers at once and
// of a writer killed at any moment: record_writer DIR FIRST STEP COUNT stores games scoring
// FIRST, FIRST + STEP, ... (COUNT of them, 0 for no end) and writes "saved SCORE" on standard
// output after each commit has returned, unbuffered.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "core/record.h"
#include "platform/record_file.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: record_writer DIR FIRST STEP COUNT\n";
    return 2;
  }
  fg::RecordFile file(argv[1], std::cerr);
  const int first = std::atoi(argv[2]);
  const int step = std::atoi(argv[3]);
  const int count = std::atoi(argv[4]);
  for (int i = 0; count == 0 || i < count; ++i) {
    const int score = first + i * step;
    const fg::FinishedGame game{
        score, score % 100, 1717243200 + score, 15 * score, "r" + std::to_string(score), {}};
    // As the game does, a commit that finds the lock held comes again a moment later.
    bool stored = false;
    for (int tries = 0; !stored && tries < 5000; ++tries) {
      stored = file.Commit(fg::Merging(fg::RecordChange{{game}, i % 2 == 0, true}), false);
      if (!stored) ::usleep(1000);
    }
    if (!stored) return 1;
    const std::string line = "saved " + std::to_string(score) + "\n";
    if (::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 1;
  }
  return 0;
}
