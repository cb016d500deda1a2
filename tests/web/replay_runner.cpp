// Runs a replay script on the headless host and prints its dump, image checksums included, so
// that the game built by two toolchains can be compared line for line.
// Usage: replay_runner SCRIPT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "replay/replay.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: replay_runner SCRIPT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "replay_runner: cannot read %s\n", argv[1]);
    return 2;
  }
  std::stringstream script;
  script << in.rdbuf();
  try {
    std::cout << fg::test::RunReplay(script.str()).Dump;
  } catch (const fg::test::ScriptError& e) {
    std::fprintf(stderr, "replay_runner: %s line %d: %s\n", argv[1], e.Line(), e.what());
    return 2;
  }
  return 0;
}
