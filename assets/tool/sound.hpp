#pragma once
// The shot sound, synthesised from a few parameters (one "name value" pair per line, # comments):
//   rate 22050        samples per second
//   seconds 0.2       length
//   pitch-start 1500  pitch of the tone at the start, Hz
//   pitch-end 200     ... at the end (the pitch falls along an exponential curve)
//   duty 0.3          pulse width of the tone, 0..1
//   noise 0.35        share of white noise in the mix, 0..1
//   attack 0.003      seconds to full loudness
//   decay 6           how fast the loudness falls over the sound (e^(-decay * t / seconds))
//   volume 0.7        peak loudness, 0..1
//   seed 7            the noise's seed
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assets {

struct SoundRecipe {
    int rate = 22050;
    double seconds = 0.2, pitchStart = 1500, pitchEnd = 200, duty = 0.3, noise = 0.35;
    double attack = 0.003, decay = 6, volume = 0.7;
    uint32_t seed = 7;
};

SoundRecipe readSoundRecipe(const std::filesystem::path& file);
std::vector<int16_t> synthesise(const SoundRecipe& recipe);
// A mono 16-bit PCM WAV file.
std::string wavFile(const std::vector<int16_t>& samples, int rate);

} // namespace assets
