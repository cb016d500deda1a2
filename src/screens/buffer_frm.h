// The hidden window of off-screen pictures.
#pragma once

namespace fg {

struct Game;

// Creates the nine off-screen surfaces and loads the eight pictures, once.
void LoadBufferFrm(Game& g);

}  // namespace fg

namespace fg {

struct BufferFrmWindow;

// The hidden window's surfaces, loading them first if that has not happened yet.
BufferFrmWindow& Buffers(Game& g);

}  // namespace fg
