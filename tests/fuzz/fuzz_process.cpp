// process() under each preset on arbitrary sample vectors: a clean generated frame, all zeros or
// the input's own bytes as float32 samples, at a length around the frame's (or tiny), with
// chosen samples overwritten by NaN, infinities, denormals, zeros or huge values.
//
// Input layout: [preset/mode byte][fill byte][length u16][overrides: (position u16, kind byte)...]
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "fuzz_support.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

struct preset_t {
    lib_ofdm_config_manager_t config[2];  // time-correlation and cyclic-prefix synchronisation
    complex_vector_t frame;
};

const preset_t& preset(int standard) {
    static preset_t presets[3];
    static bool ready[3] = {false, false, false};
    if (!ready[standard]) {
        preset_t& p = presets[standard];
        for (int mode = 0; mode < 2; ++mode) {
            p.config[mode].set_load_address(VEK_FUZZ_DATA_DIR);
            if (!p.config[mode].set_standard(static_cast<lib_ofdm_standard_type_t>(standard))) __builtin_trap();
            p.config[mode].set_synchronization_mode(static_cast<lib_ofdm_synchronization_mode_t>(mode));
        }
        lib_ofdm_generated_frame_t generated;
        if (!lib_ofdm_frame_generator_t::generate_frame(p.config[0], 1, generated)) __builtin_trap();
        p.frame = generated.samples;
        ready[standard] = true;
    }
    return presets[standard];
}

std::complex<float> special(std::uint8_t kind, std::complex<float> old) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    switch (kind % 10) {
        case 0: return {nan, old.imag()};
        case 1: return {old.real(), nan};
        case 2: return {inf, -inf};
        case 3: return {0.0f, 0.0f};
        case 4: return {std::numeric_limits<float>::denorm_min(), -1e-40f};
        case 5: return {3.0e38f, -3.0e38f};
        case 6: return {std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
        case 7: return old * 1e20f;
        case 8: return {-inf, 0.0f};
        default: return old * 1e-30f;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    vek::fuzz::byte_reader_t in{data, size};
    const std::uint8_t mode = in.take_byte();
    const std::uint8_t fill = in.take_byte();
    const std::uint16_t length_code = in.take_u16();
    const preset_t& p = preset(mode % 3);
    const lib_ofdm_config_manager_t& config = p.config[(mode >> 2) & 1];

    // Lengths: around the frame's (+-32767 samples) or small (0..4095).
    std::size_t length = 0;
    if (fill & 0x80) {
        length = length_code & 4095;
    } else {
        const long delta = static_cast<long>(static_cast<std::int16_t>(length_code));
        const long n = static_cast<long>(p.frame.size()) + delta;
        length = n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    complex_vector_t samples(length);
    switch (fill & 3) {
        case 0:
            for (std::size_t k = 0; k < length; ++k) samples[k] = p.frame[k % p.frame.size()];
            break;
        case 1:
            break;  // all zeros
        default: {
            // The payload bytes as float32 pairs, repeated; denormals, NaN and infinities included.
            const std::size_t pairs = in.size / 8;
            for (std::size_t k = 0; pairs > 0 && k < length; ++k) {
                float re = 0.0f;
                float im = 0.0f;
                std::memcpy(&re, in.data + 8 * (k % pairs), 4);
                std::memcpy(&im, in.data + 8 * (k % pairs) + 4, 4);
                samples[k] = {re, im};
            }
            break;
        }
    }
    if ((fill & 3) != 2) {
        while (in.size >= 3 && length > 0) {
            const std::size_t pos = static_cast<std::size_t>(in.take_u16()) * 3 % length;
            samples[pos] = special(in.take_byte(), samples[pos]);
        }
    }
    if (fill & 0x40) {
        for (auto& s : samples) s *= 1e19f;  // huge, overflowing power sums
    }

    lib_ofdm_t demod;
    if (!demod.set_config_manager(config)) __builtin_trap();
    // The presets are consistent frames: no range-checked access may fail on any capture, so an
    // out-of-range error escapes here and counts as a finding.
    if (demod.set_input_data(samples)) demod.process();
    return 0;
}
