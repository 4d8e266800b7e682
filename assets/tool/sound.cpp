#include "assets/tool/sound.hpp"
#include "assets/tool/bytes.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace assets {

SoundRecipe readSoundRecipe(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error(file.string() + ": cannot be read");
    SoundRecipe r;
    const std::map<std::string, std::pair<double*, std::pair<double, double>>> values = {
        {"seconds", {&r.seconds, {0.01, 5}}},
        {"pitch-start", {&r.pitchStart, {20, 10000}}},
        {"pitch-end", {&r.pitchEnd, {20, 10000}}},
        {"duty", {&r.duty, {0.05, 0.95}}},
        {"noise", {&r.noise, {0, 1}}},
        {"attack", {&r.attack, {0, 1}}},
        {"decay", {&r.decay, {0, 50}}},
        {"volume", {&r.volume, {0, 1}}},
    };
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        std::istringstream words(line);
        std::string name;
        double value = 0;
        if (!(words >> name) || name[0] == '#') continue;
        auto fail = [&](const std::string& why) {
            throw std::runtime_error(file.string() + ":" + std::to_string(lineNo) + ": " + why);
        };
        if (!(words >> value)) fail("expected a number after \"" + name + "\"");
        if (name == "rate") {
            if (value < 8000 || value > 96000) fail("rate must be 8000..96000");
            r.rate = static_cast<int>(value);
        } else if (name == "seed") {
            r.seed = static_cast<uint32_t>(value);
        } else if (auto v = values.find(name); v != values.end()) {
            if (value < v->second.second.first || value > v->second.second.second)
                fail(name + " is out of its range");
            *v->second.first = value;
        } else {
            fail("unknown parameter \"" + name + "\"");
        }
    }
    return r;
}

std::vector<int16_t> synthesise(const SoundRecipe& r) {
    const size_t count = static_cast<size_t>(r.seconds * r.rate);
    std::vector<int16_t> samples(count);
    uint32_t noiseState = r.seed ? r.seed : 1;
    double phase = 0, lowPassed = 0;
    constexpr double kFade = 0.004; // a short fade at the end so that the sound stops without a click
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / r.rate;
        const double along = t / r.seconds;
        const double pitch = r.pitchStart * std::pow(r.pitchEnd / r.pitchStart, along);
        phase += pitch / r.rate;
        phase -= std::floor(phase);
        const double tone = phase < r.duty ? 1.0 : -1.0;
        noiseState ^= noiseState << 13;
        noiseState ^= noiseState >> 17;
        noiseState ^= noiseState << 5;
        const double white = static_cast<double>(noiseState) / 2147483648.0 - 1.0;
        lowPassed += 0.35 * (white - lowPassed); // softens the hiss into a crackle
        double level = std::exp(-r.decay * along);
        if (r.attack > 0 && t < r.attack) level *= t / r.attack;
        const double left = r.seconds - t;
        if (left < kFade) level *= left / kFade;
        const double mix = (1 - r.noise) * tone + r.noise * 2 * lowPassed;
        samples[i] = static_cast<int16_t>(std::lround(std::clamp(mix * level * r.volume, -1.0, 1.0) * 32767));
    }
    return samples;
}

std::string wavFile(const std::vector<int16_t>& samples, int rate) {
    std::string out;
    auto u32 = [&out](uint32_t v) { appendU32(out, v); };
    auto u16 = [&out](uint16_t v) { appendU16(out, v); };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out += "RIFF";
    u32(36 + dataBytes);
    out += "WAVEfmt ";
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate) * 2);
    u16(2);
    u16(16);
    out += "data";
    u32(dataBytes);
    for (int16_t s : samples) u16(static_cast<uint16_t>(s));
    return out;
}

} // namespace assets
