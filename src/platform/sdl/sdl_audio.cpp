#include "platform/sdl/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/mix_levels.h"

namespace fg {

// The audio device opens on a thread of its own: a sound server that accepts and never answers
// would otherwise hold start-up for half a minute. Shared with that thread, which may outlive
// the host when the wait is given up.
struct SdlAudio::Opening {
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  bool Abandoned = false;
  int Rate = 0;
  std::chrono::steady_clock::time_point Deadline;
};

namespace {

// A sound server that has not answered by then leaves the game silent rather than frozen.
constexpr auto kAudioOpenTimeout = std::chrono::milliseconds(2000);

// No device, or none within the wait: the game plays silently. [D10]
void OpenAudio(const std::shared_ptr<SdlAudio::Opening>& opening) {
  int rate = 0;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    // No changes allowed: SDL converts to whatever the device wants, so the music is always
    // rendered at a rate the module player supports.
    if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr, 0) == 0) {
      Uint16 format = 0;
      int channels = 0;
      Mix_QuerySpec(&rate, &format, &channels);
      Mix_AllocateChannels(1);
      Mix_Volume(0, kEffectVolume);  // headroom for the music under it (mix_levels.h) [D17]
    }
  }
  std::lock_guard<std::mutex> lock(opening->Lock);
  if (opening->Abandoned) {
    // Too late: the game went on without sound, and has not touched the device.
    if (rate > 0) Mix_CloseAudio();
    return;
  }
  opening->Rate = rate;
  opening->Finished = true;
  opening->Done.notify_all();
}

// The opener thread's body. An SDL thread rather than a std::thread: SDL keeps per-thread data
// (its error message) that it frees only at the end of threads it started itself.
int OpenAudioThread(void* data) {
  std::unique_ptr<std::shared_ptr<SdlAudio::Opening>> opening(
      static_cast<std::shared_ptr<SdlAudio::Opening>*>(data));
  OpenAudio(*opening);
  return 0;
}

}  // namespace

SdlMixer::~SdlMixer() {
  if (!open_) return;
  Mix_HookMusic(nullptr, nullptr);
  Mix_HaltChannel(-1);
  playing_.reset();
  Mix_CloseAudio();
}

SdlAudio::SdlAudio(SdlLibrary& sdl) : sdl_(sdl), opening_(std::make_shared<Opening>()) {
  opening_->Deadline = std::chrono::steady_clock::now() + kAudioOpenTimeout;
  auto shared = std::make_unique<std::shared_ptr<Opening>>(opening_);
  SDL_Thread* opener = SDL_CreateThread(OpenAudioThread, "fg-audio-open", shared.get());
  if (opener != nullptr) {
    static_cast<void>(shared.release());  // the thread frees it
    SDL_DetachThread(opener);
  } else {
    OpenAudio(opening_);  // no thread to be had: open it here and now
  }
}

SdlAudio::~SdlAudio() {
  Await();  // whether there is a device to close
}

void SdlAudio::Await() {
  if (!opening_) return;
  std::unique_lock<std::mutex> lock(opening_->Lock);
  if (opening_->Done.wait_until(lock, opening_->Deadline, [&] { return opening_->Finished; })) {
    rate_ = opening_->Rate;
    if (rate_ > 0) mixer_.Opened();
  } else {
    opening_->Abandoned = true;
    sdl_.LeaveAudioAlone();  // the opener thread may still sit inside the audio subsystem
  }
  lock.unlock();
  opening_.reset();
}

int SdlAudio::Rate() {
  Await();
  return rate_;
}

void SdlAudio::PlayWave(std::span<const uint8_t> image) {
  if (Rate() == 0) return;
  SDL_RWops* rw = SDL_RWFromConstMem(image.data(), static_cast<int>(image.size()));
  SdlOwner<Mix_Chunk> chunk(Mix_LoadWAV_RW(rw, 1));
  if (!chunk) return;
  Mix_PlayChannel(0, chunk.get(), 0);  // one channel: the new effect cuts off the old one
  mixer_.Keep(std::move(chunk));
}

void SdlAudio::MusicTrampoline(void* self, uint8_t* stream, int len) {
  auto* audio = static_cast<SdlAudio*>(self);
  if (audio->music_) {
    audio->music_(stream, len);
  } else {
    std::memset(stream, 0, static_cast<size_t>(len));
  }
}

void SdlAudio::SetMusicHook(MusicHook hook) {
  if (Rate() == 0) return;
  Mix_HookMusic(nullptr, nullptr);  // waits for a callback in progress to finish
  music_ = std::move(hook);
  if (music_) Mix_HookMusic(&SdlAudio::MusicTrampoline, this);
}

}  // namespace fg
