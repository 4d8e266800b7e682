#include "platform/sound.hpp"

#include "platform/files.hpp"

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace platform::sound {

namespace {

// The audio subsystem and its one output device, opened on first use. A failure is remembered so
// that a machine without sound does not retry on every shot.
class Output {
  public:
    ~Output() {
        if (device_ != 0) SDL_CloseAudioDevice(device_);
        if (started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    // The open device, or 0 when there is none.
    SDL_AudioDeviceID device(SDL_AudioSpec& spec) {
        if (!tried_) {
            tried_ = true;
            open();
        }
        spec = spec_;
        return device_;
    }
    // The device when one was opened before, without opening one.
    SDL_AudioDeviceID opened() const { return device_; }

  private:
    void open() {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
        started_ = true;
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &spec_, SDL_AUDIO_ALLOW_ANY_CHANGE);
    }

    bool tried_ = false;
    bool started_ = false;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec spec_{};
};

std::mutex outputMutex;
Output output;
// Both guarded by outputMutex.
bool mutedNow = false;
bool pausedNow = false;

// A sound file is read whole before it is decoded; no sound the programs play comes near this.
constexpr size_t kMaxWavFileBytes = size_t{128} * 1024 * 1024;

uint32_t littleEndian32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// False when the RIFF chunks lead to a "data" chunk that claims more bytes than follow it in the
// file: the decoder would size its buffer by that claim.
bool dataSizeWithinFile(const std::vector<uint8_t>& file) {
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return true; // not a WAV at all: the decoder refuses it
    uint64_t at = 12;
    while (at + 8 <= file.size()) {
        const uint64_t size = littleEndian32(file, static_cast<size_t>(at + 4));
        const uint64_t left = file.size() - (at + 8);
        if (std::memcmp(file.data() + at, "data", 4) == 0) return size <= left;
        if (size > left) return true; // a broken chunk before the data: the decoder refuses it
        at += 8 + size + (size & 1);
    }
    return true;
}

struct WavFree {
    void operator()(Uint8* p) const { SDL_FreeWAV(p); }
};

} // namespace

bool playWav(const std::string& path) {
    std::lock_guard lock(outputMutex);
    if (mutedNow) return false;
    SDL_AudioSpec deviceSpec{};
    const SDL_AudioDeviceID device = output.device(deviceSpec);
    if (device == 0) return false;

    // Read here rather than by the decoder: a FIFO or device in the file's place is refused
    // without waiting.
    const std::optional<std::vector<uint8_t>> file = files::readFile(path, kMaxWavFileBytes);
    if (!file || !dataSizeWithinFile(*file)) return false;
    SDL_AudioSpec fileSpec{};
    Uint8* raw = nullptr;
    Uint32 length = 0;
    SDL_RWops* source = SDL_RWFromConstMem(file->data(), static_cast<int>(file->size()));
    if (!source || SDL_LoadWAV_RW(source, 1, &fileSpec, &raw, &length) == nullptr) return false;
    std::unique_ptr<Uint8, WavFree> wav(raw);

    SDL_AudioCVT cvt{};
    const int built = SDL_BuildAudioCVT(&cvt, fileSpec.format, fileSpec.channels, fileSpec.freq,
                                        deviceSpec.format, deviceSpec.channels, deviceSpec.freq);
    if (built < 0) return false;
    // The conversion works in place in a buffer len_mult times the source.
    std::unique_ptr<Uint8[]> buffer;
    try {
        buffer = std::make_unique<Uint8[]>(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult));
    } catch (const std::bad_alloc&) {
        return false;
    }
    SDL_memcpy(buffer.get(), wav.get(), length);
    cvt.buf = buffer.get();
    cvt.len = static_cast<int>(length);
    if (built > 0 && SDL_ConvertAudio(&cvt) != 0) return false;
    const Uint32 converted = built > 0 ? static_cast<Uint32>(cvt.len_cvt) : length;

    SDL_ClearQueuedAudio(device);
    if (SDL_QueueAudio(device, buffer.get(), converted) != 0) return false;
    if (!pausedNow) SDL_PauseAudioDevice(device, 0);
    return true;
}

void setMuted(bool muted) {
    std::lock_guard lock(outputMutex);
    mutedNow = muted;
    if (muted && output.opened() != 0) SDL_ClearQueuedAudio(output.opened());
}

bool muted() {
    std::lock_guard lock(outputMutex);
    return mutedNow;
}

void setPaused(bool paused) {
    std::lock_guard lock(outputMutex);
    pausedNow = paused;
    if (output.opened() != 0) SDL_PauseAudioDevice(output.opened(), paused ? 1 : 0);
}

uint32_t queuedBytes() {
    std::lock_guard lock(outputMutex);
    SDL_AudioSpec spec{};
    const SDL_AudioDeviceID device = output.device(spec);
    return device == 0 ? 0 : SDL_GetQueuedAudioSize(device);
}

} // namespace platform::sound
