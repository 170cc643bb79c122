#include "result_print.hpp"

#include <cmath>
#include <cstdio>

#include "cli_common.hpp"

namespace vek::ofdm_demod_cli {
namespace {

std::string fixed(double v, int decimals) {
    if (!std::isfinite(v)) return "n/a";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// EVM of a class that has no cells is reported as -100 by the library.
std::string evm_text(double v) { return v <= -100.0 + 1e-6 ? "n/a (no cells)" : fixed(v, 3) + " %"; }

void row(const std::string& label, const std::string& value) {
    std::string line = "  " + label;
    if (line.size() < 34) line.resize(34, ' ');
    cli_print(line + value);
}

}  // namespace

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += buf;
                } else {
                    out.push_back(c);
                }
        }
    }
    return out + "\"";
}

std::string json_number(double value) {
    if (!std::isfinite(value)) return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", value);
    return buf;
}

void print_result_table(const vek::ofdm_demod_lib::lib_ofdm_t& d, const run_context_t& c) {
    cli_print("OFDM analysis of " + c.capture + " (" + c.frame + ")");
    row("Samples", std::to_string(c.sample_count) + " at " + fixed(c.sample_rate_hz, 0) + " Hz");
    row("Frequency error", fixed(d.get_result_freq_error_est(), 3) + " Hz");
    row("Frame delay", std::to_string(d.get_result_frame_dly()) + " samples");
    row("Fine timing estimate", fixed(d.get_result_dly_est(), 3) + " samples");
    row("Timing offset", fixed(d.get_result_time_offset(), 6) + " ms");
    row("Sync correlation", fixed(d.get_result_sync_corr(), 4));
    row("Channel power", fixed(d.get_result_channel_power(), 2) + " dBm");
    row("EVM RMS (all cells)", evm_text(d.get_result_evm_rms()));
    row("EVM peak (all cells)", evm_text(d.get_result_evm_max()));
    row("EVM RMS preamble / peak",
        evm_text(d.get_result_rms_evm_preamble()) + " / " + evm_text(d.get_result_max_evm_preamble()));
    row("EVM RMS pilot / peak",
        evm_text(d.get_result_pilot_evm_rms()) + " / " + evm_text(d.get_result_pilot_evm_max()));
    row("EVM RMS payload / peak",
        evm_text(d.get_result_payload_evm_rms()) + " / " + evm_text(d.get_result_payload_evm_max()));
    row("SINR preamble", fixed(d.get_result_preamble_sinr(), 2) + " dB");
    row("SINR pilot", fixed(d.get_result_pilot_sinr(), 2) + " dB");
    row("SINR payload", fixed(d.get_result_payload_sinr(), 2) + " dB");
    row("MER", fixed(d.get_result_snr_mer(), 2) + " dB");
    row("Symbols analysed / measured", std::to_string(d.get_result_analy_symbol_num()) + " / " +
                                           std::to_string(d.get_result_ofdm_vaild_num()));
    for (const run_context_t::extra_t& e : c.extra) row(e.label, fixed(e.value, 3));
}

void print_result_json(const vek::ofdm_demod_lib::lib_ofdm_t& d, const run_context_t& c) {
    std::string j = "{";
    auto add = [&j](const std::string& key, const std::string& value) {
        if (j.size() > 1) j += ", ";
        j += json_string(key) + ": " + value;
    };
    add("capture", json_string(c.capture));
    add("frame", json_string(c.frame));
    add("sample_count", std::to_string(c.sample_count));
    add("sample_rate_hz", json_number(c.sample_rate_hz));
    add("freq_error_hz", json_number(d.get_result_freq_error_est()));
    add("frame_delay_samples", std::to_string(d.get_result_frame_dly()));
    add("fine_timing_samples", json_number(d.get_result_dly_est()));
    add("time_offset_ms", json_number(d.get_result_time_offset()));
    add("sync_correlation", json_number(d.get_result_sync_corr()));
    add("channel_power_dbm", json_number(d.get_result_channel_power()));
    add("evm_rms_percent", json_number(d.get_result_evm_rms()));
    add("evm_peak_percent", json_number(d.get_result_evm_max()));
    add("preamble_evm_rms_percent", json_number(d.get_result_rms_evm_preamble()));
    add("preamble_evm_peak_percent", json_number(d.get_result_max_evm_preamble()));
    add("pilot_evm_rms_percent", json_number(d.get_result_pilot_evm_rms()));
    add("pilot_evm_peak_percent", json_number(d.get_result_pilot_evm_max()));
    add("payload_evm_rms_percent", json_number(d.get_result_payload_evm_rms()));
    add("payload_evm_peak_percent", json_number(d.get_result_payload_evm_max()));
    add("preamble_sinr_db", json_number(d.get_result_preamble_sinr()));
    add("pilot_sinr_db", json_number(d.get_result_pilot_sinr()));
    add("payload_sinr_db", json_number(d.get_result_payload_sinr()));
    add("mer_db", json_number(d.get_result_snr_mer()));
    add("symbols_analysed", std::to_string(d.get_result_analy_symbol_num()));
    add("symbols_measured", std::to_string(d.get_result_ofdm_vaild_num()));
    for (const run_context_t::extra_t& e : c.extra) add(e.json_key, json_number(e.value));
    cli_print(j + "}");
}

}  // namespace vek::ofdm_demod_cli
