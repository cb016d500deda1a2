// The player's record as the game uses it: loaded at start, a finished game and the switches
// stored as they change. The host's store says whatever goes wrong; the game plays on with the
// record it has in memory and stores what it could not at the next chance, the end included.
#pragma once

#include "core/record.h"

namespace fg {

struct Game;

// The table and the switches as the player left them (a first run: no games, both on).
void LoadPlayerRecord(Game& g);

// Enters a finished game and stores the record; returns the game's place in the table (1 the
// best, 0 when it did not make it).
int KeepGame(Game& g, const FinishedGame& game);

// Stores M and S as they are now; in play, only once play stops (a file written in the middle
// of a tick would hold the snake up).
void KeepSwitches(Game& g);
// Play stopped: stores the switches if they changed meanwhile, and whatever is still unstored.
void KeepChangedSwitches(Game& g);

// From the message loop, out of play and never inside a tick: stores what an earlier commit
// could not, a few seconds after it failed. [D29]
void RetryRecord(Game& g);

// The program ends: one last try for what is still unstored, which may wait a moment for a
// store held by another program. [D29]
void KeepRecordAtEnd(Game& g);

}  // namespace fg
