// Writes the program's end-of-run sound: a short rising two-note chime as a 16-bit mono PCM
// wave file. Run by the build; the sound event "OrvintaDone" names the file it writes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 22050;

void Note(std::vector<std::int16_t>& samples, double frequency, double seconds)
{
    const int count = static_cast<int>(seconds * kRate);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        // A quick rise and a longer fall, so the notes neither click nor ring on.
        const double envelope = std::min(1.0, t / 0.005) * std::exp(-t * 9.0);
        const double value = envelope * (0.7 * std::sin(2 * std::numbers::pi * frequency * t) +
                                         0.3 * std::sin(4 * std::numbers::pi * frequency * t));
        samples.push_back(static_cast<std::int16_t>(value * 0.6 * 32767));
    }
}

template <class T>
void Put(std::ofstream& out, T value)
{
    out.write(reinterpret_cast<const char*>(&value), sizeof(value));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_done_sound FILE\n");
        return 2;
    }
    std::vector<std::int16_t> samples;
    Note(samples, 1318.5, 0.12);
    Note(samples, 1760.0, 0.22);
    const auto data = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write("RIFF", 4);
    Put<std::uint32_t>(out, 36 + data);
    out.write("WAVEfmt ", 8);
    Put<std::uint32_t>(out, 16);
    Put<std::uint16_t>(out, 1); // PCM
    Put<std::uint16_t>(out, 1); // mono
    Put<std::uint32_t>(out, kRate);
    Put<std::uint32_t>(out, kRate * 2);
    Put<std::uint16_t>(out, 2);
    Put<std::uint16_t>(out, 16);
    out.write("data", 4);
    Put<std::uint32_t>(out, data);
    out.write(reinterpret_cast<const char*>(samples.data()), data);
    if (!out) {
        std::fprintf(stderr, "make_done_sound: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
