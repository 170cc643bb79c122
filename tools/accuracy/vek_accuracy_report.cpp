// Writes docs/accuracy.md: what the analyser measures on generated captures of every preset with
// known impairments, next to the truth. Re-run after any change to the demodulator:
//   build/release/tools/vek_accuracy_report > docs/accuracy.md
#include <fmt/format.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "vek/common_lib/report/report.hpp"
#include "vek/ofdm_demod_lib/config/lib_ofdm_config_manager.hpp"
#include "vek/ofdm_demod_lib/demod/lib_ofdm.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_frame_generator.hpp"
#include "vek/ofdm_demod_lib/generator/lib_ofdm_impairment_channel.hpp"

using namespace vek::ofdm_demod_lib;

namespace {

constexpr lib_ofdm_standard_type_t k_presets[] = {LIB_OFDM_STANDARD_TYPE_WIFI, LIB_OFDM_STANDARD_TYPE_LTE_DL,
                                                  LIB_OFDM_STANDARD_TYPE_LTE_UL};

const char* name_of(lib_ofdm_standard_type_t standard) {
    switch (standard) {
        case LIB_OFDM_STANDARD_TYPE_LTE_DL: return "LTE downlink";
        case LIB_OFDM_STANDARD_TYPE_LTE_UL: return "LTE uplink";
        default: return "WLAN";
    }
}

lib_ofdm_config_manager_t preset(lib_ofdm_standard_type_t standard) {
    lib_ofdm_config_manager_t m;
    m.set_load_address(VEK_DEFAULT_DATA_DIR);
    m.set_standard(standard);
    return m;
}

lib_ofdm_impairment_info_t idle() {
    lib_ofdm_impairment_info_t info;
    info.idle_en = true;
    info.leading_idle_samples = 37;
    info.trailing_idle_samples = 200;
    return info;
}

lib_ofdm_impairment_info_t with_noise(lib_ofdm_impairment_info_t info, float snr_db) {
    info.noise_en = true;
    info.snr_db = snr_db;
    info.noise_seed = 11;
    return info;
}

// One demodulation of one generated capture; false when any step failed.
bool measure(const lib_ofdm_config_manager_t& cfg, const lib_ofdm_impairment_info_t& info, lib_ofdm_t& demod) {
    lib_ofdm_generated_frame_t frame;
    lib_ofdm_capture_t capture;
    return lib_ofdm_frame_generator_t::generate_frame(cfg, 3, frame) &&
           lib_ofdm_impairment_channel_t::deal_impairments(info, frame, 0, capture) && demod.set_config_manager(cfg) &&
           demod.set_input_data(capture.samples) && demod.process();
}

double ideal_evm_percent(double snr_db) { return 100.0 * std::pow(10.0, -snr_db / 20.0); }

void clean_frames(std::string& out) {
    out += "## Clean frames\n\nNo impairment but 37 idle samples before the frame. EVM in percent.\n\n";
    out += "| preset | overall | preamble | pilot | payload | frequency error (Hz) | fine start (samples) |\n";
    out += "|---|---|---|---|---|---|---|\n";
    for (const auto standard : k_presets) {
        lib_ofdm_t demod;
        if (!measure(preset(standard), idle(), demod)) {
            out += fmt::format("| {} | failed |\n", name_of(standard));
            continue;
        }
        out += fmt::format("| {} | {:.5f} | {:.5f} | {:.5f} | {:.5f} | {:.3f} | {:.3f} |\n", name_of(standard),
                           demod.get_result_evm_rms(), demod.get_result_rms_evm_preamble(),
                           demod.get_result_pilot_evm_rms(), demod.get_result_payload_evm_rms(),
                           demod.get_result_freq_error_est(), demod.get_result_dly_est());
    }
    out += "\nA preamble EVM of -100 marks a frame without preamble cells (LTE uplink).\n\n";
}

void awgn(std::string& out) {
    out += "## White noise\n\nNoise at a per-cell SNR: the ideal payload EVM is 100·10^(−SNR/20) %. "
           "The offsets are measured minus ideal.\n\n";
    out += "| preset | SNR (dB) | ideal EVM (%) | payload EVM (%) | offset (dB) | payload SINR (dB) | offset (dB) |\n";
    out += "|---|---|---|---|---|---|---|\n";
    for (const auto standard : k_presets) {
        for (const float snr : {25.0f, 30.0f, 40.0f}) {
            lib_ofdm_t demod;
            if (!measure(preset(standard), with_noise(idle(), snr), demod)) continue;
            const double evm = demod.get_result_payload_evm_rms();
            out += fmt::format("| {} | {:.0f} | {:.3f} | {:.3f} | {:+.2f} | {:.2f} | {:+.2f} |\n", name_of(standard), snr,
                               ideal_evm_percent(snr), evm, 20.0 * std::log10(evm / ideal_evm_percent(snr)),
                               demod.get_result_payload_sinr(), demod.get_result_payload_sinr() - snr);
        }
    }
    out += "\n";
}

void carrier_offset(std::string& out) {
    out += "## Carrier offset and fractional delay\n\n30 dB per-cell SNR, frame 37.3 samples into the capture.\n\n";
    out += "| preset | offset (Hz) | measured (Hz) | error (Hz) | fine start (samples) | payload EVM (%) |\n";
    out += "|---|---|---|---|---|---|\n";
    for (const auto standard : k_presets) {
        const double offset = standard == LIB_OFDM_STANDARD_TYPE_WIFI ? 100e3 : 5e3;
        for (const double sign : {1.0, -1.0}) {
            lib_ofdm_impairment_info_t info = with_noise(idle(), 30.0f);
            info.fractional_delay_en = true;
            info.fractional_delay_samples = 0.3;
            info.freq_offset_en = true;
            info.freq_offset_hz = sign * offset;
            lib_ofdm_t demod;
            if (!measure(preset(standard), info, demod)) continue;
            out += fmt::format("| {} | {:+.0f} | {:+.2f} | {:+.2f} | {:.3f} | {:.3f} |\n", name_of(standard),
                               sign * offset, demod.get_result_freq_error_est(),
                               demod.get_result_freq_error_est() - sign * offset, demod.get_result_dly_est(),
                               demod.get_result_payload_evm_rms());
        }
    }
    out += "\n";
}

void multipath(std::string& out) {
    out += "## Multipath\n\n40 dB per-cell SNR. Channel A: taps 1, 0.3·e^(j1), 0.1 at delays 0, 2 and 5 samples. "
           "Channel B: taps 1 and 0.3·e^(j1) one sample apart. Payload EVM in percent with the preset's "
           "equaliser, with the training (preamble) estimate alone, and with every estimate source off.\n\n";
    out += "| preset | channel | preset equaliser | preamble only | equaliser off |\n|---|---|---|---|---|\n";
    const complex_vector_t channel_a{{1, 0}, {}, std::polar(0.3f, 1.0f), {}, {}, {0.1f, 0}};
    const complex_vector_t channel_b{{1, 0}, std::polar(0.3f, 1.0f)};
    for (const auto standard : k_presets) {
        for (const auto* channel : {&channel_a, &channel_b}) {
            lib_ofdm_impairment_info_t info = with_noise(idle(), 40.0f);
            info.multipath_en = true;
            info.multipath_taps = *channel;
            std::string cells;
            for (int variant = 0; variant < 3; ++variant) {
                lib_ofdm_config_manager_t cfg = preset(standard);
                lib_ofdm_eq_info_t eq = cfg.get_equalizer();
                if (variant == 1) {
                    eq.equalizer_use_preamble = true;
                    eq.equalizer_use_pilot = eq.equalizer_use_data = false;
                }
                if (variant == 2) eq.equalizer_use_preamble = eq.equalizer_use_pilot = eq.equalizer_use_data = false;
                cfg.set_equalizer(eq);
                lib_ofdm_t demod;
                const bool has_preamble = !cfg.get_preamble_sym_index_vct().empty();
                if (variant == 1 && !has_preamble) {
                    cells += " no preamble |";
                } else if (measure(cfg, info, demod)) {
                    cells += fmt::format(" {:.3f} |", demod.get_result_payload_evm_rms());
                } else {
                    cells += " failed |";
                }
            }
            out += fmt::format("| {} | {} |{}\n", name_of(standard), channel == &channel_a ? "A" : "B", cells);
        }
    }
    out += "\n";
}

void worked_example(std::string& out) {
    out += "## The 802.11 worked-example packet\n\n36 Mbit/s (16-QAM) packet published to 3 decimals, "
           "11 symbols on the WLAN grid, 50 idle samples before it.\n\n";
    std::ifstream in(VEK_VECTORS_DIR "/wlan_annex_g_packet.txt");
    complex_vector_t samples(50);
    float re = 0.0f, im = 0.0f;
    while (in >> re >> im) samples.emplace_back(re, im);
    samples.resize(samples.size() + 200);
    lib_ofdm_config_manager_t cfg = preset(LIB_OFDM_STANDARD_TYPE_WIFI);
    cfg.set_analy_symbol_num(11);
    cfg.set_meas_symbol_num(11);
    auto entries = cfg.get_resource_mapping_vct();
    for (auto& entry : entries) {
        if (entry.name == "Data2") entry.modulation = LIB_OFDM_MOD_LEVEL_16QAM;
    }
    cfg.set_resource_mapping_vct(entries);
    cfg.generate_resource_map();
    cfg.generate_resource_mod_map();
    cfg.generate_ref_resource_data_vct();
    lib_ofdm_t demod;
    if (samples.size() < 1000 || !demod.set_config_manager(cfg) || !demod.set_input_data(samples) || !demod.process()) {
        out += "Not measured (packet file missing or demodulation failed).\n\n";
        return;
    }
    out += "| coarse start | fine start | frequency error (Hz) | overall EVM (%) | payload EVM (%) | pilot EVM (%) |\n";
    out += "|---|---|---|---|---|---|\n";
    out += fmt::format("| {} | {:.3f} | {:.2f} | {:.4f} | {:.4f} | {:.4f} |\n\n", demod.get_result_frame_dly(),
                       demod.get_result_dly_est(), demod.get_result_freq_error_est(), demod.get_result_evm_rms(),
                       demod.get_result_payload_evm_rms(), demod.get_result_pilot_evm_rms());
}

}  // namespace

int main() {
    // The library's own stage lines are not part of the report.
    vek::common_lib::silence_reports(true);
    std::string out = "# Measured accuracy\n\nGenerated by `tools/accuracy/vek_accuracy_report` from captures of the "
                      "reference transmitter and its impairment channel (seeded), demodulated through `lib_ofdm_t`. "
                      "Re-run: `build/release/tools/vek_accuracy_report > docs/accuracy.md`.\n\n";
    clean_frames(out);
    awgn(out);
    carrier_offset(out);
    multipath(out);
    worked_example(out);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
