#include "audio_files.h"

#include "support/support.h"

#include <cstdint>

namespace audio_files {

namespace {
void Put(std::string &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += (char)((value >> (8 * i)) & 0xFF);
}
} // namespace

std::string Wave(int frames) {
    const uint32_t dataSize = (uint32_t)frames * 2;
    std::string w = "RIFF";
    Put(w, 36 + dataSize, 4);
    w += "WAVEfmt ";
    Put(w, 16, 4);        // format chunk size
    Put(w, 1, 2);         // PCM
    Put(w, 1, 2);         // mono
    Put(w, kRate, 4);     // frames per second
    Put(w, kRate * 2, 4); // bytes per second
    Put(w, 2, 2);         // bytes per frame
    Put(w, 16, 2);        // bits per sample
    w += "data";
    Put(w, dataSize, 4);
    for (int i = 0; i < frames; ++i)
        Put(w, (uint16_t)(int16_t)((i / 50) % 2 ? -kLevel : kLevel), 2);
    return w;
}

std::string OggVorbis(int frames) {
    testing_support::WriteFile("for-oggenc.wav", Wave(frames));
    testing_support::RunResult r =
        testing_support::Run({"oggenc", "--quiet", "-o", "from-oggenc.ogg", "for-oggenc.wav"});
    return r.status == 0 ? testing_support::ReadFile("from-oggenc.ogg") : std::string();
}

std::string Garbage() {
    std::string g;
    for (int i = 0; i < 300; ++i)
        g += (char)(i * 37 + 11);
    return g;
}

} // namespace audio_files
