// The browser host over Emscripten's HTML5 API. Callbacks from the page only queue input and
// wake the sleeping game; the game itself runs only inside its own calls (DoEvents dispatches),
// so a handler never runs inside a browser event and the game's sequences keep their order.
#include "platform/web/web_host.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/bands.h"
#include "platform/presentation.h"
#include "platform/web/page_input.h"

namespace fg {

namespace {

constexpr char kCanvas[] = "#screen";
constexpr int kDefaultRate = 44100;

WebHost* active = nullptr;  // the host the page's audio output pulls from

// The JavaScript halves of the host. clang-format would take them for C++.
// clang-format off

// Sleeps until `ms` have passed or input arrives, letting the browser run meanwhile. The
// promise is settled by the timer or by fg_web_wake, whichever comes first.
EM_ASYNC_JS(void, fg_web_sleep, (int ms), {
  await new Promise(function(resolve) {
    const timer = setTimeout(wake, ms);
    function wake() {
      clearTimeout(timer);
      Module['fgWake'] = null;
      resolve();
    }
    Module['fgWake'] = wake;
  });
});

// Ends a sleep early; the game resumes once the current browser event has finished.
EM_JS(void, fg_web_wake, (), {
  if (Module['fgWake']) Module['fgWake']();
});

EM_JS(void, fg_web_put_rows, (const uint8_t* rgba, int width, int y, int rows), {
  const canvas = document.getElementById('screen');
  if (!canvas) return;
  if (!Module['fgContext']) Module['fgContext'] = canvas.getContext('2d');
  const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * rows * 4);
  Module['fgContext'].putImageData(new ImageData(bytes, width, rows), 0, y);
});

EM_JS(void, fg_web_shown, (), {
  if (Module['fgShown']) Module['fgShown']();
});

EM_JS(void, fg_web_set_caption, (const char* caption), {
  document.title = UTF8ToString(caption);
});

EM_JS(void, fg_web_set_icon, (const uint8_t* rgba, int width, int height), {
  const c = document.createElement('canvas');
  c.width = width;
  c.height = height;
  const bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
  c.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(bytes), width, height), 0, 0);
  let link = document.querySelector('link[rel="icon"]');
  if (!link) {
    link = document.createElement('link');
    link.rel = 'icon';
    document.head.appendChild(link);
  }
  link.href = c.toDataURL('image/png');
});

EM_JS(void, fg_web_open_url, (const char* url), {
  window.open(UTF8ToString(url), '_blank', 'noopener');
});

EM_JS(int, fg_web_audio_rate, (), {
  return Module['fgAudioRate'] ? Module['fgAudioRate']() : 0;
});

EM_JS(void, fg_web_switches, (int music, int effects), {
  if (Module['fgSwitches']) Module['fgSwitches'](!!music, !!effects);
});

EM_JS(void, fg_web_copy, (const char* text), {
  if (Module['fgCopy']) Module['fgCopy'](UTF8ToString(text));
});

EM_JS(int, fg_web_address_size, (), {
  return lengthBytesUTF8(location.href.split('#')[0]) + 1;
});

EM_JS(void, fg_web_address, (char* out, int size), {
  stringToUTF8(location.href.split('#')[0], out, size);
});

EM_JS(void, fg_web_offer_share, (const char* code), {
  if (Module['fgOfferShare']) Module['fgOfferShare'](UTF8ToString(code));
});

// The page's own test for a touch screen, the one that shows its touch controls at first.
EM_JS(int, fg_web_touch_screen, (), {
  return window.matchMedia('(pointer: coarse)').matches ? 1 : 0;
});

EM_JS(void, fg_web_ended, (), {
  if (Module['fgEnded']) Module['fgEnded']();
});

// clang-format on

// Canvas byte order (R, G, B, A in memory) of a 0x00RRGGBB pixel.
uint32_t CanvasPixel(uint32_t p) {
  return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

bool HasCommandModifier(const EmscriptenKeyboardEvent* e) {
  return e->ctrlKey || e->altKey || e->metaKey;
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void* self) {
  const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  // A press with Ctrl, Alt or Meta is the browser's (reload, copy, switch tab); a release
  // always reaches the game, or an arrow let go under Ctrl would stay held.
  if (down && HasCommandModifier(e)) return EM_FALSE;
  const int16_t code = VirtualKeyFromDom(e->key);
  if (code == 0) return EM_FALSE;
  WebHost::Input in;
  in.What = down ? WebHost::Input::kKeyDown : WebHost::Input::kKeyUp;
  in.Code = code;
  static_cast<WebHost*>(self)->Queue(in);
  return KeyKeptFromBrowser(code) && !HasCommandModifier(e) ? EM_TRUE : EM_FALSE;
}

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void* self) {
  double w = 0;
  double h = 0;
  emscripten_get_element_css_size(kCanvas, &w, &h);
  WebHost::Input in;
  in.What =
      type == EMSCRIPTEN_EVENT_MOUSEDOWN ? WebHost::Input::kMouseDown : WebHost::Input::kMouseMove;
  in.Code = static_cast<int16_t>(e->button + 1);  // the page counts from 0, the game from 1
  in.X = ToWindowPixels(static_cast<double>(e->targetX), w, kImageSize);
  in.Y = ToWindowPixels(static_cast<double>(e->targetY), h, kImageSize);
  static_cast<WebHost*>(self)->Queue(in);
  return EM_FALSE;  // a press also focuses the canvas
}

// The keyboard goes elsewhere: another element, another window, another tab.
EM_BOOL OnBlur(int /*type*/, const EmscriptenFocusEvent* /*e*/, void* self) {
  WebHost::Input in;
  in.What = WebHost::Input::kFocusLost;
  static_cast<WebHost*>(self)->Queue(in);
  return EM_FALSE;
}

EM_BOOL OnVisibility(int /*type*/, const EmscriptenVisibilityChangeEvent* e, void* self) {
  if (e->hidden) OnBlur(0, nullptr, self);
  return EM_FALSE;
}

}  // namespace

WebHost::WebHost()
    : start_(emscripten_get_now()),
      breath_(start_),
      last_(kImageSize, kImageSize, kBlack),
      rgba_(static_cast<size_t>(kImageSize) * kImageSize, CanvasPixel(kBlack)),
      rate_(fg_web_audio_rate()),
      effects_(rate_ > 0 ? rate_ : kDefaultRate) {
  if (fg_web_touch_screen() != 0) device_ = InputDevice::kTouch;  // [D47]
  emscripten_set_keydown_callback(kCanvas, this, EM_TRUE, OnKey);
  emscripten_set_keyup_callback(kCanvas, this, EM_TRUE, OnKey);
  emscripten_set_mousemove_callback(kCanvas, this, EM_TRUE, OnMouse);
  emscripten_set_mousedown_callback(kCanvas, this, EM_TRUE, OnMouse);
  emscripten_set_blur_callback(kCanvas, this, EM_TRUE, OnBlur);
  emscripten_set_visibilitychange_callback(this, EM_TRUE, OnVisibility);
  active = this;
}

WebHost::~WebHost() {
  if (active == this) active = nullptr;
  if (!ended_) emscripten_html5_remove_all_event_listeners();
}

int64_t WebHost::WallClock() {
  return static_cast<int64_t>(std::time(nullptr));
}

int64_t WebHost::Clock() {  // [D7]
  return static_cast<int64_t>(emscripten_get_now() - start_);
}

void WebHost::Queue(const Input& e) {
  if (ended_) return;
  queued_.push_back(e);
  fg_web_wake();
}

void WebHost::SetSink(EventSink* sink) {
  sink_ = sink;
  if (sink_ != nullptr && device_ != InputDevice::kKeyboard) sink_->DeviceUsed(device_);
}

void WebHost::DoEvents() {
  while (!queued_.empty()) {
    const Input e = queued_.front();
    queued_.pop_front();
    if (sink_ == nullptr) continue;
    // Only presses tell of a device taken up: a release or a pointer moved says nothing. [D47]
    const bool press = e.What == Input::kKeyDown || e.What == Input::kMouseDown;
    if (press && e.Device != device_) {
      device_ = e.Device;
      sink_->DeviceUsed(device_);
    }
    switch (e.What) {
      case Input::kKeyDown:
        sink_->KeyDown(e.Code);
        break;
      case Input::kKeyUp:
        sink_->KeyUp(e.Code);
        break;
      case Input::kMouseMove:
        sink_->MouseMove(e.X, e.Y);
        break;
      case Input::kMouseDown:
        sink_->MouseDown(e.Code, e.X, e.Y);
        break;
      case Input::kFocusLost:
        sink_->FocusLost();
        break;
    }
  }
  FireDueTimers(timers_, Clock());
}

void WebHost::BlockUntil(int64_t deadline) {
  if (!queued_.empty()) return;
  const int64_t wake = NextTimerDue(timers_, deadline);
  const int64_t timeout = wake - Clock();
  if (timeout <= 0) return;
  // A browser timer takes at most 2^31 - 1 ms; the loop asks again when it ends early.
  fg_web_sleep(static_cast<int>(std::min<int64_t>(timeout, INT32_MAX)));
}

void WebHost::Breathe() {
  // Longer at a stretch and the page would stutter, and be slow to answer a first tap.
  constexpr double kHoldAtMost = 8;  // ms
  if (emscripten_get_now() - breath_ < kHoldAtMost) return;
  fg_web_sleep(0);
  breath_ = emscripten_get_now();
}

void WebHost::Put(int y, int rows) {
  const size_t from = static_cast<size_t>(y) * kImageSize;
  const size_t count = static_cast<size_t>(rows) * kImageSize;
  for (size_t i = from; i < from + count; ++i) rgba_[i] = CanvasPixel(last_.Pixels[i]);
  fg_web_put_rows(reinterpret_cast<const uint8_t*>(&rgba_[from]), kImageSize, y, rows);
}

void WebHost::Refresh(const Surface& image) {
  if (image.Width != kImageSize || image.Height != kImageSize) return;
  if (!shown_) {
    // Drawn before the first appearance (the title reveal): kept, nothing put on the page.
    last_.Pixels = image.Pixels;
    return;
  }
  // The canvas gets whole rows, one putImageData a band; the columns that changed go unused.
  Band bands[8];
  const int count = TakeChangedBands(image, last_, bands);
  for (int i = 0; i < count; ++i) Put(bands[i].Y, bands[i].Rows);
}

void WebHost::ShowWindow() {
  shown_ = true;
  Put(0, kImageSize);
  fg_web_shown();
}

void WebHost::SetCaption(const std::string& caption) {
  fg_web_set_caption(caption.c_str());
}

void WebHost::SetIcon(const Surface& icon) {
  // The icon keeps its alpha in the top byte of each pixel.
  std::vector<uint32_t> rgba(icon.Pixels.size());
  std::transform(icon.Pixels.begin(), icon.Pixels.end(), rgba.begin(),
                 [](uint32_t p) { return (CanvasPixel(p) & 0x00FFFFFFu) | (p & 0xFF000000u); });
  fg_web_set_icon(reinterpret_cast<const uint8_t*>(rgba.data()), icon.Width, icon.Height);
}

void WebHost::PlayWave(std::span<const uint8_t> image) {
  effects_.Play(image);
}

void WebHost::ShowSwitches(bool music, bool effects) {
  fg_web_switches(music ? 1 : 0, effects ? 1 : 0);
}

void WebHost::CopyText(const std::string& text) {
  fg_web_copy(text.c_str());
}

std::string WebHost::PageAddress() {
  std::string address(static_cast<size_t>(fg_web_address_size()), '\0');
  fg_web_address(address.data(), static_cast<int>(address.size()));
  address.resize(address.size() - 1);
  return address;
}

void WebHost::OfferShare(const std::string& code) {
  fg_web_offer_share(code.c_str());
}

void WebHost::OpenUrl(const std::string& url) {
  fg_web_open_url(url.c_str());
}

void WebHost::End() {
  if (ended_) return;
  ended_ = true;
  if (active == this) active = nullptr;
  queued_.clear();
  music_ = {};
  effects_.Play({});
  emscripten_html5_remove_all_event_listeners();
  fg_web_ended();
}

const float* WebHost::RenderAudio(int frames) {
  const size_t n = static_cast<size_t>(std::max(frames, 0));
  mix_.assign(n * 2, 0);
  out_.resize(n * 2);
  if (music_) music_(reinterpret_cast<uint8_t*>(mix_.data()), static_cast<int>(n * 4));
  effects_.MixInto(mix_.data(), static_cast<int>(n));
  for (size_t i = 0; i < n; ++i) {
    out_[i] = static_cast<float>(mix_[2 * i]) / 32768.0f;
    out_[n + i] = static_cast<float>(mix_[2 * i + 1]) / 32768.0f;
  }
  return out_.data();
}

}  // namespace fg

// Called by the page's audio output, which knows it by this name; null once the program has
// ended.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE const float* fg_render_audio(int frames) {
  return fg::active != nullptr ? fg::active->RenderAudio(frames) : nullptr;
}

// Input the page makes itself, from its touch controls, taps and swipes on the canvas and pads:
// `kind` as WebHost::Input counts them (0 key down, 1 key up, 2 pointer move, 3 pointer down),
// `code` a key code or mouse button, x and y in window pixels, `pad` 1 for a pad's and 0 for the
// touch screen's. Dropped once the program has ended.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE void fg_page_input(int kind, int code, float x, float y, int pad) {
  using Input = fg::WebHost::Input;
  if (fg::active == nullptr || kind < Input::kKeyDown || kind > Input::kMouseDown) return;
  Input in;
  in.What = static_cast<Input::Kind>(kind);
  in.Code = static_cast<int16_t>(code);
  in.X = x;
  in.Y = y;
  in.Device = pad != 0 ? fg::InputDevice::kPad : fg::InputDevice::kTouch;
  fg::active->Queue(in);
}

// Whether a tap at (x, y) in window pixels is a click where it lands (the title's address, its
// plate of the best, a row of the hall of fame) rather than Space. [D46]
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE int fg_tap_clicks(float x, float y) {
  return fg::active != nullptr && fg::active->TapClicks(x, y) ? 1 : 0;
}

// What the page's own controls send (key codes, the pad's buttons and stick), as JSON; the page
// asks once the program is ready.
// NOLINTNEXTLINE(readability-identifier-naming)
extern "C" EMSCRIPTEN_KEEPALIVE const char* fg_page_values() {
  static const std::string values = fg::PageValues();
  return values.c_str();
}
