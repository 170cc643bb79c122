// process() under configurations reached through the setters: a preset, then a sequence of
// setter calls with fuzzed values (each setter refuses what it does not accept), then the map
// rebuild a host does, then a capture of the unmodified preset's frame. A stage must fail cleanly
// or a range-checked access raise std::out_of_range; any other escape or bad access is a finding.
//
// Input layout: [standard byte][(opcode byte, value i16, value i16)...]
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fuzz_support.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

struct preset_t {
    lib_ofdm_config_manager_t config;
    complex_vector_t frame;
};

const preset_t& preset(int standard) {
    static preset_t presets[3];
    static bool ready[3] = {false, false, false};
    if (!ready[standard]) {
        preset_t& p = presets[standard];
        p.config.set_load_address(VEK_FUZZ_DATA_DIR);
        if (!p.config.set_standard(static_cast<lib_ofdm_standard_type_t>(standard))) __builtin_trap();
        lib_ofdm_generated_frame_t generated;
        if (!lib_ofdm_frame_generator_t::generate_frame(p.config, 1, generated)) __builtin_trap();
        p.frame = generated.samples;
        p.frame.insert(p.frame.begin(), 100, complex_t(0.0f, 0.0f));
        ready[standard] = true;
    }
    return presets[standard];
}

const float k_rates_hz[] = {0.0f, -1.0f, 1.0f, 1.0e6f, 7.68e6f, 15.36e6f, 20.0e6f, 30.72e6f, 40.0e6f, 80.0e6f,
                            3.0e38f, 1.0e-30f};

void apply(lib_ofdm_config_manager_t& c, std::uint8_t op, int a, int b) {
    const float rate = k_rates_hz[static_cast<unsigned>(a) % std::size(k_rates_hz)];
    switch (op % 22) {
        case 0: c.set_fft_length(a); break;
        case 1: c.set_guard_low_subcarr(a); break;
        case 2: c.set_guard_up_subcarr(a); break;
        case 3: c.set_guard_interval_per_symbol(std::vector<float>(static_cast<unsigned>(b) % 4 + 1, a / 256.0f)); break;
        case 4: c.set_guard_interval_repeat_index(a); break;
        case 5: c.set_time_gaps(std::vector<int>(static_cast<unsigned>(b) % 4, a)); break;
        case 6: c.set_time_gaps_repeat_index(a); break;
        case 7: c.set_symbol_timing_adjustment(a / 100.0f); break;
        case 8: c.set_meas_symbol_num(a); break;
        case 9: c.set_meas_symbol_offset(a); break;
        case 10: c.set_system_sample_rate(rate); break;
        case 11: c.set_dvx_sample_rate(rate); break;
        case 12: c.set_sample_rate(rate); break;
        case 13: c.set_half_subcarrier_shift(a & 1); break;
        case 14: c.set_dft_spread(a & 1); break;
        case 15: c.set_user_boosting(a / 16.0f); break;
        case 16: {
            lib_ofdm_eq_info_t eq;
            eq.equalizer_use_preamble = a & 1;
            eq.equalizer_use_pilot = a & 2;
            eq.equalizer_use_dc_pilot = a & 4;
            eq.equalizer_use_data = a & 8;
            eq.equalizer_averaging_mode = (a >> 4) % 4;
            eq.initial_equalizer_mode = (a >> 6) % 4;
            eq.initial_equalizer_symbols = b;
            c.set_equalizer(eq);
            break;
        }
        case 17: {
            lib_ofdm_track_info_t t;
            t.inclulde_data_subcarriers = a & 1;
            t.track_amplitude = a & 2;
            t.track_phase = a & 4;
            t.track_timing = a & 8;
            c.set_tracking(t);
            break;
        }
        case 18: {
            lib_ofdm_filter_info_t f;
            f.selection = static_cast<lib_ofdm_filter_selection_t>(a % 4);
            f.arb_coefficients.assign(static_cast<unsigned>(b) % 40, 0.25f);
            f.arb_coefficients_sample_ratio = static_cast<float>(b % 9);
            f.ws_auto_length = a & 4;
            f.ws_length = b;
            f.ws_window = static_cast<lib_ofdm_filter_windowed_sinc_window_t>((a >> 3) % 3);
            f.ws_pass_bandwidth = (a % 100) / 100.0f;
            f.ws_transition_bandwidth = (b % 100) / 100.0f;
            c.set_filter(f);
            break;
        }
        case 19: c.set_synchronization_mode(static_cast<lib_ofdm_synchronization_mode_t>(a & 1)); break;
        case 20: c.set_analy_symbol_num(a); break;
        default:
            c.set_preamble_repeat_index(a);
            c.set_pilot_repeat_index(b);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vek::fuzz::silence_reports();
    vek::fuzz::byte_reader_t in{data, size};
    const preset_t& p = preset(in.take_byte() % 3);
    lib_ofdm_config_manager_t config = p.config;
    for (int ops = 0; in.size >= 5 && ops < 16; ++ops) {
        const std::uint8_t op = in.take_byte();
        const int a = static_cast<std::int16_t>(in.take_u16());
        const int b = static_cast<std::int16_t>(in.take_u16());
        apply(config, op, a, b);
    }
    if (!(config.generate_resource_map() && config.generate_resource_mod_map() &&
          config.generate_ref_resource_data_vct())) {
        return 0;
    }
    lib_ofdm_t demod;
    try {
        if (demod.set_config_manager(config) && demod.set_input_data(p.frame)) demod.process();
    } catch (const std::out_of_range&) {
        // a range-checked access reached by an inconsistent configuration (docs/errors.md)
    }
    return 0;
}
